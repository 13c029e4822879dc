// chart.h - SVG charts for the report page: scales, axes with round ticks whose labels never
// overlap, bars, lines, bands, marker lines labelled without collision, and legends.
//
// Coordinates are in the chart's own units (its viewBox), written in tenths. Every colour, dash
// and size of a drawn element comes from a CSS class of the page (page.cpp's style sheet): the
// charts name classes, never colours. Text widths are estimated from the characters, generously,
// so that labels keep apart in any browser; the browser test measures the real boxes.
#ifndef QUORVANTELMIX_CHART_H
#define QUORVANTELMIX_CHART_H

#include <cstdint>
#include <string>

/* --------------------------------- sizes --------------------------------- */

// The chart's width in its own units; its height depends on the chart.
constexpr double chart_width = 500.0;

// The size of every chart text in the chart's units. The page keeps charts at least 340 CSS px
// wide (500 units), so the text is drawn at 17 * 340 / 500 = 11.6 CSS px or more.
constexpr double chart_font = 17.0;

// The estimated width of `text` (UTF-8) in the chart's units: 0.62 em for an ASCII character,
// 1 em for any other.
double text_width(const std::string& text);

/* --------------------------------- scales --------------------------------- */

// A range of values shown along one axis.
struct Scale {
    double low;    // the value at the start of the axis
    double high;   // the value at its end
    double start;  // the coordinate of `low`
    double end;    // the coordinate of `high`
};

// The coordinate of `value` on `scale`.
double pixel(const Scale& scale, double value);

// The finest round step (1, 2 or 5 times a power of ten) that cuts `span` into at most `most`
// parts, the last one maybe short.
std::int64_t tick_step(std::int64_t span, std::int64_t most);

// `value` rounded down (or, with `up`, up) to a multiple of `step`.
std::int64_t round_to_step(std::int64_t value, std::int64_t step, bool up);

// The scale from `low` to `high`, widened to whole steps of the finest round step that makes at
// most `most_ticks` parts (at least 1 wide), from `start` to `end`; the step in `*step`.
Scale round_scale(std::int64_t low, std::int64_t high, std::int64_t most_ticks, double start,
                  double end, std::int64_t* step);

// The finest round step for the labels of a horizontal axis along `scale` (the values with
// thousands separators) that keeps a gap of an em between them.
std::int64_t label_step(const Scale& scale);

/* ---------------------------------- a chart ---------------------------------- */

// Where the plot lies within the chart.
struct PlotArea {
    double left{}, right{}, top{}, bottom{};  // its edges, in the chart's units
    double titles_above = 0.0;    // the room between the top and the y titles (marker labels)
    const char* left_axis = "y";  // the name of the axis on its left (a lower panel's: "y2")
};

// The chart's height for a plot area: the plot, the tick labels and the axis title below it.
double chart_height(const PlotArea& area);

// Opens a chart: the figure with `id`, its caption, and the SVG element of `area`'s size with
// its accessible title. The SVG names the plot's edges (data-plot: left, top, right, bottom),
// so that a reader can tell that every mark lies inside the plot and every title outside.
void open_chart(std::string* out, const char* id, const char* caption, const PlotArea& area);

// Closes a chart, with the legend `keys` (made by legend_key) under it, and a `note` (HTML, or
// empty) under that.
void close_chart(std::string* out, const std::string& keys, const char* note = "");

// The shape of a legend's sample: that of the marks it stands for.
enum class Swatch {
    box,   // bars and bands
    line,  // lines
    dot,   // dots
};

// A legend entry: a sample drawn in the CSS class `css_class` in the shape `swatch`, and its
// `label`. The entry never breaks inside.
std::string legend_key(const char* css_class, Swatch swatch, const char* label);

/* ---------------------------------- axes ---------------------------------- */

// Which side of the plot a vertical axis stands on.
enum class AxisSide { left, right };

