#!/usr/bin/env bash
# Checks that every C++ file of the checkout matches the committed .clang-format.
# Lists the files that do not, and exits 1 when there are any (0 otherwise).
# `clang-format -i FILE` (or `cmake --build build --target format`) fixes them.
set -uo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format || command -v clang-format-14 || true)
if [ -z "$format" ]; then
  echo "check-format: clang-format is not installed" >&2
  exit 1
fi
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  # Tracked files and new ones not yet added (CI sees only tracked ones).
  mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h' | sort -u)
else
  mapfile -t files < <(find src tests bench fuzz -name '*.cpp' -o -name '*.h' | sort)
fi
bad=()
for f in "${files[@]}"; do
  [ -f "$f" ] || continue
  if ! "$format" --dry-run -Werror "$f" >/dev/null 2>&1; then
    bad+=("$f")
  fi
done
if [ "${#bad[@]}" -gt 0 ]; then
  echo "check-format: ${#bad[@]} of ${#files[@]} files do not match .clang-format:" >&2
  printf '  %s\n' "${bad[@]}" >&2
  echo "fix with: clang-format -i <file>" >&2
  exit 1
fi
echo "check-format: all ${#files[@]} C++ files match .clang-format"
