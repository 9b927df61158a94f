#!/usr/bin/env python3
"""Ranked selection over a folder of fan data files, scripted with numpy and scipy.

The peer of Blowden's ranking (`blowden-compare rank`): every model of every
file is evaluated for one static duty at the catalogue's air and the models
that meet it are ranked by shaft power (ties: file, then model name). Per
model, as Blowden's ranking does:

- the speed solves Ps_ref(Q * Nref / N) = (Nref / N)**2 * P with
  scipy.optimize.brentq between 0.9 MinSpeed and 1.1 MaxSpeed (no root there:
  rejected, as Blowden rejects a speed outside its limits), on the cubic
  numpy.polyfit gave (by interpolation in the data when the fit is singular);
- a model with a speed list runs at the first listed speed at or above the
  root (or the last one), the duty moving along P ~ Q**2;
- the flow at reference speed must lie within 5 % of the flow span beyond
  the data; the duty is met when the delivered flow is not below the duty's;
- as Blowden's verdict, a model is rejected at a running speed outside
  MinSpeed..MaxSpeed, with its operating point left of the pressure peak
  (when the peak lies inside the tested flows), or with impossible figures
  (shaft power not above 0, or below the air power);
- the figures: shaft power and sound power interpolated in the data at the
  reference flow (linear, extrapolated along the end segments) and carried by
  the fan laws, dynamic and total pressure at the outlet, static and total
  efficiency, the stall margin against the fitted curve's peak, the
  best-efficiency ratio and the speed margin; warnings for an operating point
  left of the peak, outside the tested flows, or with an implausible
  efficiency; a reason in words for each rejection.

The files are read, converted and fitted once before the timing, as
Blowden keeps them, and each model's pressure peak and best-efficiency flow
worked out then (Blowden works them out at each evaluation): the time is of
a warm ranking.

Usage: rank_all.py FILES_LIST FLOW PRESSURE [--round-seconds S] [--rounds R]
FILES_LIST names one file per line. Prints
    candidate <rank> <file> <model> speed <rpm> power <kW>
    rejected <count>
    time <median ms> <fastest ms> <slowest ms> <rankings per round>
"""

import argparse
import bisect
import math
import statistics
import sys
import time

import numpy as np
from scipy.optimize import brentq

import best_model


class Kept:
    """A model as the ranking keeps it: plain floats for the scalar loops."""

    __slots__ = ("file", "name", "ref", "lo", "hi", "speeds", "qa", "ps", "pw", "lw", "coeffs", "area",
                 "density", "peak", "bep")


def keep(file, model, density):
    k = Kept()
    k.file, k.name = file, model.name
    k.ref, k.lo, k.hi = model.ref_speed, model.min_speed, model.max_speed
    k.speeds = model.speeds
    k.qa, k.ps = [float(v) for v in model.qa], [float(v) for v in model.ps]
    k.pw, k.lw = model.pw, model.lw
    coeffs = best_model.fit(model)
    k.coeffs = None if coeffs is None else [float(c) for c in coeffs]
    k.area, k.density = model.area, density
    # What no duty changes is worked out once: the pressure peak and the
    # flow of the best tested efficiency.
    k.peak = pressure_peak(k)
    eta = [q * (ps + 0.5 * density * (q / k.area) ** 2) / pw if pw else -1
           for q, ps, pw in zip(k.qa, k.ps, k.pw)]
    k.bep = k.qa[int(np.argmax(eta))]
    return k


def read_files(paths):
    kept, unusable = [], 0
    for path in paths:
        sections = best_model.read_ini(path)
        catalog = next((keys for name, keys in sections if name.lower() == "catalog"), {})
        density = best_model.to_float(catalog.get("density", ""), best_model.DEFAULT_DENSITY)
        for model in best_model.read_catalogue(path):
            if model is None:
                unusable += 1
            else:
                kept.append(keep(path, model, density))
    return kept, unusable


def poly(coeffs, q):
    value = 0.0
    for c in coeffs:
        value = value * q + c
    return value


def interpolate(qa, values, q):
    i = min(max(bisect.bisect_left(qa, q) - 1, 0), len(qa) - 2)
    width = qa[i + 1] - qa[i]
    t = (q - qa[i]) / width if width else 0.0
    return values[i] + (values[i + 1] - values[i]) * t


def pressure_peak(k):
    """Flow of the highest static pressure over the tested flows."""
    qa = k.qa
    if k.coeffs is None:
        return qa[int(np.argmax(k.ps))]
    best_q, best_p = qa[0], poly(k.coeffs, qa[0])
    candidates = [qa[-1]]
    derivative = np.polyder(np.array(k.coeffs))
    candidates += [r.real for r in np.roots(derivative) if abs(r.imag) < 1e-12]
    for q in candidates:
        if qa[0] <= q <= qa[-1]:
            p = poly(k.coeffs, q)
            if p > best_p:
                best_q, best_p = q, p
    return best_q


