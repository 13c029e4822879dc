#!/usr/bin/env bash
# The Windows release zip: it holds Quorvantelmix.exe and the two players' read-mes, and each
# read-me is Shift_JIS text (code page 932) with CR LF at the end of every line, as Notepad on a
# Japanese PC expects it.
# Usage: package_test.sh ZIP
set -euo pipefail
zip=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

[[ -f "$zip" ]] || fail "no release zip $zip (build the target 'package' first)"
(cd "$work" && cmake -E tar xf "$zip") || fail "the zip cannot be read"
top="$work/$(basename "$zip" .zip)"
[[ -f "$top/Quorvantelmix.exe" ]] || fail "no Quorvantelmix.exe in the zip"
for readme in README-ja.txt README-en.txt; do
  file="$top/$readme"
  [[ -s "$file" ]] || fail "no $readme in the zip"
  lines=$(tr -cd '\n' < "$file" | wc -c)
  crlf=$(grep -c $'\r$' "$file" || true)
  ((lines > 0 && crlf == lines)) || fail "$readme: $crlf of $lines lines end in CR LF"
  [[ "$(tail -c 2 "$file" | od -An -tx1 | tr -d ' \n')" == 0d0a ]] || fail "$readme: no CR LF at its end"
  [[ "$(tr -cd '\r' < "$file" | wc -c)" == "$lines" ]] || fail "$readme: a CR outside a line end"
  iconv -f CP932 -t UTF-8 "$file" > /dev/null || fail "$readme is not code page 932"
done
# The Japanese read-me is Japanese: its first line decodes to the program's name and more.
iconv -f CP932 -t UTF-8 "$top/README-ja.txt" | grep -q 'Quorvantelmix' || fail "README-ja.txt"
echo "the zip holds the exe and two read-mes in Shift_JIS with CR LF"
