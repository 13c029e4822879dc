// page.cpp - the report page put together: its sections in the order a player reads them (the
// verdict, what the data counter says, the plans, break-even and the budget, the trials folded
// away, the assumptions), and its figures as JSON at the end.
//
// Each section has a file of its own (page_sections.h). Every number goes through decimal_text,
// so no platform's printf decides a byte. Each figure that a card or a table shows carries the
// path of its JSON value (data-json, times data-scale where that is not 1), so that a reader of
// the page, and its tests, can hold the text to the data.
#include "page/page.h"

#include <memory>

#include "page/page_figures.h"
#include "page/page_json.h"
#include "page/page_parts.h"
#include "page/page_sections.h"

std::string report_page(const SampleFigures& sample, const ExactFigures& exact,
                        const CounterReading& counter) {
    const auto figures = std::make_unique<PageFigures>();
    collect_page_figures(sample, exact, counter, figures.get());
    const PageFigures& f = *figures;
    std::string page;
    page.reserve(std::size_t{160} * 1024);
    put_style(&page);
    put_verdict(&page, f);
    put_counter(&page, f);
    put_plans(&page, f);
    put_break_even_and_budget(&page, f);
    put_trials(&page, f);
    put_assumptions(&page, f);
    append_page_data(&page, f);
    put(&page, "</body>\n</html>\n");
    return page;
}
