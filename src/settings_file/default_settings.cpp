// default_settings.cpp - the default settings file, and the backup that keeps the user's file.
#include "settings_file/default_settings.h"

#include <cstdio>
#include <cstring>

#include "platform/console.h"
#include "platform/text_io.h"
#include "platform/texts.h"

// What became of the user's settings file before the default file took its place.
enum class UserSettings {
    none,            // there was no file of the user's to keep
    kept_as_backup,  // the user's file now stands under the backup name
    not_kept,        // the backup could not be made: the user's file stays where it was
};

// Moves the user's settings file aside as the backup file, replacing an older backup, so that
// writing the default file loses nothing.
static UserSettings keep_user_settings() {
    // A directory under the settings file's name is no file of the user's: it is left alone,
    // and creating the default file in its place fails and is reported.
    if (is_directory(texts::settings_file)) return UserSettings::none;
    switch (move_file(texts::settings_file, texts::settings_backup_file)) {
        case MoveOutcome::moved:
            return UserSettings::kept_as_backup;
        case MoveOutcome::source_missing:
            return UserSettings::none;
        case MoveOutcome::failed:
            break;
    }
    return UserSettings::not_kept;
}

// How writing the default file ended.
enum class DefaultFile {
    written,      // the default file is complete
    not_created,  // no file could be created under the settings file's name
    not_written,  // the file was created but did not take the whole content
};

// Creates the settings file and writes the default content into it.
static DefaultFile write_default_file() {
    std::FILE* file = create_file(texts::settings_file);
    if (file == nullptr) return DefaultFile::not_created;
    for (const char* line : texts::default_settings_lines) {
        write_text(file, line, std::strlen(line));
        write_text(file, "\n", 1);
    }
    return close_stream(file) ? DefaultFile::written : DefaultFile::not_written;
}

DefaultSettingsOutcome write_default_settings() {
    console_write(texts::file_not_opened, texts::settings_file);
    const UserSettings user = keep_user_settings();
    if (user == UserSettings::not_kept) {
        console_write(texts::file_not_written, texts::settings_backup_file);
        return {false, UserSettingsFile::in_place};
    }
    const UserSettingsFile kept = user == UserSettings::kept_as_backup
                                      ? UserSettingsFile::kept_as_backup
                                      : UserSettingsFile::none;
    const DefaultFile written = write_default_file();
    if (written == DefaultFile::written) return {true, kept};
    console_write(texts::file_not_written, texts::settings_file);
    // A half-written default file would pass for the user's file on the next run and be moved
    // into the backup in its place. It is removed, and the user's file goes back under its own
    // name (replacing the partial file, should removing it have failed): the files stand as they
    // stood before the run.
    if (written == DefaultFile::not_written) static_cast<void>(std::remove(texts::settings_file));
    if (kept != UserSettingsFile::kept_as_backup) return {false, kept};
    if (move_file(texts::settings_backup_file, texts::settings_file) == MoveOutcome::moved)
        return {false, UserSettingsFile::in_place};
    // The user's file could not go back: the console says where it is, so it is not lost.
    console_write(texts::settings_kept_at, texts::settings_backup_file);
    return {false, UserSettingsFile::kept_as_backup};
}
