// chart.cpp - the SVG pieces of the report page's charts.
#include "page/chart.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "page/decimal_text.h"
#include "page/page_parts.h"
#include "rules/numbers.h"

namespace {

/* ---------------------------------- text ---------------------------------- */

// Appends ` name="value"` with the value in tenths.
void put_attribute(std::string* out, const char* name, double value) {
    out->push_back(' ');
    put(out, name);
    put(out, "=\"");
    append_tenths(out, value);
    out->push_back('"');
}

// Appends `text` at (x, y), anchored as `anchor` says ("start", "middle" or "end"), of the
// class `css_class` (an axis's title: "title") or none.
void put_text(std::string* out, double x, double y, const char* anchor, const std::string& text,
              const char* css_class = nullptr) {
    put(out, "<text");
    if (css_class != nullptr) {
        put(out, " class=\"");
        put(out, css_class);
        out->push_back('"');
    }
    put_attribute(out, "x", x);
    put_attribute(out, "y", y);
    put(out, " text-anchor=\"");
    put(out, anchor);
    put(out, "\">");
    out->append(text);
    put(out, "</text>\n");
}

// `value` with thousands separators: "-12,345".
std::string grouped(std::int64_t value) {
    std::string text;
    append_grouped(&text, value);
    return text;
}

// Appends a line from (x1, y1) to (x2, y2) of the class `css_class`.
void put_line(std::string* out, double x1, double y1, double x2, double y2, const char* css_class) {
    put(out, "<line class=\"");
    put(out, css_class);
    out->push_back('"');
    put_attribute(out, "x1", x1);
    put_attribute(out, "y1", y1);
    put_attribute(out, "x2", x2);
    put_attribute(out, "y2", y2);
    put(out, "/>\n");
}

// Appends the points (xs[i], ys[i]) as "x,y x,y ...", backwards with `reversed`.
void put_points(std::string* out, const double* xs, const double* ys, std::int32_t count,
                bool reversed) {
    for (std::int32_t n = 0; n < count; ++n) {
        const std::int32_t i = reversed ? count - 1 - n : n;
        append_tenths(out, xs[i]);
        out->push_back(',');
        append_tenths(out, ys[i]);
        out->push_back(' ');
    }
}

// Where labels sit around the plot, from its edges.
constexpr double tick_length = 5.0;
constexpr double y_label_gap = 8.0;  // between a vertical axis and its labels
// A text's box reaches 1.16 em above its baseline and 0.29 em below it (the CJK font's ascent
// and descent), so rows of text lie 1.45 em apart at least.
constexpr double x_label_baseline = 32.0;    // below the plot: clear of the lowest y label
constexpr double x_title_baseline = 60.0;    // below the plot
constexpr double below_plot = 70.0;          // the room the x labels and title take
constexpr double chart_margin = 4.0;         // between the chart's edge and any text
constexpr double y_title_above = 20.0;       // from a y title's baseline to the plot's top
constexpr double baseline_to_centre = 0.35;  // em: a text's middle above its baseline
constexpr double coinciding_lines = 3.0;     // marker lines closer than this look like one

}  // namespace

/* ---------------------------------- sizes ---------------------------------- */

double text_width(const std::string& text) {
    double ems = 0.0;
    for (const char byte : text) {
        const auto code = static_cast<unsigned char>(byte);
        if (code < 0x80) ems += 0.62;
        if (code >= 0xC0) ems += 1.0;  // the lead byte of a wider character
    }
    return ems * chart_font;
}

/* ---------------------------------- scales ---------------------------------- */

double pixel(const Scale& scale, double value) {
    return scale.start + (value - scale.low) * (scale.end - scale.start) / (scale.high - scale.low);
}

std::int64_t tick_step(std::int64_t span, std::int64_t most) {
    for (std::int64_t power = 1;; power *= 10) {
        for (const std::int64_t step : {power, 2 * power, 5 * power}) {
            if ((span + step - 1) / step <= most) return step;
        }
    }
}

std::int64_t round_to_step(std::int64_t value, std::int64_t step, bool up) {
    const std::int64_t multiple = floor_divide(value, step) * step;
    return up && multiple < value ? multiple + step : multiple;
}

