// page_parts.cpp - the small pieces of the report page's HTML.
#include "page/page_parts.h"

#include "exact/plan.h"
#include "page/decimal_text.h"
#include "rules/numbers.h"

// Appends a literal.
void put(std::string* out, const char* text) {
    out->append(text);
}

// An amount with separators and `unit`: "28,000円", "2,345回転"; with `sign`, "+" before a
// positive amount.
std::string amount(std::int64_t value, const char* unit, bool sign) {
    std::string text = sign && value > 0 ? "+" : "";
    append_grouped(&text, value);
    return text + unit;
}

// Millionths of a fraction as a percentage with `decimals` (1 or 2), rounded half up: 1006712
// and 2 make "100.67%".
std::string percent_of_millionths(std::int64_t millionths, int decimals) {
    const std::int64_t divisor = decimals == 2 ? 100 : 1000;
    std::string text;
    append_fixed(&text, divide_rounded_half_away(millionths, divisor), decimals, false);
    return text + "%";
}

// Wins of the 1000 trials as a percentage with one decimal: 423 is "42.3%".
std::string percent_of_trials(std::int64_t wins) {
    std::string text;
    append_fixed(&text, wins, 1, false);
    return text + "%";
}

std::string percent_of(double probability, int decimals) {
    std::string text;
    const double scale = decimals == 2 ? 1e4 : decimals == 1 ? 1e3 : 1e2;
    const double scaled = probability * scale;
    append_fixed(&text, round_half_away(scaled), decimals, false);
    return text + "%";
}

namespace {

// `text` tied to the JSON path `path`, times `scale` where it is not empty.
std::string tied(const std::string& path, const std::string& text, const char* scale) {
    std::string html = R"(<span class="nb" data-json=")";
    html += path;
    html += '"';
    if (*scale != '\0') {
        html += " data-scale=\"";
        html += scale;
        html += '"';
    }
    return html + ">" + text + "</span>";
}

}  // namespace

std::string figure(FigureId id, const std::string& text) {
    const FigureEntry& entry = figure_entries[static_cast<std::size_t>(id)];
    return tied(entry.path, text, entry.scales[0]);
}

std::string figure_cell(FigureId id, std::size_t row, std::size_t column, const std::string& text) {
    return figure_cell_scaled(id, row, column, text,
                              figure_entries[static_cast<std::size_t>(id)].scales[column]);
}

std::string figure_cell_scaled(FigureId id, std::size_t row, std::size_t column,
                               const std::string& text, const char* scale) {
    const FigureEntry& entry = figure_entries[static_cast<std::size_t>(id)];
    return tied(std::string(entry.path) + "." + std::to_string(row) + "." + std::to_string(column),
                text, scale);
}

// The class that colours a profit: a win blue, a loss vermillion, break-even none.
const char* profit_class(std::int64_t yen) {
    return yen > 0 ? "win" : yen < 0 ? "loss" : "";
}

// A card of the summary: its heading, its figure (in the class `value_class`) and its note.
void put_card(std::string* out, const char* heading, const std::string& value,
              const std::string& note, const char* value_class) {
    put(out, "<div class=\"card\"><h3>");
    put(out, heading);
    put(out, "</h3>\n<div class=\"value");
    if (*value_class != '\0') out->push_back(' ');
    put(out, value_class);
    put(out, "\">");
    out->append(value);
    put(out, "</div>\n<p>");
    out->append(note);
    put(out, "</p></div>\n");
}

// `value` with `decimals` decimals, rounded correctly: "7208.9".
std::string decimals_of(double value, int decimals) {
    std::string text;
    append_decimals(&text, value, decimals);
    return text;
}

// Yen rounded to the nearest yen, halves away from zero, with separators and sign.
std::string yen_of(double yen, bool sign) {
    return amount(round_half_away(yen), "円", sign);
}

// The cells of the list of rows `id`, row after row.
const std::vector<FigureValue>& cells_of(const PageFigures& f, FigureId id) {
    return f.lists[static_cast<std::size_t>(id)];
}

// ` data-json="path"` and the other attributes `rest` that say how a mark draws it.
std::string drawn_from(const char* path, const char* rest) {
    return std::string(" data-json=\"") + path + "\" " + rest;
}

std::string limit_text(std::int64_t yen, const char* none) {
    return yen == no_limit ? none : std::to_string(yen / 10000) + "万円";
}

std::string target_text(std::int64_t yen) {
    return yen == no_limit ? std::string("なし") : "+" + limit_text(yen, "");
}

std::string plan_words(std::int64_t budget, std::int64_t target) {
    return "予算" + limit_text(budget, "なし") + "・目標" + target_text(target);
}
