#!/usr/bin/env python3
"""Runs clang-tidy with the committed .clang-tidy over the program's sources
(src/**/*.cpp as a configured build compiles them); any finding fails.

usage: scripts/run-clang-tidy.py BUILD_DIR [--changed [BASE]] [--no-cache]

Every file is checked each run, but a file whose whole input is unchanged
since a clean check on this machine is not checked again: the key of a clean
result is a hash of clang-tidy's version, .clang-tidy, the compile command
and the preprocessed translation unit (every header it includes), with the
checkout's own path taken out, so that a fresh clone elsewhere (as CI makes)
finds the results of the developer's runs. Results live in
${XDG_CACHE_HOME:-~/.cache}/blowden-clang-tidy/.

--changed [BASE] checks only the .cpp files that differ from BASE (default
HEAD~1), and the .cpp beside each changed header.
"""
import argparse
import concurrent.futures
import hashlib
import json
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

# Part of every clean result's key: the arguments added to each command below.
EXTRA = b"-Wno-unknown-warning-option -Wno-sign-conversion"
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
NOISE = re.compile(r"^(\d+ warnings?( and \d+ errors?)? generated\.|Suppressed \d+ warnings.*|"
                   r"Use -header-filter=.*|\d+ warnings? treated as errors?)$")


def tidy_binary():
    for name in ("clang-tidy", "clang-tidy-14"):
        path = shutil.which(name)
        if path:
            return path
    sys.exit("clang-tidy: not installed")


def changed_files(base):
    """The src/ .cpp files that differ from base (headers count for their .cpp)."""
    if subprocess.run(["git", "rev-parse", "--verify", "-q", base], cwd=ROOT,
                      stdout=subprocess.DEVNULL).returncode != 0:
        print(f"clang-tidy: {base} is not known here; checking every file")
        return None
    names = subprocess.run(["git", "diff", "--name-only", base, "--", "src"], cwd=ROOT, check=True,
                           capture_output=True, text=True).stdout.split()
    names += subprocess.run(["git", "ls-files", "--others", "--exclude-standard", "--", "src"], cwd=ROOT,
                            check=True, capture_output=True, text=True).stdout.split()
    return {os.path.join(ROOT, n[:-2] + ".cpp" if n.endswith(".h") else n) for n in names}


def without_pch(command):
    """The compile command without the precompiled header CMake adds
    (-Winvalid-pch -include .../cmake_pch.hxx): GCC's .gch beside it is no
    PCH that clang can read, and without it each file must include what it
    uses."""
    args = shlex.split(command)
    out, i = [], 0
    while i < len(args):
        if args[i] == "-include" and i + 1 < len(args) and args[i + 1].endswith("cmake_pch.hxx"):
            i += 2
            continue
        if args[i] == "-Winvalid-pch":
            i += 1
            continue
        out.append(args[i])
        i += 1
    return shlex.join(out)


def cache_key(entry, version, config, roots):
    """A hash of everything the result depends on, or None when the file does
    not preprocess (clang-tidy then reports why)."""
    args = shlex.split(entry["command"])
    # The same command, preprocessing to stdout without line markers.
    pre, skip = [], False
    for a in args:
        if skip:
            skip = False
            continue
        if a in ("-o", "-MF", "-MT", "-MQ"):
            skip = True
            continue
        if a in ("-c", "-MD", "-MMD"):
            continue
        pre.append(a)
    pre += ["-E", "-P"]
    run = subprocess.run(pre, cwd=entry["directory"], capture_output=True)
    if run.returncode != 0:
        return None
    text = run.stdout + entry["command"].encode() + entry["file"].encode()
    for root in roots:
        text = text.replace(root.encode(), b"@ROOT@")
    return hashlib.sha256(version + config + EXTRA + text).hexdigest()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build")
    parser.add_argument("--changed", nargs="?", const="HEAD~1", metavar="BASE")
    parser.add_argument("--no-cache", action="store_true")
    opts = parser.parse_args()

    build = os.path.abspath(opts.build)
    database = os.path.join(build, "compile_commands.json")
    if not os.path.isfile(database):
        sys.exit(f"clang-tidy: no {database}; configure that build first")
    src = os.path.join(ROOT, "src") + os.sep
    with open(database) as f:
        entries = [e for e in json.load(f) if e["file"].startswith(src) and e["file"].endswith(".cpp")]
    for e in entries:
        if "arguments" in e:
            e["command"] = shlex.join(e.pop("arguments"))
        e["command"] = without_pch(e["command"])
    # clang-tidy reads the commands from a copy without the precompiled headers.
    commands = tempfile.mkdtemp(prefix="blowden-tidy-")
    with open(os.path.join(commands, "compile_commands.json"), "w") as f:
        json.dump(entries, f)
    if opts.changed:
        wanted = changed_files(opts.changed)
        if wanted is not None:
            entries = [e for e in entries if e["file"] in wanted]
    if not entries:
        print("clang-tidy: no source file to check")
        return 0

    tidy = tidy_binary()
    version = subprocess.run([tidy, "--version"], capture_output=True).stdout
    with open(os.path.join(ROOT, ".clang-tidy"), "rb") as f:
        config = f.read()
    cache = os.path.join(os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"), "blowden-clang-tidy")
    os.makedirs(cache, exist_ok=True)
    roots = sorted({build, ROOT}, key=len, reverse=True)

    def check(entry):
        key = None if opts.no_cache else cache_key(entry, version, config, roots)
        if key and os.path.exists(os.path.join(cache, key)):
            return entry["file"], 0, "", True
        # -Wno-unknown-warning-option: GCC's own flags (-Wno-restrict) are not clang's.
        # -Wno-sign-conversion: clang's -Wconversion includes it, GCC's (the
        # build's) does not, and the core leaves it off on purpose.
        run = subprocess.run([tidy, "-p", commands, "--quiet", "--warnings-as-errors=*",
                              "--extra-arg=-Wno-unknown-warning-option",
                              "--extra-arg=-Wno-sign-conversion", entry["file"]],
                             capture_output=True, text=True)
        out = "\n".join(l for l in (run.stdout + run.stderr).splitlines() if not NOISE.match(l))
        if run.returncode == 0 and key:
            open(os.path.join(cache, key), "w").close()
        return entry["file"], run.returncode, out, False

    failed, reused = [], 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        for name, code, out, cached in pool.map(check, entries):
            reused += cached
            if out.strip():
                print(out)
            if code != 0:
                failed.append(os.path.relpath(name, ROOT))
    shutil.rmtree(commands, ignore_errors=True)
    checked = f"{len(entries)} files ({reused} unchanged since a clean check)"
    if failed:
        print(f"clang-tidy: findings in {len(failed)} of {checked}: {' '.join(failed)}", file=sys.stderr)
        return 1
    print(f"clang-tidy: no findings in {checked}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
