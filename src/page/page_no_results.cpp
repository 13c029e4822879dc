// page_no_results.cpp - the page of a run without results: that there are none, and why (a
// setting out of range, with the results file's message, or a section missing, with what became
// of the settings files).
//
// This unit's literals are UTF-8, the page's encoding. The fixed messages go through printf's
// "%d", which writes an integer the same everywhere.
#include <cstdint>
#include <cstdio>
#include <string>

#include "page/page.h"
#include "page/page_json.h"
#include "page/page_parts.h"
#include "page/page_sections.h"
#include "platform/texts.h"
#include "rules/settings_values.h"

namespace {

// The message of the setting `section`, out of range, as the results file holds it: the fixed
// text's format in UTF-8 with the values it takes, without its line end.
void put_out_of_range_message(std::string* out, const Settings& s, SettingsSection section) {
    char line[512];
    const std::int32_t y = printed_y(s.Y);
    int length = 0;
    switch (section) {
        case SettingsSection::x:
            length = std::snprintf(line, sizeof line, page_texts::x_out_of_range, s.X);
            break;
        case SettingsSection::y:
            length = std::snprintf(line, sizeof line, page_texts::y_out_of_range, s.X, y);
            break;
        case SettingsSection::z:
            length = std::snprintf(line, sizeof line, page_texts::z_out_of_range, s.X, y, s.Z);
            break;
    }
    // Every message fits; a failed format leaves nothing rather than anything partial.
    if (length > 1 && static_cast<std::size_t>(length) < sizeof line)
        out->append(line, static_cast<std::size_t>(length) - 1);  // without the "\n"
}

// What became of the settings files when a section was missing.
void put_default_file_outcome(std::string* out, const DefaultSettingsOutcome& defaults) {
    put(out, defaults.written ? "初期値の設定ファイル Quorvantelmix.ini を書き込みました。"
                              : "初期値の設定ファイル Quorvantelmix.ini は書き込めませんでした。");
    switch (defaults.user_file) {
        case UserSettingsFile::kept_as_backup:
            put(out, "元の設定ファイルは Quorvantelmix.ini.bak として残してあります。");
            break;
        case UserSettingsFile::in_place:
            put(out, "元の設定ファイルは Quorvantelmix.ini のまま残っています。");
            break;
        case UserSettingsFile::none:
            break;
    }
    if (!defaults.written) return;
    // The next run reads the defaults: a warning, and what to do about it.
    put(out, "</p>\n<p class=\"warning\"><strong>注意：</strong>");
    put(out, page_texts::settings_file);
    put(out, " は初期値（確率X=");
    put(out, page_texts::default_x);
    put(out, "、100%確率Y=");
    put(out, page_texts::default_y);
    put(out, "、換金率Z=");
    put(out, page_texts::default_z);
    put(out,
        "）で書き直されました。このまま実行すると、あなたの台ではなく初期値の台を"
        "シミュレーションします。");
    if (defaults.user_file == UserSettingsFile::kept_as_backup) {
        put(out, "あなたの設定を使うには、");
        put(out, page_texts::settings_backup_file);
        put(out, " の見出しを直して ");
        put(out, page_texts::settings_file);
        put(out, " という名前に戻してから、もう一度実行して下さい。");
    } else {
        put(out, "実行する前に ");
        put(out, page_texts::settings_file);
        put(out, " にあなたの台の値を入力して下さい。");
    }
}

// The name of `section` in the page's data, and its header in the settings file.
const char* section_name(SettingsSection section) {
    return section == SettingsSection::x ? "X" : section == SettingsSection::y ? "Y" : "Z";
}
const char* section_header(SettingsSection section) {
    return section == SettingsSection::x   ? page_texts::header_x
           : section == SettingsSection::y ? page_texts::header_y
                                           : page_texts::header_z;
}

// Appends the style sheet, with the charts' font size.

}  // namespace

std::string no_results_page(const NoResults& no_results) {
    std::string page;
    put_style(&page);
    put(&page, "<h1>Quorvantelmix 収支レポート</h1>\n<h2>結果はありません</h2>\n<p>");
    const bool out_of_range = no_results.reason == NoResultsReason::value_out_of_range;
    if (out_of_range) {
        put(&page, "設定の値が範囲外のため、シミュレーションは行われませんでした。");
        put(&page, page_texts::results_file);
        put(&page, " にも同じメッセージが書かれています。</p>\n<p><strong>");
        put_out_of_range_message(&page, no_results.settings, no_results.section);
        put(&page, "</strong></p>\n<p>");
        put(&page, page_texts::settings_file);
        put(&page, " の値を直して、もう一度実行して下さい。");
    } else {
        put(&page, "設定ファイル ");
        put(&page, page_texts::settings_file);
        put(&page, " に見出し <strong>");
        put(&page, section_header(no_results.section));
        put(&page, "</strong> が見つからなかったため、シミュレーションは行われませんでした。");
        put_default_file_outcome(&page, no_results.defaults);
    }
    put(&page, "</p>\n");
    append_no_results_data(&page, out_of_range ? "value_out_of_range" : "section_missing",
                           out_of_range ? nullptr : section_name(no_results.section));
    put(&page, "</body>\n</html>\n");
    return page;
}