Scale round_scale(std::int64_t low, std::int64_t high, std::int64_t most_ticks, double start,
                  double end, std::int64_t* step) {
    if (high <= low) high = low + 1;
    // The finest step whose whole steps around the range make few enough parts.
    std::int64_t rounded_low = 0;
    std::int64_t rounded_high = 0;
    for (*step = tick_step(high - low, most_ticks);; *step = tick_step(*step + 1, 1)) {
        rounded_low = round_to_step(low, *step, false);
        rounded_high = round_to_step(high, *step, true);
        if ((rounded_high - rounded_low) / *step <= most_ticks) break;
    }
    return Scale{static_cast<double>(rounded_low), static_cast<double>(rounded_high), start, end};
}

std::int64_t label_step(const Scale& scale) {
    const double units_per_value = std::fabs(scale.end - scale.start) / (scale.high - scale.low);
    // The widest label is at one end of the axis; counted with a minus sign, to be safe.
    const std::int64_t widest = std::max(std::llabs(static_cast<long long>(std::floor(scale.low))),
                                         std::llabs(static_cast<long long>(std::ceil(scale.high))));
    const double width = text_width(grouped(-widest));
    for (std::int64_t power = 1;; power *= 10) {
        for (const std::int64_t step : {power, 2 * power, 5 * power}) {
            if (static_cast<double>(step) * units_per_value >= width + chart_font) return step;
        }
    }
}

/* ---------------------------------- a chart ---------------------------------- */

double chart_height(const PlotArea& area) {
    return area.bottom + below_plot;
}

void open_chart(std::string* out, const char* id, const char* caption, const PlotArea& area) {
    put(out, "<figure id=\"");
    put(out, id);
    put(out, "\">\n<figcaption>");
    put(out, caption);
    put(out, "</figcaption>\n<svg viewBox=\"0 0 ");
    append_integer(out, static_cast<std::int64_t>(chart_width));
    out->push_back(' ');
    append_integer(out, static_cast<std::int64_t>(chart_height(area)));
    put(out, "\" data-plot=\"");
    append_tenths(out, area.left);
    for (const double edge : {area.top, area.right, area.bottom}) {
        out->push_back(' ');
        append_tenths(out, edge);
    }
    put(out, "\" role=\"img\" xmlns=\"http://www.w3.org/2000/svg\">\n<title>");
    put(out, caption);
    put(out, "</title>\n");
}

void close_chart(std::string* out, const std::string& keys, const char* note) {
    put(out, "</svg>\n<p class=\"legend\">");
    out->append(keys);
    put(out, "</p>\n");
    if (*note != '\0') {
        put(out, "<p class=\"note\">");
        put(out, note);
        put(out, "</p>\n");
    }
    put(out, "</figure>\n");
}

std::string legend_key(const char* css_class, Swatch swatch, const char* label) {
    std::string key = R"(<span class="key"><svg class="swatch" viewBox="0 0 24 12">)";
    key += swatch == Swatch::line  ? R"(<line class=")"
           : swatch == Swatch::dot ? R"(<circle class=")"
                                   : R"(<rect class=")";
    key += css_class;
    key += swatch == Swatch::line  ? R"(" x1="0" y1="6" x2="24" y2="6"/>)"
           : swatch == Swatch::dot ? R"(" cx="12" cy="6" r="3.5"/>)"
                                   : R"(" x="2" y="1" width="20" height="10"/>)";
    key += "</svg>";
    key += label;
    key += "</span>\n";
    return key;
}

/* ---------------------------------- axes ---------------------------------- */

