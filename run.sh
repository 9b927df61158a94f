#!/usr/bin/env bash
# Installs what is missing, builds a release build and starts Blowden.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
ensure_packages $BLOWDEN_BUILD_PACKAGES $BLOWDEN_FONT_PACKAGES ccache

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ ! -f build-release/build.ninja ]; then
  cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DBLOWDEN_BUILD_TESTS=OFF -DBLOWDEN_BUILD_BENCH=OFF "${launcher[@]}"
fi
cmake --build build-release

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  ensure_packages xvfb xauth
  echo "No display to open a window on: run it under Xvfb with: xvfb-run -a $(pwd)/build-release/bin/blowden"
  exit 1
fi
exec ./build-release/bin/blowden
