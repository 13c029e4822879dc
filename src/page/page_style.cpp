// page_style.cpp - the report page's head and style sheet: screen, phone-sized windows and A4
// print.
//
// This unit's literals are UTF-8, the page's encoding.
#include <cstdint>
#include <string>

#include "page/chart.h"
#include "page/decimal_text.h"
#include "page/page_parts.h"
#include "page/page_sections.h"

namespace {

// The page's head up to its style sheet: the character set first, and a policy that lets
// nothing load or run.
const char page_head[] = R"(<!DOCTYPE html>
<html lang="ja">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Quorvantelmix 収支レポート</title>
<style>
)";

// The style sheet: screen, phone-sized windows and A4 print. The colours are Okabe and Ito's,
// which readers with any colour vision tell apart, and the lines differ by dash as well. The
// charts' font size follows, written from chart_font.
const char page_style[] = R"(:root { --ink: #1d2733; --muted: #5b6675; --line: #d5dbe3;
  --loss: #d55e00; --win: #0072b2; --loss-text: #a84a00; --win-text: #005a8c; }
* { box-sizing: border-box; }
body { margin: 0 auto; max-width: 1000px; padding: 16px; color: var(--ink); background: #fff;
  font: 15px/1.6 "Hiragino Kaku Gothic ProN", "Yu Gothic", Meiryo, "Noto Sans CJK JP", sans-serif; }
