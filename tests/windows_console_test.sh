#!/usr/bin/env bash
# The Windows program on a console that does not use code page 932: run under Wine in a UTF-8
# terminal (script(1) gives it one), it must write its console lines through the wide console
# call, so the terminal receives readable UTF-8 and not a single Shift_JIS byte sequence.
#
#   windows_console_test.sh path/to/Quorvantelmix.exe [WINE]
set -euo pipefail
program="$1"
wine=${2:-wine}  # the Wine loader: 64-bit Wine for a 64-bit program
command -v script > /dev/null || { echo "no script(1)"; exit 1; }
directory=$(mktemp -d)
trap 'rm -rf "$directory"' EXIT
cd "$directory"
export WINEDEBUG=-all LC_ALL=C.UTF-8

# The first run writes the default settings and says so: its console line is the could-not-open
# line, here redirected to a file, so it must be the Shift_JIS bytes as they stand.
set +e
"$wine" "$program" < /dev/null > redirected.txt
status=$?
set -e
[[ $status -eq 1 ]] || { echo "first run: exit status $status, expected 1"; exit 1; }
# ファイル 'Quorvantelmix.ini' は開けませんでした。 in Shift_JIS, then CR LF
expected=$'\x83\x74\x83\x40\x83\x43\x83\x8b \x27Quorvantelmix.ini\x27 \x82\xcd\x8a\x4a\x82\xaf\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81\x42\r\n'
printf '%s' "$expected" > expected.txt
if ! cmp -s expected.txt redirected.txt; then
  echo "redirected console: not the Shift_JIS line"; od -c redirected.txt; exit 1
fi

# The second run, on a terminal: 計算中・・・・ must arrive as UTF-8.
script -qec "'$wine' '$program'" /dev/null < /dev/null > terminal.txt 2>&1
utf8=$'\xe8\xa8\x88\xe7\xae\x97\xe4\xb8\xad\xe3\x83\xbb\xe3\x83\xbb\xe3\x83\xbb\xe3\x83\xbb'
sjis=$'\x8c\x76\x8e\x5a\x92\x86'
if ! grep -q "X=240 Y=260 Z=7" terminal.txt || ! LC_ALL=C grep -q "$utf8" terminal.txt ||
   LC_ALL=C grep -q "$sjis" terminal.txt; then
  echo "terminal console: the progress line did not arrive as UTF-8"; od -c terminal.txt; exit 1
fi
[[ -s Quorvantelmix.txt ]] || { echo "the run wrote no results"; exit 1; }
echo "console lines: Shift_JIS when redirected, UTF-8 through the wide console call on a terminal"