namespace {

// Appends a tick's label: `text` at (x, y) as `anchor` says, with the tick's value, where it
// stands on its axis and which axis that is.
void put_tick(std::string* out, double x, double y, const char* anchor, const std::string& text,
              double value, double at, const char* axis) {
    put(out, R"(<text class="tick" data-axis=")");
    put(out, axis);
    put(out, "\" data-value=\"");
    append_significant(out, value, 12);
    out->push_back('"');
    put_attribute(out, "data-at", at);
    put_attribute(out, "x", x);
    put_attribute(out, "y", y);
    put(out, " text-anchor=\"");
    put(out, anchor);
    put(out, "\">");
    out->append(text);
    put(out, "</text>\n");
}

// A label of a vertical axis at `at`, and its grid line on the left side.
void put_y_label(std::string* out, const PlotArea& area, double value, double at, bool zero,
                 AxisSide side, const std::string& text) {
    const bool left = side == AxisSide::left;
    if (left) put_line(out, area.left, at, area.right, at, zero ? "axis" : "grid");
    put_tick(out, left ? area.left - y_label_gap : area.right + y_label_gap,
             at + baseline_to_centre * chart_font, left ? "end" : "start", text, value, at,
             left ? area.left_axis : "y2");
}

// A vertical axis's title above its labels, level: turned, it would take a column of its own.
void put_y_title(std::string* out, const PlotArea& area, AxisSide side, const char* title) {
    const bool left = side == AxisSide::left;
    put_text(out, left ? chart_margin : chart_width - chart_margin,
             area.top - y_title_above - area.titles_above, left ? "start" : "end", title, "title");
}

}  // namespace

void put_y_axis(std::string* out, const PlotArea& area, const Scale& y, std::int64_t step,
                AxisSide side, const char* title) {
    const auto first = round_to_step(static_cast<std::int64_t>(std::ceil(y.low)), step, true);
    for (std::int64_t value = first; static_cast<double>(value) <= y.high; value += step) {
        const auto real = static_cast<double>(value);
        put_y_label(out, area, real, pixel(y, real), value == 0, side, grouped(value));
    }
    put_y_title(out, area, side, title);
}

void put_y_ticks(std::string* out, const PlotArea& area, const Scale& y, const double* values,
                 const char* const* labels, int count, AxisSide side, const char* title) {
    for (int i = 0; i < count; ++i)
        put_y_label(out, area, values[i], pixel(y, values[i]), false, side, labels[i]);
    put_y_title(out, area, side, title);
}

double log10_of(double value) {
    // value = m 2^e with m in [sqrt(1/2), sqrt(2)); ln m = 2 atanh(u), u = (m - 1) / (m + 1),
    // |u| < 0.172, whose series' terms fall by u^2 < 0.03 each: 12 terms reach 1e-18.
    int exponent = 0;
    double m = std::frexp(value, &exponent);  // exact: m in [1/2, 1)
    if (m < 0.70710678118654752) {
        m *= 2.0;
        --exponent;
    }
    const double u = (m - 1.0) / (m + 1.0);
    const double u2 = u * u;
    double term = u;
    double sum = 0.0;
    for (int k = 1; k < 26; k += 2) {
        sum += term / k;
        term *= u2;
    }
    constexpr double ln2 = 0.69314718055994530942;
    constexpr double ln10 = 2.30258509299404568402;
    return (2.0 * sum + exponent * ln2) / ln10;
}

double label_room(const Scale& y) {
    // The widest label is at one end of the axis; counted with a minus sign, to be safe.
    const std::int64_t widest = std::max(std::llabs(static_cast<long long>(std::floor(y.low))),
                                         std::llabs(static_cast<long long>(std::ceil(y.high))));
    return chart_margin + text_width(grouped(-widest)) + y_label_gap;
}

void put_x_axis(std::string* out, const PlotArea& area, const Scale& x, std::int64_t first,
                std::int64_t step, double offset, const char* title) {
    put_line(out, area.left, area.bottom, area.right, area.bottom, "axis");
    for (std::int64_t value = first; static_cast<double>(value) + offset <= x.high; value += step) {
        const double at = pixel(x, static_cast<double>(value) + offset);
        put_line(out, at, area.bottom, at, area.bottom + tick_length, "axis");
        put_tick(out, at, area.bottom + x_label_baseline, "middle", grouped(value),
                 static_cast<double>(value) + offset, at, "x");
    }
    put_text(out, (area.left + area.right) / 2.0, area.bottom + x_title_baseline, "middle", title,
             "title");
}

void put_x_ticks(std::string* out, const PlotArea& area, const Scale& x, std::int64_t first,
                 std::int64_t step) {
    for (std::int64_t value = first; static_cast<double>(value) <= x.high; value += step) {
        const double at = pixel(x, static_cast<double>(value));
        put_line(out, at, area.bottom, at, area.bottom + tick_length, "axis");
    }
}

