#!/usr/bin/env bash
# The report page in a real browser: headless Chromium opens Quorvantelmix.html from disk with
# no network, and the DOM it builds must hold the three charts and the figures; it also takes
# the screenshot that the README shows and prints the page to an A4 PDF.
# Usage: browser_test.sh PROGRAM SCREENSHOT
set -euo pipefail
program=$1
screenshot=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cd "$work"
"$program" > /dev/null || true  # the first run writes the default settings file
"$program" > /dev/null
page="$work/Quorvantelmix.html"

# No network at all where a network namespace of its own can be had (as root); the page's
# policy forbids every load in any case.
isolate=()
if unshare --net true 2> /dev/null; then isolate=(unshare --net); fi
browser() {
  "${isolate[@]}" chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --hide-scrollbars "$@" 2> "$work/browser.log"
}

fail() { echo "FAIL: $*" >&2; exit 1; }

browser --dump-dom "file://$page" > "$work/dom.html" || fail "Chromium did not load the page"
dom="$work/dom.html"
for id in profit-histogram slump-graph bonus-histogram; do
  grep -q "<figure id=\"$id\">" "$dom" || fail "no chart $id in the DOM"
done
(($(grep -o '<svg' "$dom" | wc -l) == 3)) || fail "not three SVG charts"
(($(grep -o '<rect' "$dom" | wc -l) >= 40)) || fail "too few histogram bars"
(($(grep -o '<polygon' "$dom" | wc -l) == 2)) || fail "not the two bands of the slump graph"

# The figures in the text agree with the page's data: the win rate from the wins.
wins=$(grep -o '"wins":[0-9]*' "$dom" | cut -d: -f2)
[[ -n "$wins" ]] || fail "no data in the DOM"
rate="$((wins / 10)).$((wins % 10)) %"
grep -q "<div class=\"value\">$rate</div>" "$dom" || fail "win rate $rate not shown"
for figure in 平均収支 勝率 用意する現金 機械割 最大ハマり スランプグラフ; do
  grep -q "$figure" "$dom" || fail "no $figure"
done

browser --window-size=1000,2700 --screenshot="$screenshot" "file://$page" > /dev/null ||
  fail "no screenshot"
[[ "$(head -c 8 "$screenshot" | od -An -tx1 | tr -d ' \n')" == 89504e470d0a1a0a ]] ||
  fail "the screenshot is no PNG"
(($(stat -c %s "$screenshot") > 50000)) || fail "the screenshot is nearly empty"

browser --print-to-pdf="$work/page.pdf" --no-pdf-header-footer "file://$page" > /dev/null ||
  fail "no PDF"
grep -aEq 'MediaBox \[0 0 59[45][.0-9]* 84[12][.0-9]*\]' "$work/page.pdf" || fail "the PDF is not A4"
echo "the page renders: three charts, the figures, $(grep -ac '/Type /Page$' "$work/page.pdf") A4 pages"
