#!/usr/bin/env bash
# Blowden's best-model search and ranked selection side by side with an
# independent Python implementation (bench/peer: numpy.polyfit and scipy's
# brentq), and the INI reader's throughput against a memchr scan of the same
# bytes.
#
#   bench/compare.sh [BUILD_DIR]        (default: build-bench, a Release build)
#
# Generates catalogues of 10, 50 and 200 models of 30 points with 20 duties
# each, runs both searches on them, checks that they choose the same models
# and speeds (to 1e-6 relative) and prints the CPU time per search of each.
# Then parses a generated catalogue of 120 MB with blowden::TIniFile and scans
# it for line ends with memchr. Last, ranks every model of the folder of
# BM_RankAll (500 files of 20 models) for one duty with both, warm, checks
# that they rank the same models in the same order (speeds and shaft powers
# to 1e-6 relative) and prints the CPU time per ranking of each. The last
# line reads
#   peer ratio <X>x, parse <Y> MB/s = <Z>x of memchr, ranking <R>x, agreement ok
# with X measured on the 200-model catalogue. Exit code 1 when the two
# disagree (the differences are printed) or anything fails.
#
# Environment: BLOWDEN_BENCH_JOBS (build jobs, default 2),
# BLOWDEN_BENCH_ROUND_SECONDS (CPU seconds per timing round, default 0.4),
# BLOWDEN_BENCH_PARSE_MB (size of the parse catalogue, default 120).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
jobs=${BLOWDEN_BENCH_JOBS:-2}
round=${BLOWDEN_BENCH_ROUND_SECONDS:-0.4}
parse_mb=${BLOWDEN_BENCH_PARSE_MB:-120}

# shellcheck source=scripts/deps.sh
. "$root/scripts/deps.sh"
ensure_packages python3 python3-numpy python3-scipy

# Debian's numpy and scipy belong to Debian's interpreter; a python3 found
# first on PATH (a virtual environment, pyenv) may not see them.
python=/usr/bin/python3
[ -x "$python" ] || python=$(command -v python3)
if ! "$python" -c 'import numpy, scipy' 2>/dev/null; then
  echo "error: $python cannot import numpy and scipy" >&2
  exit 1
fi

if [ ! -f "$build/build.ninja" ]; then
  launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
fi
cmake --build "$build" --target blowden-compare -j "$jobs" >/dev/null
tool=$build/bench/blowden-compare
if [ ! -x "$tool" ]; then
  echo "error: $tool was not built (is Google Benchmark installed? the bench folder needs it)" >&2
  exit 1
fi

if ! selftest=$("$python" "$root/bench/peer/test_best_model.py" 2>&1); then
  echo "$selftest" >&2
  echo "error: the peer's self-test failed" >&2
  exit 1
fi
echo "Peer self-test: $(echo "$selftest" | tail -n 1)"

work=$(mktemp -d "${TMPDIR:-/tmp}/blowden-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$tool" generate "$work" 10 50 200

# One BLAS thread: the peer's matrices are tiny, and threads would only add
# their waiting to its CPU time.
export OPENBLAS_NUM_THREADS=1 OMP_NUM_THREADS=1 MKL_NUM_THREADS=1 PYTHONDONTWRITEBYTECODE=1

searches=()
for models in 10 50 200; do
  echo "Searching $models models: Blowden, then the peer"
  "$tool" search "$work/cat-$models.qfn" "$work/duties-$models.txt" "$round" >"$work/project-$models.txt"
  "$python" "$root/bench/peer/best_model.py" "$work/cat-$models.qfn" "$work/duties-$models.txt" \
    --round-seconds "$round" --rounds 3 >"$work/peer-$models.txt"
  searches+=(--search "$models" "$work/project-$models.txt" "$work/peer-$models.txt")
done

"$tool" big "$work/big.qfn" "$parse_mb"
echo "Parsing"
"$tool" parse "$work/big.qfn" 7 >"$work/parse.txt"
rm -f "$work/big.qfn"

"$tool" rankfolder "$work/rank" >/dev/null
read -r rank_flow rank_pressure <"$work/rank/duty.txt"
echo "Ranking $rank_flow m³/s at $rank_pressure Pa over 500 files: Blowden, then the peer"
"$tool" rank "$work/rank/files.txt" "$rank_flow" "$rank_pressure" "$round" >"$work/project-rank.txt"
"$python" "$root/bench/peer/rank_all.py" "$work/rank/files.txt" "$rank_flow" "$rank_pressure" \
  --round-seconds "$round" --rounds 3 >"$work/peer-rank.txt"

"$python" "$root/bench/peer/summarize.py" "${searches[@]}" --parse "$work/parse.txt" \
  --rank "$work/project-rank.txt" "$work/peer-rank.txt"
