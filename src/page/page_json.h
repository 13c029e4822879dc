// page_json.h - the report page's figures as one JSON object, for a spreadsheet or a script:
// <script type="application/json" id="quorvantelmix-data">{...}</script>.
//
// The object is the page's table of figures written out: each entry's path names its place,
// objects and arrays opened and closed as the paths go. Keys are only ever added: a script
// written for an earlier page reads a later one.
#ifndef QUORVANTELMIX_PAGE_JSON_H
#define QUORVANTELMIX_PAGE_JSON_H

#include <string>

#include "page/page_figures.h"

// Appends the data element of a run with results.
void append_page_data(std::string* out, const PageFigures& figures);

// Appends the data element of a run without results: {"trials":0,"reason":`reason`}, and the
// missing `section` ("X", "Y" or "Z") where it is not null.
void append_no_results_data(std::string* out, const char* reason, const char* section);

#endif
