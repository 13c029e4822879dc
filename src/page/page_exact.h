// page_exact.h - the page's answers, computed exactly from the rules: what a day at the machine
// yields, the budget that keeps the risk of running dry to a level, and how close the machine is
// to break-even.
#ifndef QUORVANTELMIX_PAGE_EXACT_H
#define QUORVANTELMIX_PAGE_EXACT_H

#include <string>

#include "page/page_figures.h"

// Appends the answers: the exact figures of a day as cards.
void put_answers(std::string* out, const PageFigures& figures);

// Appends the charts and the table that decide a visit: the budget and the break-even.
void put_decisions(std::string* out, const PageFigures& figures);

#endif
