#!/usr/bin/env bash
# Installs what is missing, builds and tests. Two lanes:
#
#   ./test.sh          the fast lane, for every edit: the format check
#                      (.clang-format), the normal build with -Werror and every
#                      one of its tests, clang-tidy (.clang-tidy) on the files
#                      changed since the branch point (or since the previous
#                      commit), and the core's tests (no Qt) under
#                      AddressSanitizer and UndefinedBehaviorSanitizer.
#   ./test.sh --full   everything CI checks: the format check, the normal build
#                      and its tests, clang-tidy over all of src/, the build
#                      without Qt and its tests, the whole suite under the
#                      sanitizers, and a short fuzzing smoke run of every
#                      fuzz target.
#
# At the end: each step's time and the ten slowest tests. With CI=true every
# check must pass, and a test that skips must be on tests/allowed-skips.txt;
# for a developer a format mismatch is reported and the run goes on.
#
# Environment:
#   BLOWDEN_BUILD_DIR=build     build folder; the others are <it>-core,
#                               -asan-core (fast lane), -asan (full), -fuzz
#   BLOWDEN_WERROR=ON           OFF builds without -Werror
#   BLOWDEN_TIDY=               all | changed | off; default: changed in the
#                               fast lane, all in the full one (a file whose
#                               input is unchanged since a clean check here is
#                               not checked again)
#   BLOWDEN_SKIP_SANITIZERS=1   skips the sanitizer build
#   BLOWDEN_SKIP_CORE=1         skips the build without Qt (full lane)
#   BLOWDEN_SKIP_FUZZ=1         skips the fuzzing smoke run (full lane)
#   BLOWDEN_FUZZ_SECONDS=20     seconds of fuzzing per target
set -euo pipefail
cd "$(dirname "$0")"

full=false
for arg in "$@"; do
  case "$arg" in
    --full) full=true ;;
    -h | --help)
      sed -n '2,/^set -euo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'
      exit 0
      ;;
    *)
      echo "test.sh: unknown option '$arg' (try --help)" >&2
      exit 2
      ;;
  esac
done

. scripts/deps.sh
# shellcheck disable=SC2086
ensure_packages $BLOWDEN_BUILD_PACKAGES $BLOWDEN_FONT_PACKAGES $BLOWDEN_CHECK_PACKAGES
# The locale tests switch to a decimal-comma locale and fail without one.
ensure_locale de_DE.UTF-8

ci=false
[ "${CI:-}" = "true" ] && ci=true
build="${BLOWDEN_BUILD_DIR:-build}"
werror="${BLOWDEN_WERROR:-ON}"
if $full; then tidy="${BLOWDEN_TIDY:-all}"; else tidy="${BLOWDEN_TIDY:-changed}"; fi
jobs=$(nproc 2>/dev/null || echo 2)
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # A fresh clone in another folder (as CI makes) reuses the cache; the
  # sloppiness lets it cache the translation units built on a precompiled
  # header (the header's own build is checked by the compiler's -Winvalid-pch).
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
  export CCACHE_SLOPPINESS="pch_defines,time_macros,include_file_mtime,include_file_ctime"
fi

# GUI tests run offscreen; Qt wants a private runtime folder when run as root.
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"

# Each step's time, printed at the end.
timings=()
step_name=""
step_start=0
step_end() {
  if [ -n "$step_name" ]; then
    timings+=("$(printf '%5ds  %s' $((SECONDS - step_start)) "$step_name")")
  fi
  step_name=""
}
step() {
  step_end
  step_name="$1"
  step_start=$SECONDS
  echo "== $1 =="
}

# Every test's time, gathered over the runs, for the ten slowest at the end.
test_times=$(mktemp)
trap 'rm -f "$test_times"' EXIT

# run_tests BUILD_DIR LABEL [ctest options...]
# Runs a build's tests, keeps their times, and in CI fails on a skip that is
# not on tests/allowed-skips.txt (a test that quietly skips tests nothing).
run_tests() {
  local dir="$1" label="$2"
  shift 2
  local log
  log=$(mktemp)
  local status=0
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "$@" 2>&1 | tee "$log" || status=1
  # "  12/345 Test  #12: Suite.Name .....   Passed    1.23 sec"
  local suffix=""
  [ -n "$label" ] && suffix=" ($label)"
  sed -nE 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+) .* ([0-9.]+) sec$/\2 \1/p' "$log" |
    sed "s/\$/$suffix/" >>"$test_times"
  if ! scripts/check-skips.py "$log" tests/allowed-skips.txt "$ci"; then
    status=1
  fi
  rm -f "$log"
  return $status
}

