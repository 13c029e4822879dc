// page_plans.h - the plans a player makes beyond playing one whole day: a budget and a target,
// the hours at the machine, another hall's exchange rate, many visits.
#ifndef QUORVANTELMIX_PAGE_PLANS_H
#define QUORVANTELMIX_PAGE_PLANS_H

#include <string>

#include "page/page_figures.h"

// Appends the plans: a budget and a target for the day, the profit of leaving after some hours,
// the same machine at other halls' exchange rates, and the total over many days.
void put_plans(std::string* out, const PageFigures& figures);

#endif
