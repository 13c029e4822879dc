// page_exact.h - the report page's section of exact figures (理論値): what one trial yields by
// the rules computed exactly, the probability that a budget runs dry, and the mean profit at
// every setting of the odds.
#ifndef QUORVANTELMIX_PAGE_EXACT_H
#define QUORVANTELMIX_PAGE_EXACT_H

#include <string>

#include "page/page_figures.h"

// Appends the section of exact figures.
void put_exact_section(std::string* out, const PageFigures& figures);

#endif
