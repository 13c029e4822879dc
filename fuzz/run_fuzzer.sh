#!/usr/bin/env bash
# Fuzzes the settings reader with AFL++ for a given time.
#
#   fuzz/run_fuzzer.sh [seconds] [output directory]    (defaults: 1800 s, build-fuzz/findings)
#
# Builds the fuzz target with afl-g++-fast and AddressSanitizer/UndefinedBehaviorSanitizer, runs
# afl-fuzz on the seed corpus in fuzz/corpus for the given time, prints the executions, the paths
# found and the crashes, and minimises every crash into fuzz/regressions/, where the corpus
# replay test picks it up. Exits non-zero when the fuzzer found a crash. Needs Debian's afl++.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-1800}"
out="${2:-build-fuzz/findings}"
mkdir -p build-fuzz

# The sources of the folders the fuzz target uses (the settings file and what lies below it, the
# simulation whose lanes it plays, and the data counter's posterior), with the fuzz target and
# AFL++'s driver. The texts are
# compiled on their own, as in the build: only their literals are stored as Shift_JIS.
sources=()
while IFS= read -r source; do
  [[ "$source" == src/platform/texts.cpp ]] || sources+=("$source")
done < <(git ls-files 'src/rules/*.cpp' 'src/platform/*.cpp' 'src/settings_file/*.cpp' \
           'src/simulation/*.cpp' 'src/exact/counter.cpp')
# shellcheck disable=SC2054 # the commas separate the sanitizers of one flag
flags=(-std=c++17 -O2 -g -fsanitize=address,undefined -fno-sanitize-recover=all
       -D_GLIBCXX_ASSERTIONS -ffp-contract=off -fno-math-errno -Isrc)
text_flags=(-finput-charset=UTF-8 -fexec-charset=CP932)
# Debian's afl++ GCC pass may refuse a newer package build of the same GCC; then a stand-in pass
# (fuzz/gcc_pass_shim.c) loads it with the configure line it was built with.
printf 'int main() { return 0; }\n' > build-fuzz/probe.cpp
if ! AFL_QUIET=1 afl-g++-fast build-fuzz/probe.cpp -o build-fuzz/probe > build-fuzz/probe.log 2>&1; then
  if ! grep -q 'incompatible versions' build-fuzz/probe.log; then
    cat build-fuzz/probe.log >&2
    exit 2
  fi
  afl_lib=/usr/lib/afl
  rm -rf build-fuzz/afl-path && mkdir -p build-fuzz/afl-path
  for file in "$afl_lib"/*; do ln -s "$file" build-fuzz/afl-path/; done
  rm build-fuzz/afl-path/afl-gcc-pass.so
  configuration=$(strings "$afl_lib/afl-gcc-pass.so" | grep -m1 '^\.\./src/configure')
  printf 'static const char pass_path[] = "%s";\nstatic const char pass_configuration[] = "%s";\n' \
    "$afl_lib/afl-gcc-pass.so" "$configuration" > build-fuzz/gcc_pass_configuration.h
  gcc -shared -fPIC -O2 -Ibuild-fuzz fuzz/gcc_pass_shim.c -o build-fuzz/afl-path/afl-gcc-pass.so -ldl
  export AFL_PATH="$PWD/build-fuzz/afl-path"
  AFL_QUIET=1 afl-g++-fast build-fuzz/probe.cpp -o build-fuzz/probe
fi

AFL_QUIET=1 afl-g++-fast "${flags[@]}" "${text_flags[@]}" -c src/platform/texts.cpp -o build-fuzz/texts.o
AFL_QUIET=1 afl-g++-fast "${flags[@]}" "${sources[@]}" build-fuzz/texts.o fuzz/settings_target.cpp \
  -fsanitize=fuzzer -o build-fuzz/settings_fuzz

rm -rf "$out"
# ASan reserves terabytes of address space, so afl-fuzz must not limit memory (-m none); the
# sanitizers abort on a finding so that afl-fuzz sees a crash.
export AFL_SKIP_CPUFREQ=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1 AFL_NO_UI=1
export ASAN_OPTIONS=abort_on_error=1:symbolize=0:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1
timeout --preserve-status $((seconds + 60)) \
  afl-fuzz -i fuzz/corpus -o "$out" -x fuzz/settings.dict -m none -t 1000 -V "$seconds" \
  -- build-fuzz/settings_fuzz > build-fuzz/afl.log 2>&1 || true

stats="$out/default/fuzzer_stats"
if [[ ! -f "$stats" ]]; then
  echo "afl-fuzz did not start; see build-fuzz/afl.log" >&2
  exit 2
fi
grep -E '^(run_time|execs_done|execs_per_sec|corpus_count|corpus_found|edges_found|total_edges|saved_crashes|saved_hangs) ' "$stats"

crashes=("$out"/default/crashes/id:*)
if [[ -e "${crashes[0]}" ]]; then
  for crash in "${crashes[@]}"; do
    name="fuzz/regressions/crash-$(sha1sum "$crash" | cut -c1-12)"
    afl-tmin -i "$crash" -o "$name" -m none -- build-fuzz/settings_fuzz > /dev/null 2>&1 ||
      cp "$crash" "$name"
    echo "crash minimised into $name"
  done
  exit 1
fi
