#!/usr/bin/env python3
"""Writes the three sample fan data files of this folder.

Each range is built from one dimensionless characteristic per fan type
(pressure coefficient and efficiency against flow coefficient), scaled to
every size and speed by the fan laws:
    tip speed u = pi * D * N / 60,  flow Q = phi * (pi/4 * D^2) * u,
    pressure P = psi * rho * u^2,   shaft power = Q * Pt / efficiency,
    sound power Lw = 31 + 10 log10(Q) + 20 log10(Pt) + 25 * (eta_max - eta).
The centrifugal range also gives octave bands Lw63 .. Lw8000: a spectrum
shape that tilts towards the low bands below the best-efficiency flow, set
so that each point's bands add up (by energy) to its Lw within 0.1 dB.
Run it from anywhere; it rewrites the .qfn files beside it.
"""
import math
import os

RHO = 1.2
HERE = os.path.dirname(os.path.abspath(__file__))


def tip(d, n):
    return math.pi * d * n / 60.0


def fmt(v, decimals):
    return f"{v:.{decimals}f}"


def points(phis, d, n, psi, eta, eta_max, outlet_area, total_given):
    u = tip(d, n)
    a = math.pi / 4 * d * d
    rows = []
    for phi in phis:
        q = phi * a * u
        p = psi(phi) * RHO * u * u
        pd = 0.5 * RHO * (q / outlet_area) ** 2
        ps, pt = (p - pd, p) if total_given else (p, p + pd)
        e = eta(phi)
        pw = q * pt / e / 1000.0
        lw = 31 + 10 * math.log10(q) + 20 * math.log10(pt) + 25 * (eta_max - e)
        rows.append((q, ps, pt, pw, lw))
    return rows


def flow_decimals(qmax):
    return 3 if qmax < 10 else 2


def write(name, header, sections):
    with open(os.path.join(HERE, name), "w", newline="\r\n") as f:
        f.write("[Catalog]\n")
        for k, v in header:
            f.write(f"{k}={v}\n")
        for s in sections:
            f.write("\n")
            f.write(s)


def model_section(name, lines):
    return f"[{name}]\n" + "".join(f"{k}={v}\n" for k, v in lines)


def lists(rows, qdec, pressure):
    qa = ",".join(fmt(r[0], qdec) for r in rows)
    pr = ",".join(fmt(r[1] if pressure == "Ps" else r[2], 0) for r in rows)
    pw = ",".join(fmt(r[3], 3 if r[3] < 10 else 2) for r in rows)
    lw = ",".join(fmt(r[4], 1) for r in rows)
    return [("Qa", qa), (pressure, pr), ("Pw", pw), ("Lw", lw)]


BAND_SHAPE = [-4.0, -3.0, -4.5, -6.0, -8.5, -11.5, -16.0, -22.0]  # dB, 63 Hz .. 8 kHz


def energy_sum(levels):
    return 10 * math.log10(sum(10 ** (x / 10) for x in levels))


def band_lists(rows, phis, phi_best):
    """Lw63 .. Lw8000 of each point: the shape, tilted by the distance from
    the best flow, moved so that the bands add up to the point's written Lw."""
    bands = [[] for _ in BAND_SHAPE]
    for r, phi in zip(rows, phis):
        lw = round(r[4], 1)
        tilt = 12 * max(0.0, phi_best - phi)
        shape = [s + (tilt if i < 2 else 0) for i, s in enumerate(BAND_SHAPE)]
        shift = lw - energy_sum(shape)
        for i, s in enumerate(shape):
            bands[i].append(round(s + shift, 1))
        assert abs(energy_sum([b[-1] for b in bands]) - lw) <= 0.1
    return [(f"Lw{c}", ",".join(fmt(v, 1) for v in b))
            for c, b in zip([63, 125, 250, 500, 1000, 2000, 4000, 8000], bands)]


def linspace(a, b, n):
    return [a + (b - a) * i / (n - 1) for i in range(n)]


