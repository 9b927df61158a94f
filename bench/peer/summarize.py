#!/usr/bin/env python3
"""Checks that Blowden and the peer chose the same models and speeds, and
prints the comparison.

Usage: summarize.py --search MODELS PROJECT_OUT PEER_OUT [--search ...] --parse PARSE_OUT
                    [--rank PROJECT_OUT PEER_OUT]

PROJECT_OUT and PEER_OUT are the outputs of `blowden-compare search` and of
best_model.py on the same catalogue and duties; PARSE_OUT is the output of
`blowden-compare parse`. Two results agree when both found a model or both
found none, the models are the same, and the speeds (the one to run at and the
root itself) differ by at most 1e-6 relative. With --rank, the outputs of
`blowden-compare rank` and rank_all.py on the same files and duty: they agree
when they rank the same models in the same order, with speeds and shaft powers
within 1e-6 relative, and reject as many.

The last line reads
    peer ratio <X>x, parse <Y> MB/s = <Z>x of memchr, ranking <R>x, agreement ok
with X the peer's CPU time per search over Blowden's on the largest
catalogue, Y the INI parse throughput, Z = Y / memchr throughput and R the
peer's CPU time per ranking over Blowden's (", ranking <R>x" only with
--rank). On any disagreement the differing results are printed and the exit
code is 1.
"""

import argparse
import sys

TOLERANCE = 1e-6


def read_output(path):
    """({duty: (found, index, name, speed, raw)}, {tag: [numbers]})."""
    results, times = {}, {}
    with open(path) as f:
        for line in f:
            words = line.split()
            if not words:
                continue
            if words[0] == "result":
                duty, found, index = int(words[1]), words[3] == "1", int(words[5])
                if found:
                    results[duty] = (True, index, words[6], float(words[8]), float(words[10]))
                else:
                    results[duty] = (False, None, None, None, None)
            elif words[0] == "parts":  # parts fit <us> solve <us>
                times["parts"] = [float(words[2]), float(words[4])]
            elif words[0] == "parse":  # parse <MB/s> memchr <MB/s> open <MB/s> bytes <n> ...
                for key, value in zip(words[0::2], words[1::2]):
                    times[key] = [float(value)]
            elif words[0].startswith("time"):  # time <median> <fastest> <slowest> <searches>
                times[words[0]] = [float(w) for w in words[1:]]
    return results, times


def read_ranking(path):
    """([(file, model, speed, power)], rejected count, {tag: [numbers]})."""
    candidates, rejected, times = [], None, {}
    with open(path) as f:
        for line in f:
            words = line.split()
            if not words:
                continue
            if words[0] == "candidate":  # candidate <rank> <file> <model> speed <rpm> power <kW>
                candidates.append((words[2], words[3], float(words[5]), float(words[7])))
            elif words[0] == "rejected":
                rejected = int(words[1])
            elif words[0] in ("time", "wall"):
                times[words[0]] = [float(w) for w in words[1:]]
    return candidates, rejected, times


def compare_rankings(project, peer):
    """(list of differences, largest relative difference of speed and power)."""
    (ours, our_rejected, _), (theirs, their_rejected, _) = project, peer
    differences = []
    worst = 0.0
    if len(ours) != len(theirs) or our_rejected != their_rejected:
        differences.append(f"ranking: Blowden {len(ours)} candidates and {our_rejected} rejected, "
                           f"the peer {len(theirs)} and {their_rejected}")
    for place, (a, b) in enumerate(zip(ours, theirs), 1):
        if a[:2] != b[:2]:
            differences.append(f"ranking place {place}: Blowden {a[0]} {a[1]}, the peer {b[0]} {b[1]}")
            continue
        for what, x, y in (("speed", a[2], b[2]), ("shaft power", a[3], b[3])):
            d = relative(x, y)
            worst = max(worst, d)
            if d > TOLERANCE:
                differences.append(f"ranking place {place} ({a[1]}): {what} {x!r} (Blowden) against {y!r} "
                                   f"(peer), relative difference {d:.3g}")
    return differences, worst


def relative(a, b):
    return abs(a - b) / max(abs(a), abs(b), 1e-300)


