#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 60).
# Seeds: the sample catalogues and the hand-made seeds in fuzz/seeds/; new
# inputs found are kept in build-fuzz/corpus/<target>/ between runs
# (BLOWDEN_FUZZ_BUILD_DIR names another build folder).
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
  case "$name" in
    fuzz_ini|fuzz_fan) cp -n data/samples/*.qfn "$corpus"/ 2>/dev/null || true ;;
    fuzz_format) cp -n fuzz/seeds/format/* "$corpus"/ ;;
    fuzz_fmttext) cp -n fuzz/seeds/fmttext/* "$corpus"/ ;;
  esac
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
