#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: once in a
# normal build and once under AddressSanitizer and UndefinedBehaviorSanitizer.
# Set BLOWDEN_SKIP_SANITIZERS=1 to run the normal build only.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
ensure_packages $BLOWDEN_BUILD_PACKAGES $BLOWDEN_FONT_PACKAGES ccache

jobs=$(nproc 2>/dev/null || echo 2)
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

# GUI tests run offscreen; Qt wants a private runtime folder when run as root.
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"

echo "== Build (RelWithDebInfo) =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
cmake --build build -j "$jobs"
echo "== Tests =="
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300

if [ "${BLOWDEN_SKIP_SANITIZERS:-0}" != "1" ]; then
  echo "== Build with AddressSanitizer and UndefinedBehaviorSanitizer =="
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBLOWDEN_SANITIZE=ON \
    -DBLOWDEN_BUILD_BENCH=OFF "${launcher[@]}"
  cmake --build build-asan -j "$jobs"
  echo "== Tests under the sanitizers =="
  ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 600
fi
# A short fuzzing smoke run of every target, when clang's fuzzer runtime is here.
if [ "${BLOWDEN_SKIP_FUZZ:-0}" != "1" ] && command -v clang++ >/dev/null 2>&1 && \
   echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' | \
   clang++ -x c++ -fsanitize=fuzzer -o /dev/null - >/dev/null 2>&1; then
  echo "== Fuzzing smoke run =="
  fuzz/run.sh "${BLOWDEN_FUZZ_SECONDS:-20}"
fi
echo "All tests passed."