def compare(project, peer):
    """(list of differences, largest relative speed difference, duties found)."""
    differences = []
    worst = 0.0
    for duty in sorted(set(project) | set(peer)):
        a, b = project.get(duty), peer.get(duty)
        if a is None or b is None:
            differences.append(f"duty {duty}: only {'Blowden' if b is None else 'the peer'} has a result")
            continue
        if a[0] != b[0] or (a[0] and (a[1] != b[1] or a[2] != b[2])):
            show = lambda r: f"model {r[1]} {r[2]}" if r[0] else "no model"
            differences.append(f"duty {duty}: Blowden chose {show(a)}, the peer {show(b)}")
            continue
        if a[0]:
            for what, x, y in (("speed", a[3], b[3]), ("raw speed", a[4], b[4])):
                d = relative(x, y)
                worst = max(worst, d)
                if d > TOLERANCE:
                    differences.append(f"duty {duty}: {what} {x!r} (Blowden) against {y!r} (peer), "
                                       f"relative difference {d:.3g}")
    found = sum(1 for r in project.values() if r[0])
    return differences, worst, found


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--search", nargs=3, action="append", required=True,
                        metavar=("MODELS", "PROJECT_OUT", "PEER_OUT"))
    parser.add_argument("--parse", required=True)
    parser.add_argument("--rank", nargs=2, metavar=("PROJECT_OUT", "PEER_OUT"))
    args = parser.parse_args(argv)

    all_differences = []
    ratios = {}
    print(f"{'models':>6}  {'found':>5}  {'max speed diff':>14}  {'Blowden us':>10}  {'peer us':>9}  "
          f"{'ratio':>7}  {'peer fitted once us':>19}  {'ratio':>7}")
    for models, project_out, peer_out in args.search:
        models = int(models)
        project, project_times = read_output(project_out)
        peer, peer_times = read_output(peer_out)
        differences, worst, found = compare(project, peer)
        all_differences += [f"{models} models, {d}" for d in differences]
        ours, theirs, fitted = project_times["time"][0], peer_times["time"][0], peer_times["time-fitted"][0]
        ratios[models] = theirs / ours
        print(f"{models:>6}  {found:>2}/{len(project):<2}  {worst:>14.2g}  {ours:>10.1f}  {theirs:>9.1f}  "
              f"{theirs / ours:>6.1f}x  {fitted:>19.1f}  {fitted / ours:>6.1f}x")
        fit, solve = project_times["parts"]
        # Models read from an unchanged file are kept with their fits, so a
        # repeated search reads and fits nothing; fitting is shown for scale.
        print(f"{'':>6}  Blowden per search: solving {solve:.1f} us of {ours:.1f} us; "
              f"fitting every model once, when a file is first read, costs {fit:.1f} us "
              f"(fastest/slowest round {project_times['time'][1]:.1f}/{project_times['time'][2]:.1f} us)")

    _, parse = read_output(args.parse)
    parse_mb, memchr_mb, open_mb = parse["parse"][0], parse["memchr"][0], parse["open"][0]
    size_mb = parse["bytes"][0] * 1e-6
    print(f"parse of a {size_mb:.0f} MB catalogue: TIniFile {parse_mb:.0f} MB/s, memchr line scan "
          f"{memchr_mb:.0f} MB/s, TIniFile::Open (read, decode, parse) {open_mb:.0f} MB/s")

    ranking = ""
    if args.rank:
        project, peer = read_ranking(args.rank[0]), read_ranking(args.rank[1])
        differences, worst = compare_rankings(project, peer)
        all_differences += differences
        ours, theirs = project[2]["time"][0], peer[2]["time"][0]
        wall = project[2].get("wall", [ours])[0]
        print(f"ranking of {len(project[0]) + (project[1] or 0)} models ({len(project[0])} candidates): "
              f"Blowden {ours:.1f} ms CPU ({wall:.1f} ms wall), the peer {theirs:.1f} ms CPU: "
              f"{theirs / ours:.1f}x (wall {theirs / wall:.1f}x); max speed/power diff {worst:.2g}")
        ranking = f", ranking {theirs / ours:.1f}x"

    largest = max(ratios)
    if all_differences:
        print("Blowden and the peer disagree:")
        for d in all_differences:
            print("  " + d)
        print(f"peer ratio {ratios[largest]:.1f}x, parse {parse_mb:.0f} MB/s = {parse_mb / memchr_mb:.2f}x "
              f"of memchr{ranking}, agreement FAILED ({len(all_differences)} differences)")
        return 1
    print(f"peer ratio {ratios[largest]:.1f}x, parse {parse_mb:.0f} MB/s = {parse_mb / memchr_mb:.2f}x of memchr"
          f"{ranking}, agreement ok")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
