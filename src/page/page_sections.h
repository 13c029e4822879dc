// page_sections.h - the sections of the report page, one file each, in the order the page reads:
// the verdict (page_verdict.cpp), the data counter (page_counter.cpp), the plans (page_plans.cpp),
// break-even and the budget (page_budget.cpp), the run's trials (page_trials.cpp) and the
// assumptions (page_assumptions.cpp). The style sheet is page_style.cpp's; page.cpp puts them
// together.
#ifndef QUORVANTELMIX_PAGE_SECTIONS_H
#define QUORVANTELMIX_PAGE_SECTIONS_H

#include <string>

#include "page/page_figures.h"

// The page's head and style sheet, up to the opening of its body.
void put_style(std::string* out);

// The title, the settings, and the verdict: whether the machine pays at this hall, the four
// figures that decide a visit, and what leaving early brings.
void put_verdict(std::string* out, const PageFigures& figures);

// What the data counter's reading says of the machine: the odds it points to, the chance the
// machine beats break-even, and a day's figures averaged over them; or how to add a reading.
void put_counter(std::string* out, const PageFigures& figures);

// The plans a player makes: a budget and a target, the hours at the machine, other halls and
// many days.
void put_plans(std::string* out, const PageFigures& figures);

// Break-even (the odds near the player's X, and over the whole range) and the budget that keeps
// the risk of running dry to a level.
void put_break_even_and_budget(std::string* out, const PageFigures& figures);

// The run's 1000 trials, folded away: how they agree with the exact values, the figures only
// they give, the spread and the charts.
void put_trials(std::string* out, const PageFigures& figures);

// The rules that every figure of the page assumes, and the footer.
void put_assumptions(std::string* out, const PageFigures& figures);

#endif
