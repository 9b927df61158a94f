#!/usr/bin/env python3
"""Reads a ctest log and lists the tests that skipped. A skip is allowed when
its name matches a pattern of the allow-list (one per line: a shell-style
pattern of the ctest name, then its reason; '#' starts a comment). With
STRICT=true any other skip fails (exit 1): a test that skips where it should
run tests nothing, and CI must notice.

usage: scripts/check-skips.py CTEST_LOG ALLOW_LIST STRICT
"""
import fnmatch
import re
import sys


def allowed_patterns(path):
    patterns = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line:
                name, _, reason = line.partition(" ")
                patterns.append((name, reason.strip()))
    return patterns


def main():
    log, allow, strict = sys.argv[1], sys.argv[2], sys.argv[3] == "true"
    skipped = []
    with open(log, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = re.match(r"^\s*\d+ - (\S+) \(Skipped\)\s*$", line)
            if m:
                skipped.append(m.group(1))
    patterns = allowed_patterns(allow)
    unexpected = []
    for name in skipped:
        reason = next((r for p, r in patterns if fnmatch.fnmatchcase(name, p)), None)
        if reason is None:
            unexpected.append(name)
        else:
            print(f"skipped (allowed: {reason}): {name}")
    for name in unexpected:
        print(f"skipped, not on {allow}: {name}", file=sys.stderr)
    if unexpected and strict:
        print(f"error: {len(unexpected)} test(s) skipped without an allowed reason", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