h1 { font-size: 1.5em; margin: 0.2em 0; }
h2 { font-size: 1.15em; margin: 1.6em 0 0.4em; border-bottom: 2px solid var(--line); }
p { margin: 0.4em 0; }
.lead { color: var(--muted); }
.settings { display: flex; flex-wrap: wrap; gap: 4px 18px; margin: 8px 0; padding: 0; list-style: none; }
.cards { display: grid; grid-template-columns: minmax(0, 1fr); gap: 10px; }
@media (min-width: 480px) { .cards { grid-template-columns: repeat(2, minmax(0, 1fr)); } }
.figures { display: grid; grid-template-columns: repeat(2, minmax(0, 1fr)); gap: 8px; margin: 8px 0; }
@media (min-width: 900px) { .figures { grid-template-columns: repeat(4, minmax(0, 1fr)); } }
.figures .card { padding: 6px 10px; }
.figures .value { font-size: 1.3em; }
.verdict { font-size: 1.1em; font-weight: bold; margin: 10px 0 4px; padding: 6px 12px;
  border-left: 6px solid var(--line); background: #f4f6f8; }
.verdict.win { border-color: var(--win); background: #eaf3fa; }
.verdict.loss { border-color: var(--loss); background: #fff1e8; }
.hours-line { margin: 6px 0; }
.card { border: 1px solid var(--line); border-radius: 8px; padding: 10px 12px; break-inside: avoid; min-width: 0; }
.card h3 { font-size: 0.9em; margin: 0; color: var(--muted); font-weight: normal; overflow-wrap: anywhere; }
.card .value { font-size: 1.45em; font-weight: bold; margin: 2px 0; overflow-wrap: anywhere; }
.card p { font-size: 0.85em; color: var(--muted); overflow-wrap: anywhere; }
.nb { white-space: nowrap; }
.loss { color: var(--loss-text); } .win { color: var(--win-text); }
tr.mine td { font-weight: bold; }
.plan-grid { font-size: 0.85em; margin: 4px 0; }
.plan-grid caption, table.compact caption { text-align: left; font-weight: bold; }
.plan-grid th, .plan-grid td { padding: 3px 4px; text-align: right; }
.plan-grid td.best { font-weight: bold; outline: 3px solid #000; outline-offset: -3px; }
.plan-grid td { color: var(--ink); }
table.compact { font-size: 0.9em; }
table.compact th, table.compact td { padding: 4px 3px; }
table { border-collapse: collapse; width: 100%; font-variant-numeric: tabular-nums; }
th, td { border-bottom: 1px solid var(--line); padding: 4px 6px; text-align: right; white-space: nowrap; }
th:first-child, td:first-child { text-align: left; }
h3 { font-size: 1em; margin: 1em 0 0.3em; }
.note { font-size: 0.85em; color: var(--muted); }
.warning { border-left: 4px solid var(--loss); padding: 4px 10px; background: #fff4ec; }
.assumptions { padding-left: 1.2em; }
.charts, .pairs { display: grid; grid-template-columns: repeat(auto-fit, minmax(min(100%, 340px), 1fr)); gap: 8px 20px; }
.pairs { grid-template-columns: repeat(auto-fit, minmax(min(100%, 440px), 1fr)); }
.charts div, .pairs div { min-width: 0; }
/* A lone last item spans the row (grid-column moves grid items alone, not their contents). */
.charts :last-child:nth-child(odd), .pairs :last-child:nth-child(odd),
  .cards :last-child:nth-child(odd) { grid-column: 1 / -1; }
details.trials { margin: 1.6em 0 0; }
details.trials summary { font-size: 1.15em; font-weight: bold; cursor: pointer;
  border-bottom: 2px solid var(--line); }
figure { margin: 12px 0; break-inside: avoid; min-width: 0; }
figcaption { font-weight: bold; }
svg { width: 100%; height: auto; display: block; }
svg text { fill: var(--ink); paint-order: stroke; stroke: #fff; stroke-width: 3px; stroke-linejoin: round; }
.grid { stroke: #e6eaef; } .axis { stroke: #8a95a3; }
.bar-loss { fill: var(--loss); } .bar-win { fill: var(--win); } .bar-count { fill: #56b4e9; }
.mark-zero { stroke: #000; stroke-width: 2; }
.mark-mean { stroke: #e69f00; stroke-width: 3; stroke-dasharray: 8 4; }
.mark-median { stroke: #000; stroke-width: 2.5; stroke-dasharray: 2 3; }
.band-outer { fill: #e4e7eb; } .band-inner { fill: #b9c0c9; }
.line-median, .line-best, .line-worst, .line-median-trial, .line-theory, .line-exact,
  .line-mean-profit, .line-win { fill: none; }
.line-mean-profit { stroke: #000; stroke-width: 3; }
.line-mean { fill: none; stroke: #e69f00; stroke-width: 3; stroke-dasharray: 8 4; }
.line-win { stroke: var(--win); stroke-width: 2.5; stroke-dasharray: 7 3; }
.mark-player { stroke: #e69f00; stroke-width: 3; stroke-dasharray: 8 4; }
.mark-break-even { stroke: var(--loss); stroke-width: 2.5; }
.mark-break-even-equal { stroke: #009e73; stroke-width: 2.5; stroke-dasharray: 2 3; }
.line-median { stroke: #000; stroke-width: 3; }
.line-best { stroke: var(--win); stroke-width: 2; }
.line-worst { stroke: var(--loss); stroke-width: 2; stroke-dasharray: 9 4; }
.line-median-trial { stroke: #cc79a7; stroke-width: 2.5; stroke-dasharray: 2 3; }
.line-theory { stroke: #000; stroke-width: 2; stroke-dasharray: 5 3; } .dot-theory { fill: #000; }
.line-exact { fill: none; stroke: #5b3a00; stroke-width: 1.5; stroke-dasharray: 1 3; }
.dot-simulated { fill: #e69f00; }
.swatch .mark-median, .swatch .mark-mean, .swatch .mark-zero, .swatch .mark-player,
  .swatch .mark-break-even, .swatch .mark-break-even-equal { stroke-width: 3; }
.legend { font-size: 0.85em; color: var(--muted); margin: 4px 0 0; }
.key { display: inline-block; white-space: nowrap; margin-right: 12px; }
.swatch { display: inline-block; width: 24px; height: 12px; margin-right: 4px; vertical-align: -1px; }
.swatch line { stroke-width: 2.5; }
footer { margin-top: 2em; font-size: 0.8em; color: var(--muted); }
@media (max-width: 600px) { body { padding: 8px; font-size: 14px; } th, td { padding: 4px 3px; }
  .plan-grid { font-size: 0.8em; } .plan-grid th, .plan-grid td { padding: 3px 2px; } }
@page { size: A4; margin: 12mm; }
@media print { body { max-width: none; padding: 0; font-size: 11px; } h2 { break-after: avoid; } }
)";

}  // namespace

void put_style(std::string* out) {
    put(out, page_head);
    put(out, page_style);
    put(out, "svg { font-size: ");
    append_integer(out, static_cast<std::int64_t>(chart_font));
    put(out, "px; }\n</style>\n</head>\n<body>\n");
}
