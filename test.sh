#!/usr/bin/env bash
# Installs what is missing, builds, and runs everything CI checks, in order:
#   the format check (.clang-format), the normal build with -Werror and its
#   tests, clang-tidy (.clang-tidy) over src/, the build without Qt and its
#   tests, the build under AddressSanitizer and UndefinedBehaviorSanitizer and
#   its tests, and a short fuzzing smoke run of every fuzz target.
# With CI=true every check must pass; for a developer a format mismatch is
# reported and the run goes on.
#
# Environment:
#   BLOWDEN_BUILD_DIR=build     build folder; the others are <it>-core, -asan, -fuzz
#   BLOWDEN_WERROR=ON           OFF builds without -Werror
#   BLOWDEN_TIDY=all            all: every file of src/ (a file whose input is
#                               unchanged since a clean check here is not checked
#                               again); changed: only the files changed since the
#                               previous commit; off: none
#   BLOWDEN_SKIP_SANITIZERS=1   skips the sanitizer build
#   BLOWDEN_SKIP_CORE=1         skips the build without Qt
#   BLOWDEN_SKIP_FUZZ=1         skips the fuzzing smoke run
#   BLOWDEN_FUZZ_SECONDS=20     seconds of fuzzing per target
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
# shellcheck disable=SC2086
ensure_packages $BLOWDEN_BUILD_PACKAGES $BLOWDEN_FONT_PACKAGES $BLOWDEN_CHECK_PACKAGES
# The locale tests switch to a decimal-comma locale and fail without one.
ensure_locale de_DE.UTF-8

ci=false
[ "${CI:-}" = "true" ] && ci=true
build="${BLOWDEN_BUILD_DIR:-build}"
werror="${BLOWDEN_WERROR:-ON}"
tidy="${BLOWDEN_TIDY:-all}"
jobs=$(nproc 2>/dev/null || echo 2)
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # A fresh clone in another folder (as CI makes) reuses the cache.
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
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

step "Format check (.clang-format)"
if ! scripts/check-format.sh; then
  if $ci; then exit 1; fi
  echo "(not fatal outside CI: fix before committing)"
fi

step "Build (RelWithDebInfo, -Werror $werror)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBLOWDEN_WERROR="$werror" "${launcher[@]}"
cmake --build "$build" -j "$jobs"
step "Tests"
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 300

if [ "$tidy" != "off" ]; then
  step "clang-tidy ($tidy)"
  if [ "$tidy" = "changed" ]; then
    scripts/run-clang-tidy.py "$build" --changed
  else
    scripts/run-clang-tidy.py "$build"
  fi
fi

if [ "${BLOWDEN_SKIP_CORE:-0}" != "1" ]; then
  step "Build without Qt (core, blowden-cli, core tests)"
  cmake -S . -B "$build-core" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBLOWDEN_WITH_QT=OFF \
    -DBLOWDEN_BUILD_BENCH=OFF -DBLOWDEN_WERROR="$werror" "${launcher[@]}"
  cmake --build "$build-core" -j "$jobs"
  step "Tests without Qt"
  ctest --test-dir "$build-core" --output-on-failure -j "$jobs" --timeout 300
fi

if [ "${BLOWDEN_SKIP_SANITIZERS:-0}" != "1" ]; then
  step "Build with AddressSanitizer and UndefinedBehaviorSanitizer"
  cmake -S . -B "$build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBLOWDEN_SANITIZE=ON \
    -DBLOWDEN_BUILD_BENCH=OFF -DBLOWDEN_WERROR="$werror" "${launcher[@]}"
  cmake --build "$build-asan" -j "$jobs"
  step "Tests under the sanitizers"
  ASAN_OPTIONS=detect_leaks=1 ctest --test-dir "$build-asan" --output-on-failure -j "$jobs" --timeout 600
fi

# A short fuzzing smoke run of every target, when clang's fuzzer runtime is here.
if [ "${BLOWDEN_SKIP_FUZZ:-0}" != "1" ]; then
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

echo "== Times =="
printf '%s\n' "${timings[@]}"
printf '%5ds  total\n' "$SECONDS"
echo "All tests passed."