step "Format check (.clang-format)"
if ! scripts/check-format.sh; then
  if $ci; then exit 1; fi
  echo "(not fatal outside CI: fix before committing)"
fi

step "Build (RelWithDebInfo, -Werror $werror)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBLOWDEN_WERROR="$werror" "${launcher[@]}"
cmake --build "$build" -j "$jobs"
step "Tests"
run_tests "$build" "" --timeout 300

if [ "$tidy" != "off" ]; then
  step "clang-tidy ($tidy)"
  if [ "$tidy" = "changed" ]; then
    # The branch point with the branch this one follows, when there is one
    # and it is behind; else the previous commit. Uncommitted changes count.
    base=HEAD~1
    if upstream=$(git rev-parse --abbrev-ref --symbolic-full-name '@{upstream}' 2>/dev/null); then
      point=$(git merge-base HEAD "$upstream" 2>/dev/null || true)
      if [ -n "$point" ] && [ "$point" != "$(git rev-parse HEAD)" ]; then base="$point"; fi
    fi
    scripts/run-clang-tidy.py "$build" --changed "$base"
  else
    scripts/run-clang-tidy.py "$build"
  fi
fi

if $full && [ "${BLOWDEN_SKIP_CORE:-0}" != "1" ]; then
  step "Build without Qt (core, blowden-cli, core tests)"
  cmake -S . -B "$build-core" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBLOWDEN_WITH_QT=OFF \
    -DBLOWDEN_BUILD_BENCH=OFF -DBLOWDEN_WERROR="$werror" "${launcher[@]}"
  cmake --build "$build-core" -j "$jobs"
  step "Tests without Qt"
  run_tests "$build-core" "no Qt" --timeout 300
fi

if [ "${BLOWDEN_SKIP_SANITIZERS:-0}" != "1" ]; then
  if $full; then
    asan="$build-asan"
    qt=ON
    what="the whole suite"
  else
    # The core and the command line without Qt: the code where memory faults
    # hide, at a third of the whole build's cost.
    asan="$build-asan-core"
    qt=OFF
    what="the core's tests"
  fi
  step "Build with AddressSanitizer and UndefinedBehaviorSanitizer ($what)"
  cmake -S . -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBLOWDEN_SANITIZE=ON -DBLOWDEN_WITH_QT=$qt \
    -DBLOWDEN_BUILD_BENCH=OFF -DBLOWDEN_WERROR="$werror" "${launcher[@]}"
  cmake --build "$asan" -j "$jobs"
  step "Tests under the sanitizers ($what)"
  ASAN_OPTIONS=detect_leaks=1 run_tests "$asan" "sanitizers" --timeout 600
fi

# A short fuzzing smoke run of every target, when clang's fuzzer runtime is here.
if $full && [ "${BLOWDEN_SKIP_FUZZ:-0}" != "1" ]; then
  if command -v clang++ >/dev/null 2>&1 &&
    echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer -o /dev/null - >/dev/null 2>&1; then
    step "Fuzzing smoke run"
    BLOWDEN_FUZZ_BUILD_DIR="$build-fuzz" fuzz/run.sh "${BLOWDEN_FUZZ_SECONDS:-20}"
  elif $ci; then
    echo "error: clang's libFuzzer runtime is missing, the fuzzing smoke run cannot run" >&2
    exit 1
  fi
fi
step_end

echo "== The ten slowest tests =="
# awk takes every line (head would close the pipe on sort: SIGPIPE under pipefail).
sort -rn "$test_times" | awk 'NR <= 10 { printf "%8.2fs  %s\n", $1, substr($0, index($0, $2)) }'
echo "== Times ($($full && echo full || echo fast) lane) =="
printf '%s\n' "${timings[@]}"
printf '%5ds  total\n' "$SECONDS"
echo "All tests passed."
