// page_parts.h - the small pieces of the report page's HTML that its sections share: amounts
// and percentages as text, figures tied to their JSON values, and summary cards.
#ifndef QUORVANTELMIX_PAGE_PARTS_H
#define QUORVANTELMIX_PAGE_PARTS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "page/page_figures.h"

// Appends a literal.
void put(std::string* out, const char* text);

// An amount with separators and `unit`: "28,000円", "2,345回転"; with `sign`, "+" before a
// positive amount.
std::string amount(std::int64_t value, const char* unit, bool sign = false);

// Millionths of a fraction as a percentage with `decimals` (1 or 2), rounded half up: 1006712
// and 2 make "100.67%".
std::string percent_of_millionths(std::int64_t millionths, int decimals);

// Wins of the 1000 trials as a percentage with one decimal: 423 is "42.3%".
std::string percent_of_trials(std::int64_t wins);

// A probability as a percentage with `decimals`, rounded half away from zero: "58.5%".
std::string percent_of(double probability, int decimals);

// `value` with `decimals` decimals, rounded correctly: "7208.9".
std::string decimals_of(double value, int decimals);

// Yen rounded to the nearest yen, halves away from zero, with separators and, with `sign`, "+".
std::string yen_of(double yen, bool sign);

// The cells of the list of rows `id`, row after row.
const std::vector<FigureValue>& cells_of(const PageFigures& f, FigureId id);

// ` data-json="path"` and the other attributes `rest` that say how a mark draws it.
std::string drawn_from(const char* path, const char* rest);

// `text` as the figure `id` of the page's table: tied to its JSON path (data-json), and to its
// scale (data-scale) where the text shows the value times a scale.
std::string figure(FigureId id, const std::string& text);

// `text` as the cell in `row` and `column` of the list of rows `id`.
std::string figure_cell(FigureId id, std::size_t row, std::size_t column, const std::string& text);

// The same showing the value times `scale` rather than the column's own scale.
std::string figure_cell_scaled(FigureId id, std::size_t row, std::size_t column,
                               const std::string& text, const char* scale);

// "3万円" for a budget or a target of whole ten thousands, or `none` for no limit.
std::string limit_text(std::int64_t yen, const char* none);

// A target: "+2万円", or "なし" for none.
std::string target_text(std::int64_t yen);

// A budget and a target in words: "予算3万円・目標+2万円", "予算なし・目標なし".
std::string plan_words(std::int64_t budget, std::int64_t target);

// The class that colours a profit: a win blue, a loss vermillion, break-even none.
const char* profit_class(std::int64_t yen);

// A card of the summary: its heading, its figure (in the class `value_class`) and its note.
void put_card(std::string* out, const char* heading, const std::string& value,
              const std::string& note, const char* value_class = "");

#endif