/* ---------------------------------- marks ---------------------------------- */

void put_bar(std::string* out, const PlotArea& area, double left, double right, double top,
             const char* css_class, const std::string& title, const std::string& data) {
    put(out, "<rect class=\"");
    put(out, css_class);
    out->push_back('"');
    out->append(data);
    put_attribute(out, "x", left);
    put_attribute(out, "y", top);
    put_attribute(out, "width", std::max(right - left, 1.0));
    put_attribute(out, "height", area.bottom - top);
    put(out, "><title>");
    out->append(title);
    put(out, "</title></rect>\n");
}

void put_polyline(std::string* out, const double* xs, const double* ys, std::int32_t count,
                  const char* css_class, const std::string& data) {
    put(out, "<polyline class=\"");
    put(out, css_class);
    out->push_back('"');
    out->append(data);
    put(out, " points=\"");
    put_points(out, xs, ys, count, false);
    put(out, "\"/>\n");
}

void put_band(std::string* out, const double* xs, const double* lower, const double* upper,
              std::int32_t count, const char* css_class, const std::string& data) {
    put(out, "<polygon class=\"");
    put(out, css_class);
    out->push_back('"');
    out->append(data);
    put(out, " points=\"");
    put_points(out, xs, upper, count, false);
    put_points(out, xs, lower, count, true);
    put(out, "\"/>\n");
}

void put_dots(std::string* out, const double* xs, const double* ys, std::int32_t count,
              const char* css_class, const std::string& data) {
    for (std::int32_t i = 0; i < count; ++i) {
        put(out, "<circle class=\"");
        put(out, css_class);
        out->push_back('"');
        if (!data.empty()) {
            out->append(data);
            put(out, " data-row=\"");
            append_integer(out, i);
            out->push_back('"');
        }
        put_attribute(out, "cx", xs[i]);
        put_attribute(out, "cy", ys[i]);
        put(out, " r=\"3.5\"/>\n");
    }
}

void put_markers(std::string* out, const PlotArea& area, const Marker* markers, int count) {
    // The labels from left to right, so that each row's last label is its rightmost.
    // (An insertion sort: a handful of markers.)
    count = std::min(count, max_markers);
    int order[max_markers];
    for (int i = 0; i < count; ++i) {
        int j = i;
        for (; j > 0 && markers[order[j - 1]].at > markers[i].at; --j)
            order[j] = order[j - 1];
        order[j] = i;
    }
    // The right end of the last label in each row.
    double row_end[marker_rows];
    std::fill(std::begin(row_end), std::end(row_end), -1e9);
    for (int n = 0; n < count; ++n) {
        const Marker& marker = markers[order[n]];
        put(out, "<line class=\"");
        put(out, marker.css_class);
        out->push_back('"');
        if (marker.path != nullptr) {
            put(out, " data-json=\"");
            put(out, marker.path);
            out->push_back('"');
        }
        put_attribute(out, "x1", marker.at);
        put_attribute(out, "y1", area.top);
        put_attribute(out, "x2", marker.at);
        put_attribute(out, "y2", area.bottom);
        put(out, "/>\n");
        // The label of this line and of the ones that coincide with it, once.
        std::string label = marker.label;
        while (n + 1 < count && markers[order[n + 1]].at - marker.at < coinciding_lines) {
            const Marker& same = markers[order[++n]];
            put_line(out, same.at, area.top, same.at, area.bottom, same.css_class);
            label += "・";
            label += same.label;
        }
        const double width = text_width(label);
        const double centre =
            std::min(std::max(marker.at, area.left + width / 2.0), area.right - width / 2.0);
        int row = 0;
        while (row < marker_rows - 1 && centre - width / 2.0 < row_end[row] + chart_font)
            ++row;
        row_end[row] = centre + width / 2.0;
        put_text(out, centre, area.top - 6.0 - row * marker_row_height, "middle", label);
    }
}

std::int64_t most_y_ticks(double top, double bottom) {
    return static_cast<std::int64_t>((bottom - top) / (1.6 * chart_font));
}

double left_edge(const Scale& y, const char* title) {
    return std::max(label_room(y), text_width(title) + chart_font);
}
