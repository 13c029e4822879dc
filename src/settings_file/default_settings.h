// default_settings.h - the default settings file, written when there is no settings file or
// it lacks a section; the user's own file is kept first as the backup file.
#ifndef QUORVANTELMIX_DEFAULT_SETTINGS_H
#define QUORVANTELMIX_DEFAULT_SETTINGS_H

// Where the user's settings file stands once the default file has been written, or has failed.
enum class UserSettingsFile {
    none,            // there was no file of the user's
    in_place,        // under the settings file's name, as before the run
    kept_as_backup,  // under the backup file's name
};

// How writing the default settings file ended.
struct DefaultSettingsOutcome {
    bool written;                // the default file is complete
    UserSettingsFile user_file;  // where the user's file is now
};

// Prints the could-not-open message for the settings file, keeps the user's settings file (if
// any) as the backup file, and writes the default settings file. When the backup or the default
// file could not be written, a console line names the file that failed; the user's file is then
// left where it was, or put back there, and no partial default file stays.
DefaultSettingsOutcome write_default_settings();

#endif