def evaluate(k, q, p):
    """(candidate figures, None) or (None, reason)."""
    nref = k.ref
    coeffs = k.coeffs

    def f(n):
        x = nref / n
        ps = poly(coeffs, q * x) if coeffs is not None else interpolate(k.qa, k.ps, q * x)
        return ps - x * x * p

    lo, hi = 0.9 * k.lo, 1.1 * k.hi
    if lo <= 0 or hi < lo:
        return None, "no speed range"
    flo, fhi = f(lo), f(hi)
    if flo * fhi > 0:
        return None, f"no speed between {lo:.0f} and {hi:.0f} rpm meets the duty"
    raw = lo if flo == 0 else hi if fhi == 0 else brentq(f, lo, hi)
    n, flow, pstatic = raw, q, p
    if k.speeds:
        listed = next((s for s in k.speeds if s >= raw), k.speeds[-1])
        c = listed / raw
        flow, pstatic, n = q * c, p * c * c, listed
    if n > k.hi:
        return None, f"speed {n:.0f} rpm above the maximum {k.hi} rpm"
    if n < k.lo:
        return None, f"speed {n:.0f} rpm below the minimum {k.lo} rpm"
    qref = nref * flow / n
    qa = k.qa
    span = qa[-1] - qa[0]
    if not (qa[0] - 0.05 * span <= qref <= qa[-1] + 0.05 * span):
        outside = (qa[0] - qref if qref < qa[0] else qref - qa[-1]) / span * 100 if span else 0
        return None, f"flow outside the tested range by {outside:.0f} %"
    met = flow >= q * (1 - 1e-9)
    if not met:
        return None, f"duty not met at the highest listed speed {k.speeds[-1]} rpm"
    r = n / nref
    power = interpolate(qa, k.pw, qref) * r * r * r
    sound = interpolate(qa, k.lw, qref) + 50 * math.log10(r)
    v = flow / k.area
    pdynamic = 0.5 * k.density * v * v
    ptotal = pstatic + pdynamic
    efficiency = 0.1 * flow * ptotal / power if power else 0.0
    static_efficiency = 0.1 * flow * pstatic / power if power else 0.0
    peak, bep = k.peak, k.bep
    if qa[0] < peak < qa[-1] and qref < peak:
        return None, "operating point left of the pressure peak"
    if not power > 0 or power < 0.001 * flow * ptotal or efficiency > 100:
        return None, "the fan data are impossible"
    stall = 100 * (qref - peak) / peak if peak > 0 else 0.0
    bep_ratio = 100 * qref / bep if bep > 0 else 0.0
    speed_margin = 100 * (k.hi - n) / k.hi if k.hi else 0.0
    warnings = []
    if peak > qa[0] and qref < peak:
        warnings.append(f"Operating point left of the pressure peak: {stall:.0f} % of the peak's flow")
    if qref < qa[0] or qref > qa[-1]:
        warnings.append("Operating point outside the tested flows (extrapolated)")
    if efficiency > 90:
        warnings.append(f"Efficiency {efficiency:.0f} % is above 90 %")
    return (power, k.file, k.name, n, flow, pstatic, ptotal, efficiency, static_efficiency, sound, stall,
            bep_ratio, speed_margin, warnings), None


def rank(kept, q, p):
    candidates, rejected = [], []
    for k in kept:
        figures, reason = evaluate(k, q, p)
        if figures is None:
            rejected.append((k.file, k.name, reason))
        else:
            candidates.append(figures)
    candidates.sort(key=lambda c: (c[0], c[1], c[2]))
    return candidates, rejected


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("files")
    parser.add_argument("flow", type=float)
    parser.add_argument("pressure", type=float)
    parser.add_argument("--round-seconds", type=float, default=0.4)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args(argv)
    with open(args.files) as f:
        paths = [line.strip() for line in f if line.strip()]
    kept, unusable = read_files(paths)
    candidates, rejected = rank(kept, args.flow, args.pressure)
    for i, c in enumerate(candidates, 1):
        print(f"candidate {i} {c[1]} {c[2]} speed {c[3]!r} power {c[0]!r}")
    print(f"rejected {len(rejected) + unusable}")
    per_ranking = []
    rankings = 0
    for _ in range(args.rounds):
        rankings = 0
        t0 = time.process_time()
        while True:
            rank(kept, args.flow, args.pressure)
            rankings += 1
            t1 = time.process_time()
            if t1 - t0 >= args.round_seconds:
                break
        per_ranking.append((t1 - t0) / rankings * 1e3)
    print(f"time {statistics.median(per_ranking):.3f} {min(per_ranking):.3f} {max(per_ranking):.3f} {rankings}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
