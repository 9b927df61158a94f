#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 60).
# Seeds: fuzz/seeds/<name>/ for the target fuzz_<name> (the sample catalogues
# and a few hand-made edge files, so a short run starts from interesting
# input); new inputs found are kept in build-fuzz/corpus/<target>/ between
# runs (BLOWDEN_FUZZ_BUILD_DIR names another build folder).
# Regressions: every input once found to crash, hang or leak is kept in
# fuzz/regressions/<name>/ and run first, each once; copy a new finding
# there when its fault is mended.
# Usage: fuzz/run.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="${BLOWDEN_FUZZ_BUILD_DIR:-build-fuzz}"
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz/run.sh: clang++ is not installed; nothing to do" >&2
  exit 1
fi
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DBLOWDEN_BUILD_FUZZ=ON -DBLOWDEN_WITH_QT=OFF \
  -DBLOWDEN_BUILD_TESTS=OFF -DBLOWDEN_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
targets=$(ninja -C "$build" -t targets all | grep -oE '^fuzz_[a-z]+:' | tr -d ':' | sort -u)
# shellcheck disable=SC2086
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target $targets

status=0
for exe in "$build"/fuzz/fuzz_*; do
  name=$(basename "$exe")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  short="${name#fuzz_}"
  if [ -d "fuzz/seeds/$short" ]; then cp -n "fuzz/seeds/$short"/* "$corpus"/; fi
  regressions=()
  if [ -d "fuzz/regressions/$short" ]; then
    mapfile -t regressions < <(find "fuzz/regressions/$short" -type f ! -name '.keep' | sort)
  fi
  if [ ${#regressions[@]} -gt 0 ]; then
    echo "== $name: ${#regressions[@]} regression input(s) =="
    if ! "$exe" -timeout=10 -rss_limit_mb=2048 "${regressions[@]}" >"$build/$name-regressions.log" 2>&1; then
      echo "$name: A REGRESSION INPUT FAILS AGAIN (see $build/$name-regressions.log)" >&2
      tail -30 "$build/$name-regressions.log" >&2
      status=1
    fi
  fi
  echo "== $name for ${seconds}s =="
  # Findings land in build-fuzz/findings/; a crash, leak or timeout fails the run.
  mkdir -p "$build/findings"
  if ! "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
      -artifact_prefix="$build/findings/$name-" -print_final_stats=1 "$corpus" 2>"$build/$name.log"; then
    echo "$name: FOUND A PROBLEM (see $build/$name.log and $build/findings/)" >&2
    tail -30 "$build/$name.log" >&2
    status=1
  fi
  grep -E 'stat::number_of_executed_units' "$build/$name.log" || true
done
exit $status
