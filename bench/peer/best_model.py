#!/usr/bin/env python3
"""Best-model search over a fan data file (.qfn), scripted with numpy and scipy.

An independent implementation of the fan selection, used to check Blowden's
results and to put its speed in proportion:

- the file is read with a small hand-written INI reader (configparser treats
  duplicate keys, quotes and continuation lines differently);
- each model's static pressure is fitted with numpy.polyfit, degree
  min(3, points - 2);
- the speed at which a model meets the duty solves
      Ps_ref(Q * Nref / N) - (Nref / N)**2 * P = 0
  (fan laws: Q proportional to N, P to N squared) with scipy.optimize.brentq
  between 0.9 MinSpeed and 1.1 MaxSpeed;
- a model qualifies when that root exists, its flow at reference speed lies
  within 5 % of the flow span beyond the data, after moving to the first
  listed speed at or above the root (or the last listed one);
- of the qualifying models the one whose nominal flow at the operating speed,
  QaNom * N / Nref, lies nearest the duty flow (moved along P ~ Q**2 with the
  speed) wins; on equal distances the earlier model stays.

brentq finds the root inside the bracket. Blowden tries a secant, a Newton and
a bracketed iteration in turn and may settle on another root when the curve
is not monotonic; on the smooth falling curves the comparison uses, the root
in the bracket is the only one and both agree.

Usage: best_model.py CATALOGUE DUTIES [--round-seconds S] [--rounds R]
Prints one line per duty and the CPU time per search:
    result <k> found 1 model <index> <name> speed <rpm> raw <rpm>
    result <k> found 0 model 0
    time <median us> <fastest us> <slowest us> <searches per round>
    time-fitted <median us> <fastest us> <slowest us> <searches per round>
The second time is the same search with every model fitted once beforehand.
"""

import argparse
import math
import statistics
import sys
import time

import numpy as np
from scipy.optimize import brentq

DEFAULT_DENSITY = 1.2


# --- reading -------------------------------------------------------------------


def read_ini(path):
    """Sections of an INI text in file order: [(name, {lower-case key: value})].

    "[Name]" opens a section (text after "]" is ignored); "Key=Value" gives a
    value with blanks around key and value removed and one pair of matching
    quotes around the value dropped; lines starting with ";", lines without
    "=" and lines before the first section are ignored. The first of duplicate
    sections (names compared without regard to case) and the first of
    duplicate keys win."""
    with open(path, "rb") as f:
        data = f.read()
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError:
        text = data.decode("cp1252", errors="replace")
    sections = []
    seen = set()
    current = None
    for line in text.split("\n"):
        line = line.strip(" \t\r")
        if not line:
            continue
        if line[0] == "[":
            close = line.find("]")
            name = (line[1:close] if close >= 0 else line[1:]).strip(" \t\r")
            if name.lower() in seen:
                current = None
            else:
                seen.add(name.lower())
                current = {}
                sections.append((name, current))
            continue
        if line[0] == ";" or current is None:
            continue
        eq = line.find("=")
        if eq < 0:
            continue
        key = line[:eq].strip(" \t\r").lower()
        if not key:
            continue
        value = line[eq + 1:].strip(" \t\r")
        if len(value) >= 2 and value[0] in "\"'" and value[-1] == value[0]:
            value = value[1:-1]
        current.setdefault(key, value)
    return sections


def split_list(value):
    """Items of a comma-separated list: blanks before an item are skipped, a
    trailing comma adds no item."""
    items = []
    pos = 0
    n = len(value)
    while True:
        while pos < n and value[pos] in " \t":
            pos += 1
        if pos >= n:
            return items
        comma = value.find(",", pos)
        if comma < 0:
            items.append(value[pos:])
            return items
        items.append(value[pos:comma])
        pos = comma + 1


def to_float(text, default=None):
    try:
        return float(text)
    except ValueError:
        if default is None:
            raise
        return default


