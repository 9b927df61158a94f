# Sourced by run.sh and test.sh: installs the Debian packages that are missing.
# Usage: ensure_packages PACKAGE...
#        ensure_locale NAME   (for example de_DE.UTF-8)

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
# What ./test.sh needs beyond building: the format and clang-tidy checks (and
# Python, which drives clang-tidy), the locale tools, clang's libFuzzer
# runtime for the fuzzing smoke run, and poppler's tools (pdftotext,
# pdfimages, pdfinfo, pdftoppm), with which the datasheet tests read PDFs back.
BLOWDEN_CHECK_PACKAGES="ccache clang-format clang-tidy python3 locales clang libclang-rt-dev poppler-utils"

# Generates a locale (language_COUNTRY.UTF-8) when the system does not have it
# yet. The tests that prove number formatting ignores the user's locale switch
# to one with a decimal comma, and fail when they cannot.
ensure_locale() {
  local name="$1"
  local short="${name%%.*}"
  if locale -a 2>/dev/null | grep -qix "${short}\.utf-\?8"; then
    return 0
  fi
  if [ "$(id -u)" -ne 0 ] || ! command -v localedef >/dev/null 2>&1; then
    echo "warning: locale $name is missing and cannot be generated here (needs root and localedef);" >&2
    echo "the locale tests will fail. As root: localedef -i $short -f UTF-8 $name" >&2
    return 0
  fi
  echo "Generating locale $name"
  localedef -i "$short" -f UTF-8 "$name"
}