// The grid lines (on the left side only) and labels of the vertical scale `y`, a label at every
// multiple of `step` within it, with separators; and its `title`, level, above the labels. Each
// label carries its value and where it stands (data-value, data-at, data-axis "y" or "y2"), so
// that a reader of the page can map the marks back to values.
void put_y_axis(std::string* out, const PlotArea& area, const Scale& y, std::int64_t step,
                AxisSide side, const char* title);

// The same with a label `labels[i]` at each of the `count` values `values[i]` on `y`.
void put_y_ticks(std::string* out, const PlotArea& area, const Scale& y, const double* values,
                 const char* const* labels, int count, AxisSide side, const char* title);

// log10 of a positive `value`, by + - x / alone (a series), so that a logarithmic axis has the
// same bits on every platform; to within a few units of the last place.
double log10_of(double value);

// The room the labels of the vertical scale `y` take beside the plot, from the chart's edge.
double label_room(const Scale& y);

// Most ticks along a vertical axis from `top` to `bottom`: a label every 1.6 em at least.
std::int64_t most_y_ticks(double top, double bottom);

// The left edge of a plot whose vertical axis is `y`, titled `title`: room for its labels, and
// for the title above them. The same room, taken from the chart's right edge, serves an axis on
// the right.
double left_edge(const Scale& y, const char* title);

// The room above a plot that a vertical axis's title takes.
constexpr double y_title_room = 42.0;

// The ticks and labels of the horizontal scale `x`, every `step` from `first` (the labels shown
// at `offset` from the tick values, half a bin for counts drawn as centred bars), and its title.
void put_x_axis(std::string* out, const PlotArea& area, const Scale& x, std::int64_t first,
                std::int64_t step, double offset, const char* title);

// Tick marks without labels along the horizontal scale `x`, every `step` from `first`: between
// the labels where they would stand too close together.
void put_x_ticks(std::string* out, const PlotArea& area, const Scale& x, std::int64_t first,
                 std::int64_t step);

/* ---------------------------------- marks ---------------------------------- */

// Each mark below takes `data`, attributes that name the JSON values it draws (data-json and the
// columns or steps that give its coordinates), so that a reader can hold it to them; "" for none.

// A bar from `left` to `right` up to `top`, of the class `css_class`, with the tooltip `title`.
void put_bar(std::string* out, const PlotArea& area, double left, double right, double top,
             const char* css_class, const std::string& title, const std::string& data = "");

// A line through the points (xs[i], ys[i]), i from 0 to count - 1, of the class `css_class`.
void put_polyline(std::string* out, const double* xs, const double* ys, std::int32_t count,
                  const char* css_class, const std::string& data = "");

// A band between the lines (xs, lower) and (xs, upper), of the class `css_class`.
void put_band(std::string* out, const double* xs, const double* lower, const double* upper,
              std::int32_t count, const char* css_class, const std::string& data = "");

// Circles of the class `css_class` at the points (xs[i], ys[i]).
void put_dots(std::string* out, const double* xs, const double* ys, std::int32_t count,
              const char* css_class, const std::string& data = "");

// A vertical line through the plot at a value, labelled above the plot.
struct Marker {
    double at;              // its coordinate
    const char* css_class;  // the class of its line
    const char* label;      // its label
    const char* path;       // the JSON value it stands at, or null
};

// Most markers on one plot.
constexpr int max_markers = 8;

// Most rows of marker labels above a plot, and the room they take.
constexpr int marker_rows = 3;
constexpr double marker_row_height = 25.0;

// The top of a plot with markers: the rows of their labels, and the axes' titles above those.
constexpr double marked_plot_top = (marker_rows + 1) * marker_row_height + chart_font;

// The `count` (at most max_markers) markers' lines, with their labels above `area` in rows, each
// label in the first row where it keeps an em from the labels already there, centred on its line as
// far as the plot's width allows. Lines that coincide (closer than a line's width) share one
// label that names them all.
void put_markers(std::string* out, const PlotArea& area, const Marker* markers, int count);

#endif