def to_int(text, default=None):
    """Plain decimal digits with an optional sign, in the 32-bit range; anything
    else gives `default`, or raises ValueError when there is none."""
    digits = text[1:] if text[:1] in "+-" else text
    if digits.isascii() and digits.isdigit() and -2**31 <= int(text) < 2**31:
        return int(text)
    if default is None:
        raise ValueError(f"'{text}' is not a valid integer value")
    return default


def float_list(items):
    """Decimal items; an unreadable item other than the last reads as 0."""
    out = []
    for i, item in enumerate(items):
        try:
            out.append(float(item))
        except ValueError:
            if i + 1 == len(items):
                raise
            out.append(0.0)
    return out


class Model:
    __slots__ = ("index", "name", "ref_speed", "min_speed", "max_speed", "qa_nom", "qa", "ps",
                 "speeds", "coeffs", "area", "pw", "lw")


def read_model(index, name, keys, density):
    """The model of one section, or None when it cannot take part (no keys,
    outlet area 0, fewer than 2 flows, a short or missing pressure list, no
    power or sound list)."""
    if not keys:
        return None
    m = Model()
    m.index = index
    m.name = name
    diameter = to_float(keys["diameter"], 500.0) if "diameter" in keys else 500.0
    diameter *= 0.001
    width = height = diameter
    m.ref_speed = to_int(keys["refspeed"], 1360) if "refspeed" in keys else 1360
    m.min_speed = m.max_speed = m.ref_speed
    m.qa_nom = to_float(keys["qanom"], -99.0) if "qanom" in keys else -99.0
    line = keys.get("model", "")
    if line:
        items = split_list(line)
        try:
            if len(items) < 7:
                raise ValueError("short Model line")
            diameter = to_int(items[0]) * 0.001
            m.ref_speed, m.min_speed, m.max_speed = (to_int(items[1]), to_int(items[2]),
                                                     to_int(items[3]))
            width, height = float(items[4]) * 0.001, float(items[5]) * 0.001
            m.qa_nom = float(items[6])
        except ValueError:
            diameter, width, height = 0.5, 0.5, 0.5
            m.ref_speed = m.min_speed = m.max_speed = 1360
            m.qa_nom = -99.0
    if width and height:
        area = width * height
    elif width or height:
        area = math.pi / 4 * (width or height) ** 2
    else:
        return None
    m.speeds = []
    if "speed" in keys:
        items = split_list(keys["speed"])
        for i, item in enumerate(items):
            m.speeds.append(to_int(item, None if i + 1 == len(items) else 0))
    qa = [float(v) for v in split_list(keys.get("qa", ""))]
    count = len(qa)
    if count < 2:
        return None
    if m.qa_nom < qa[0] or m.qa_nom > qa[-1]:
        m.qa_nom = qa[2 * count // 3 - 1]
    if "pt" in keys:
        pt = float_list(split_list(keys["pt"]))
        if len(pt) < count:
            return None
        ps = [pt[j] - 0.5 * density * (qa[j] / area) ** 2 for j in range(count)]
    elif "ps" in keys:
        ps = float_list(split_list(keys["ps"]))
        if len(ps) < count:
            return None
        ps = ps[:count]
    else:
        return None
    expanded = []
    for key in ("pw", "lw"):
        items = split_list(keys.get(key, ""))
        if not items:
            return None
        # An unreadable item that would be used stops the read, as in the
        # program; one item fills every point, a short list repeats its last.
        values = [float(v) for v in items[:count]]
        expanded.append(values + [values[-1]] * (count - len(values)))
    m.area = area
    m.pw, m.lw = expanded
    m.qa = np.array(qa)
    m.ps = np.array(ps)
    m.coeffs = None
    return m


def read_catalogue(path):
    sections = read_ini(path)
    catalog = next((keys for name, keys in sections if name.lower() == "catalog"), {})
    density = to_float(catalog["density"], DEFAULT_DENSITY) if "density" in catalog else DEFAULT_DENSITY
    names = []
    removed = False
    for name, keys in sections:
        if not removed and name.lower() == "catalog":
            removed = True
            continue
        names.append((name, keys))
    return [read_model(i, name, keys, density) for i, (name, keys) in enumerate(names)]


# --- fit, speed, search --------------------------------------------------------


def fit(model):
    """Coefficients, highest power first; None when the flows are all equal
    (the least-squares system is singular: the pressure is then interpolated)."""
    if np.ptp(model.qa) == 0:
        return None
    return np.polyfit(model.qa, model.ps, min(3, len(model.qa) - 2))


def ref_pressure(model, coeffs, q):
    if coeffs is not None:
        return np.polyval(coeffs, q)
    # Linear through the data, extrapolated along the first or last segment.
    qa, ps = model.qa, model.ps
    i = min(max(int(np.searchsorted(qa, q)) - 1, 0), len(qa) - 2)
    width = qa[i + 1] - qa[i]
    t = (q - qa[i]) / width if width else 0.0
    return ps[i] + (ps[i + 1] - ps[i]) * t


def solve_speed(model, coeffs, q, p):
    """(speed, raw root, duty flow at that speed) when the model qualifies, else None."""
    nref = model.ref_speed

    def f(n):
        x = nref / n
        return ref_pressure(model, coeffs, q * x) - x * x * p

    lo, hi = 0.9 * model.min_speed, 1.1 * model.max_speed
    if lo <= 0 or hi < lo:
        return None
    flo, fhi = f(lo), f(hi)
    if flo * fhi > 0:
        return None
    raw = lo if flo == 0 else hi if fhi == 0 else brentq(f, lo, hi)
    n, flow = raw, q
    if model.speeds:
        listed = next((s for s in model.speeds if s >= raw), model.speeds[-1])
        flow = q * listed / raw
        n = listed
    qref = nref * flow / n
    span = model.qa[-1] - model.qa[0]
    if not (model.qa[0] - 0.05 * span <= qref <= model.qa[-1] + 0.05 * span):
        return None
    return n, raw, flow


def find_best_model(models, q, p, fitted=False):
    """(index, model, speed, raw) of the best model, or None when none qualifies."""
    best = 1.7e308
    chosen = None
    for m in models:
        if m is None:
            continue
        coeffs = m.coeffs if fitted else fit(m)
        solved = solve_speed(m, coeffs, q, p)
        if solved is None:
            continue
        n, raw, flow = solved
        d = abs(m.qa_nom * n / m.ref_speed - flow)
        if d < best:
            best = d
            chosen = (m.index, m, n, raw)
    return chosen


# --- command line ----------------------------------------------------------------


def read_duties(path):
    duties = []
    with open(path) as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                q, p = line.split()
                duties.append((float(q), float(p)))
    return duties


def time_searches(models, duties, round_seconds, rounds, fitted):
    per_search = []
    searches = 0
    for _ in range(rounds):
        searches = 0
        t0 = time.process_time()
        while True:
            for q, p in duties:
                find_best_model(models, q, p, fitted)
            searches += len(duties)
            t1 = time.process_time()
            if t1 - t0 >= round_seconds:
                break
        per_search.append((t1 - t0) / searches * 1e6)
    return (f"{statistics.median(per_search):.3f} {min(per_search):.3f} {max(per_search):.3f} "
            f"{searches}")


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("catalogue")
    parser.add_argument("duties")
    parser.add_argument("--round-seconds", type=float, default=0.4)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args(argv)
    models = read_catalogue(args.catalogue)
    duties = read_duties(args.duties)
    for k, (q, p) in enumerate(duties, 1):
        best = find_best_model(models, q, p)
        if best is None:
            print(f"result {k} found 0 model 0")
        else:
            index, m, n, raw = best
            print(f"result {k} found 1 model {index} {m.name} speed {n!r} raw {raw!r}")
    print("time", time_searches(models, duties, args.round_seconds, args.rounds, False))
    for m in models:
        if m is not None:
            m.coeffs = fit(m)
    print("time-fitted", time_searches(models, duties, args.round_seconds, args.rounds, True))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
