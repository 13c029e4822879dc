#!/usr/bin/env bash
# The report page in a real browser: headless Chromium opens Quorvantelmix.html from disk with
# no network, and the DOM it builds must hold the charts and the figures; the page is laid
# out at widths from a phone's to a wide desktop's and measured; it also takes the screenshot
# that the README shows and prints the page to an A4 PDF.
# Usage: browser_test.sh PROGRAM SCREENSHOT
set -euo pipefail
program=$1
screenshot=$2
here=$(cd "$(dirname "$0")" && pwd)
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
for id in profit-histogram slump-graph bonus-histogram shortfall odds odds-all hours-fan; do
  grep -q "<figure id=\"$id\">" "$dom" || fail "no chart $id in the DOM"
done
# The whole range of the odds is drawn only where it shows more than the close view.
charts=$(grep -o '<svg viewBox="0 0 500' "$dom" | wc -l)
((charts == 6 + $(grep -c '<figure id="odds-all">' "$dom"))) || fail "$charts SVG charts"
(($(grep -o '<rect class="bar-' "$dom" | wc -l) >= 40)) || fail "too few histogram bars"
(($(grep -o '<polygon' "$dom" | wc -l) == 4)) || fail "not the two bands of the slump graph and the hours' fan"
for figure in 平均収支 勝率 交換差損 用意する現金 機械割 最大ハマり スランプグラフ 理論値 資金不足 期待収支 \
    1時間あたり 損益分岐 前提 予算と目標 何時間打つと 途中でやめると; do
  grep -q "$figure" "$dom" || fail "no $figure"
done

# The page as laid out at phone, tablet and desktop widths, for settings that win and lose: no
# text leaves its card or chart, no chart labels overlap, chart text is 11 px or more, the page
# is never wider than the window and nothing hides behind a clip or a scroll, every legend swatch
# is the shape of its marks, every figure shown is its JSON value, and every chart reads back
# to the JSON through its own axes (page_layout.js).
measure() {
  local settings=$1 x y z spins bonuses listed
  IFS=_ read -r x y z spins bonuses listed <<< "$settings"
  mkdir -p "$work/$settings"
  # 99 is out of range; an empty Z leaves the Z section out, as a file missing a section.
  (cd "$work/$settings" &&
    printf '[\x8a\x6d\x97\xa6X]\r\n%s\r\n[100%%\x8a\x6d\x97\xa6Y]\r\n%s\r\n' "$x" "$y" \
      > Quorvantelmix.ini &&
    if [[ -n "$z" ]]; then printf '[\x8a\xb7\x8b\xe0\x97\xa6Z]\r\n%s\r\n' "$z" >> Quorvantelmix.ini; fi &&
    # A data counter's reading ([総回転数], [ボーナス回数]) and the machine's listed X
    # ([設定ごとの確率X]), where the settings name them.
    if [[ -n "$spins" ]]; then
      printf '[\x91\x8d\x89\xf1\x93\x5d\x90\x94]\r\n%s\r\n[\x83\x7b\x81\x5b\x83\x69\x83\x58\x89\xf1\x90\x94]\r\n%s\r\n' \
        "$spins" "$bonuses" >> Quorvantelmix.ini
    fi &&
    if [[ -n "$listed" ]]; then
      printf '[\x90\xdd\x92\xe8\x82\xb2\x82\xc6\x82\xcc\x8a\x6d\x97\xa6X]\r\n%s\r\n' "$listed" >> Quorvantelmix.ini
    fi &&
    { "$program" > /dev/null || [[ $settings == 99_* || -z "$z" ]]; }) || fail "no run with $settings"
  # The page with a script added (its policy, which forbids scripts, taken out), in a frame of
  # the width measured: headless Chromium makes no window narrower than 500 px, a frame can be.
  {
    sed -e '/Content-Security-Policy/d' -e '/^<\/body>$/d' -e '/^<\/html>$/d' \
      "$work/$settings/Quorvantelmix.html"
    echo '<script>'
    cat "$here/page_layout.js"
    echo '</script></body></html>'
  } | sed -e 's/&/\&amp;/g' -e 's/"/\&quot;/g' > "$work/$settings/srcdoc.txt"
  for width in 360 390 768 1280 1920; do
    {
      echo "<!DOCTYPE html><html><body style=\"margin:0\"><iframe style=\"border:0;width:${width}px;height:1500px\" srcdoc=\""
      cat "$work/$settings/srcdoc.txt"
      echo '"></iframe></body></html>'
    } > "$work/$settings/measured.html"
    # The page's geometry is fixed, so a real fault shows on every load; a load whose fonts
    # settled late is measured once more, and said so.
    for attempt in first second; do
      browser --window-size=1960,1600 --virtual-time-budget=10000 \
        --dump-dom "file://$work/$settings/measured.html" \
        > "$work/measured.html" || fail "Chromium did not load the page of $settings"
      result=$(sed -n '/<pre id="layout-result">/,/<\/pre>/p' "$work/measured.html")
      [[ "$result" == *'<pre id="layout-result">LAYOUT OK '* ]] && break
      [[ $attempt == second ]] &&
        fail "settings $settings at $width px: ${result:-the script did not run}"
      echo "settings $settings at $width px, measured again after: $result" >&2
    done
  done
}
for settings in 240_260_7 1000_120_5 100_720_10 250_260_6 260_260_7 100_120_5 240_259.5_7 \
    333_259.5_8 240_260_7_4000_14 250_250_6_7000_20_240,250,300 99_260_7 300_260_; do
  measure "$settings"
done

browser --window-size=1000,1900 --screenshot="$screenshot" "file://$page" > /dev/null ||
  fail "no screenshot"
[[ "$(head -c 8 "$screenshot" | od -An -tx1 | tr -d ' \n')" == 89504e470d0a1a0a ]] ||
  fail "the screenshot is no PNG"
(($(stat -c %s "$screenshot") > 50000)) || fail "the screenshot is nearly empty"

browser --print-to-pdf="$work/page.pdf" --no-pdf-header-footer "file://$page" > /dev/null ||
  fail "no PDF"
grep -aEq 'MediaBox \[0 0 59[45][.0-9]* 84[12][.0-9]*\]' "$work/page.pdf" || fail "the PDF is not A4"
echo "the page renders: $charts charts, the figures, $(grep -ac '/Type /Page$' "$work/page.pdf") A4 pages;"
echo "laid out at 360 to 1920 px for ten settings (two with a data counter's reading) with nothing"
echo "overlapping, clipped or out of its column"
