# Sourced by run.sh and test.sh: installs the Debian packages that are missing.
# Usage: ensure_packages PACKAGE...

blowden_missing_packages() {
  local missing=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  echo "${missing[@]:-}"
}

ensure_packages() {
  local missing
  missing=$(blowden_missing_packages "$@")
  if [ -z "$missing" ]; then
    return 0
  fi
  echo "Installing missing packages: $missing"
  if ! command -v apt-get >/dev/null 2>&1; then
    echo "error: these packages are missing and apt-get is not available: $missing" >&2
    echo "Install them with your system's package manager and run this script again." >&2
    exit 1
  fi
  if [ "$(id -u)" -ne 0 ]; then
    echo "error: these packages are missing and installing them needs root: $missing" >&2
    echo "Run this script as root (or: sudo apt-get install $missing)." >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  if ! apt-get update -qq; then
    echo "error: apt-get update failed" >&2
    exit 1
  fi
  # shellcheck disable=SC2086
  if ! apt-get install -y -qq --no-install-recommends $missing; then
    echo "error: apt-get could not install: $missing" >&2
    exit 1
  fi
}

# What building needs, and the fonts the windows ask for ("Tahoma" from
# fonts-wine, "Courier New" as the metric-compatible Liberation Mono).
BLOWDEN_BUILD_PACKAGES="cmake ninja-build g++ pkg-config qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev"
BLOWDEN_FONT_PACKAGES="fontconfig fonts-liberation fonts-wine fonts-dejavu-core"