def centrifugal():
    psi = lambda f: 1.05 + 0.6 * f - 9.0 * f * f
    eta = lambda f: 0.80 - 8.0 * (f - 0.2) ** 2
    sizes = [(250, 1450, 2900), (280, 1450, 2900), (315, 1450, 2600), (355, 1450, 2400),
             (400, 1450, 2200), (450, 1450, 2000), (500, 1450, 1800), (560, 960, 1600),
             (630, 960, 1450), (710, 960, 1300)]
    out = []
    for d_mm, ref, nmax in sizes:
        d = d_mm / 1000
        w, h = round(0.8 * d_mm), round(0.7 * d_mm)
        phis = linspace(0.05, 0.32, 10)
        rows = points(phis, d, ref, psi, eta, 0.80, (w / 1000) * (h / 1000), False)
        qdec = flow_decimals(rows[-1][0])
        nominal = 0.2 * (math.pi / 4 * d * d) * tip(d, ref)
        lines = [("Model", f"{d_mm},{ref},{int(round(ref * 0.45, -1))},{nmax},{w},{h},{fmt(nominal, qdec)}")]
        out.append(model_section(f"BC{d_mm}", lines + lists(rows, qdec, "Ps") + band_lists(rows, phis, 0.2)))
    write("orvane-bc-centrifugal.qfn",
          [("Maker", "Orvane"), ("Range", "BC"),
           ("Description", "Backward-curved centrifugal fans, single inlet, belt or direct drive"),
           ("Version", "2024.1"), ("Density", "1.2"), ("Kind", "BCC"), ("LwKind", "Outlet")], out)


def axial():
    psi = lambda f: 0.30 + 0.5 * f - 4.5 * f * f
    eta = lambda f: 0.74 - 10.0 * (f - 0.19) ** 2
    sizes = [315, 355, 400, 450, 500, 560, 630, 710, 800, 900, 1000]
    out = []
    for d_mm in sizes:
        d = d_mm / 1000
        ref = 1440 if d_mm <= 630 else 960
        speeds = [470, 710, 960, 1440] if ref == 1440 else [470, 710, 960]
        rows = points(linspace(0.10, 0.28, 12), d, ref, psi, eta, 0.74, math.pi / 4 * d * d, False)
        qdec = flow_decimals(rows[-1][0])
        nominal = 0.19 * (math.pi / 4 * d * d) * tip(d, ref)
        lines = [("Model", f"{d_mm},{ref},{speeds[0]},{speeds[-1]},{d_mm},0,{fmt(nominal, qdec)}"),
                 ("Speed", ",".join(str(s) for s in speeds))]
        out.append(model_section(f"AX{d_mm}", lines + lists(rows, qdec, "Ps")))
    write("orvane-ax-axial.qfn",
          [("Maker", "Orvane"), ("Range", "AX"),
           ("Description", "Long-case axial fans with multi-speed motors"),
           ("Version", "2024.1"), ("Density", "1.2"), ("Kind", "Axial")], out)


def mixed():
    psi = lambda f: 0.70 + 0.3 * f - 6.0 * f * f
    eta = lambda f: 0.78 - 9.0 * (f - 0.18) ** 2
    sizes = [(355, 1450, 3000), (400, 1450, 2900), (450, 1450, 2600), (500, 1450, 2300),
             (560, 1450, 2100), (630, 1450, 1900), (710, 960, 1700)]
    out = []
    for d_mm, ref, nmax in sizes:
        d = d_mm / 1000
        rows = points(linspace(0.08, 0.30, 11), d, ref, psi, eta, 0.78, math.pi / 4 * d * d, True)
        qdec = flow_decimals(rows[-1][0])
        nominal = 0.18 * (math.pi / 4 * d * d) * tip(d, ref)
        lines = [("Model", f"{d_mm},{ref},{int(round(ref * 0.4, -1))},{nmax},{d_mm},0,{fmt(nominal, qdec)}")]
        out.append(model_section(f"MD{d_mm}", lines + lists(rows, qdec, "Pt")))
    write("orvane-md-mixed.qfn",
          [("Maker", "Orvane"), ("Range", "MD"),
           ("Description", "Mixed-flow in-line duct fans, total pressure data"),
           ("Version", "2024.1"), ("Density", "1.2"), ("Kind", "Mixed")], out)


if __name__ == "__main__":
    centrifugal()
    axial()
    mixed()
