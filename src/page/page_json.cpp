// page_json.cpp - the JSON object of the report page, written from a table of figures.
#include "page/page_json.h"

#include <cstdint>
#include <string>
#include <vector>

#include "page/decimal_text.h"
#include "page/page_parts.h"

namespace {

// Appends "key": (or, in an array, nothing) with a comma before it unless it opens its container.
void put_key(std::string* out, const std::string& key, bool in_array) {
    if (out->back() != '{' && out->back() != '[') out->push_back(',');
    if (in_array) return;
    out->push_back('"');
    out->append(key);
    put(out, "\":");
}

// Appends `value` as `format` writes it.
void put_value(std::string* out, JsonFormat format, const FigureValue& value) {
    switch (format) {
        case JsonFormat::integer:
            append_integer(out, value.whole);
            return;
        case JsonFormat::thousandths:
            append_fixed(out, value.whole, 3, true);
            return;
        case JsonFormat::millionths:
            append_fixed(out, value.whole, 6, false);
            return;
        case JsonFormat::yen:
            append_decimals(out, value.real, 3);
            return;
        case JsonFormat::probability:
            append_significant(out, value.real, 9);
            return;
        case JsonFormat::float_text:
            append_shortest_float(out, static_cast<float>(value.real));
            return;
        case JsonFormat::whole_or_null:
            if (value.whole == 0) {
                put(out, "null");
            } else {
                append_integer(out, value.whole);
            }
            return;
        case JsonFormat::text:
            out->push_back('"');
            put(out, value.text);
            out->push_back('"');
            return;
    }
}

// Appends a list of `entry`'s values: [v,v,...], or [[v,v],[v,v],...] for rows.
void put_list(std::string* out, const FigureEntry& entry, const std::vector<FigureValue>& values) {
    out->push_back('[');
    const auto columns = static_cast<std::size_t>(entry.columns);
    for (std::size_t i = 0; i < values.size(); i += columns) {
        if (i > 0) out->push_back(',');
        if (columns > 1) out->push_back('[');
        for (std::size_t j = 0; j < columns; ++j) {
            if (j > 0) out->push_back(',');
            put_value(out, entry.formats[j], values[i + j]);
        }
        if (columns > 1) out->push_back(']');
    }
    out->push_back(']');
}

// True when a path's part is an array place: all digits.
bool is_place(const std::string& part) {
    return !part.empty() && part.find_first_not_of("0123456789") == std::string::npos;
}

// The parts of a path between its dots.
std::vector<std::string> parts_of(const char* path) {
    std::vector<std::string> parts(1);
    for (const char* c = path; *c != '\0'; ++c) {
        if (*c == '.') {
            parts.emplace_back();
        } else {
            parts.back().push_back(*c);
        }
    }
    return parts;
}

// Appends the object of `count` entries with their values (and, for lists, `lists`): the
// containers that each path names opened as it first needs them and closed when the next path
// leaves them.
void put_object(std::string* out, const FigureEntry* entries, const FigureValue* values,
                const std::vector<FigureValue>* lists, const bool* omitted, std::int32_t count) {
    out->push_back('{');
    std::vector<std::string> open;  // the containers open below the object, outermost first
    std::vector<bool> arrays;       // whether each is an array
    for (std::int32_t i = 0; i < count; ++i) {
        if (omitted != nullptr && omitted[i]) continue;
        const FigureEntry& entry = entries[i];
        const std::vector<std::string> parts = parts_of(entry.path);
        const std::size_t depth = parts.size() - 1;  // the containers the value lies in
        std::size_t shared = 0;
        while (shared < open.size() && shared < depth && open[shared] == parts[shared])
            ++shared;
        for (; open.size() > shared; open.pop_back(), arrays.pop_back())
            out->push_back(arrays.back() ? ']' : '}');
        for (std::size_t level = shared; level < depth; ++level) {
            put_key(out, parts[level], !arrays.empty() && arrays.back());
            open.push_back(parts[level]);
            arrays.push_back(is_place(parts[level + 1]));
            out->push_back(arrays.back() ? '[' : '{');
        }
        put_key(out, parts[depth], !arrays.empty() && arrays.back());
        if (entry.columns == 0) {
            put_value(out, entry.formats[0], values[i]);
        } else {
            put_list(out, entry, lists[i]);
        }
    }
    for (; !open.empty(); open.pop_back(), arrays.pop_back())
        out->push_back(arrays.back() ? ']' : '}');
    out->push_back('}');
}

const char data_open[] = R"(<script type="application/json" id="quorvantelmix-data">)";
const char data_close[] = "</script>\n";

}  // namespace

void append_page_data(std::string* out, const PageFigures& figures) {
    put(out, data_open);
    put_object(out, figure_entries, figures.values, figures.lists, figures.omitted, figure_count);
    put(out, data_close);
}

void append_no_results_data(std::string* out, const char* reason, const char* section) {
    static const FigureEntry entries[] = {
        {"trials", {""}, FigureId::count, 0, {JsonFormat::integer}},
        {"reason", {""}, FigureId::count, 0, {JsonFormat::text}},
        {"section", {""}, FigureId::count, 0, {JsonFormat::text}},
    };
    const FigureValue values[] = {{0, 0.0, nullptr}, {0, 0.0, reason}, {0, 0.0, section}};
    put(out, data_open);
    put_object(out, entries, values, nullptr, nullptr, section != nullptr ? 3 : 2);
    put(out, data_close);
}
