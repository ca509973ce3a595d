#!/usr/bin/python3
"""The Python package beside python3-fluids, in one run: CPU time per call of the
package's prepared call (scalar) and per point of its evaluation over many points
(vectorised), against one call of the fluids function, with the ratios and the
largest relative difference in value over the points of each pair.

    /usr/bin/python3 bench/python/bench_fluids.py [--points 100000] [--repetitions 9]

Times are medians of interleaved repetitions (each repetition runs every case once,
in a new random order), measured with time.process_time_ns.  With build/bin/xv55_bench
present, the C++ cost of the same calls is measured in the same run and the vectorised
cost per point is set against it.  python3-fluids is a benchmark dependency only.
"""

import argparse
import json
import math
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import numpy as np

SOURCE = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(SOURCE / "python"))

import xv55  # noqa: E402

try:
    from fluids import friction, two_phase
except ImportError:
    sys.exit("python3-fluids is needed for this comparison (apt-get install python3-fluids)")

KG_H = 3600.0    # kg/h per kg/s
CP = 1e-3        # Pa·s per cP
BAR = 1e5        # Pa per bar


def no_slip(x, rho_l, rho_g):
    """Liquid volume fraction without slip, and the no-slip density (kg/m³)."""
    liquid, gas = (1 - x) / rho_l, x / rho_g
    return liquid / (liquid + gas), 1.0 / (liquid + gas)


def mixture_velocity(m_kg_s, x, rho_l, rho_g, d):
    """v_m = m / (ρ_ns A), m/s."""
    return m_kg_s / (no_slip(x, rho_l, rho_g)[1] * math.pi * d * d / 4)


# The two-phase points: the mass flow and the quality vary around 2160 kg/h, x = 0.1, in
# a 0.05 m pipe; liquid 915 kg/m³, 0.18 cP; gas 2.67 kg/m³, 0.014 cP; σ 0.0487 N/m.
D, RHO_L, RHO_G, MU_L, MU_G, SIGMA, ROUGH, P_BAR = 0.05, 915.0, 2.67, 0.18, 0.014, 0.0487, \
    4.5e-4, 20.0


def two_phase_points(n, seed=7):
    rng = np.random.default_rng(seed)
    m_kg_h = rng.uniform(500.0, 8000.0, n)
    x = rng.uniform(0.02, 0.9, n)
    lam, rho_ns = no_slip(x, RHO_L, RHO_G)
    v = m_kg_h / KG_H / (rho_ns * math.pi * D * D / 4)
    return m_kg_h, x, lam, v


def gradient_site(lib, correlation):
    return lib["spdpdzfr"].prepare(
        0, diameter=D, angle=0.0, roughness=ROUGH, bedVoidFraction=0.4,
        particleSphericity=0.8, particleDiameter=0.003, sign=-1.0, velocity=1.0,
        massFlow=2160.0, quality=0.1, pressure=P_BAR, liquidFraction=0.5,
        liquidDensity=RHO_L, gasDensity=RHO_G, surfaceTension=SIGMA, liquidViscosity=MU_L,
        gasViscosity=MU_G, holdupCorrelation="none", pressureDropCorrelation=correlation)


def section_site(lib):
    return lib["sppint"].prepare(
        0, diameter=D, length=1.0, frictionMultiplier=1.0, angle=0.0, roughness=ROUGH,
        velocity=1.0, pressure=P_BAR, liquidFraction=0.5, liquidDensity=RHO_L,
        gasDensity=RHO_G, surfaceTension=SIGMA, liquidViscosity=MU_L, gasViscosity=MU_G,
        holdupCorrelation="Beggs-Brill", pressureDropCorrelation="Beggs-Brill")


def pairs(lib, n):
    """Each pair: name, the package's scalar call and vectorised call over the points,
    and the fluids call, all giving the same quantity in the same unit."""
    out = []
    rng = np.random.default_rng(3)
    re = 10 ** rng.uniform(4.0, 8.0, n)
    ed = 10 ** rng.uniform(-6.0, -2.0, n)
    colebrook = lib["sppcbr"].prepare(0, reynolds=1e5, roughness=1e-4)
    for name, peer in (("exact Colebrook", friction.Colebrook),
                       ("Clamond", friction.Clamond)):
        out.append(dict(
            name=f"{name} / SPPCBR", args=list(zip(re.tolist(), ed.tolist())),
            ours=lambda a, s=colebrook: s(reynolds=a[0], roughness=a[1]).outputs[
                "frictionFactor"],
            vector=lambda out=None, s=colebrook: s.evaluate(reynolds=re, roughness=ed,
                                                            out=out),
            value=lambda points: points.outputs["frictionFactor"],
            peer=lambda a, f=peer: f(a[0], a[1])))
    m_kg_h, x, lam, v = two_phase_points(n)
    points = list(zip(m_kg_h.tolist(), x.tolist(), lam.tolist(), v.tolist()))
    for name, correlation, peer in (
            # The library's Friedel takes smooth-pipe single-phase factors: roughness 0.
            ("Friedel / SPDPDZFR", "Friedel",
             lambda a: two_phase.Friedel(a[0] / KG_H, a[1], RHO_L, RHO_G, MU_L * CP,
                                         MU_G * CP, SIGMA, D, 0.0, L=1.0)),
            ("Lockhart-Martinelli / SPDPDZFR", "Lockhart-Martinelli",
             lambda a: two_phase.Lockhart_Martinelli(a[0] / KG_H, a[1], RHO_L, RHO_G,
                                                     MU_L * CP, MU_G * CP, D, L=1.0))):
        site = gradient_site(lib, correlation)
        out.append(dict(  # bar/m to Pa/m
            name=name, args=points,
            ours=lambda a, s=site: s(massFlow=a[0], quality=a[1], liquidFraction=a[2],
                                     velocity=a[3]).outputs["gradient"] * BAR,
            vector=lambda out=None, s=site: s.evaluate(massFlow=m_kg_h, quality=x,
                                                       liquidFraction=lam, velocity=v,
                                                       out=out),
            value=lambda points: points.outputs["gradient"] * BAR,
            peer=peer))
    section = section_site(lib)

    def section_drop(r):  # horizontal: friction and acceleration, bar to Pa
        return (r["frictionLoss"] + r["accelerationLoss"]) * BAR

    out.append(dict(
        name="Beggs-Brill / SPPINT", args=points,
        ours=lambda a: section_drop(section(liquidFraction=a[2], velocity=a[3]).outputs),
        vector=lambda out=None: section.evaluate(liquidFraction=lam, velocity=v, out=out),
        value=lambda points: section_drop(points.outputs),
        peer=lambda a: two_phase.Beggs_Brill(a[0] / KG_H, a[1], RHO_L, RHO_G, MU_L * CP,
                                             MU_G * CP, SIGMA, P_BAR * BAR, D, 0.0,
                                             ROUGH * D, L=1.0, acceleration=True)))
    return out


def cpu_per_call(action, calls):
    start = time.process_time_ns()
    action()
    return (time.process_time_ns() - start) / calls


def cxx_costs(repetitions):
    """CPU ns per call of xv55_bench for the same procedures, or {} without it."""
    program = SOURCE / "build" / "bin" / "xv55_bench"
    if not program.exists():
        return {}
    with tempfile.TemporaryDirectory() as folder:
        report = Path(folder) / "cxx.json"
        subprocess.run(
            [str(program), "--benchmark_filter=^(PipeColebrook/4|PipeGradientFriedel|"
             "PipeGradientLockhartMartinelli|PipeSectionBeggsBrill)$", f"--benchmark_repetitions={repetitions}",
             "--benchmark_enable_random_interleaving=true",
             "--benchmark_report_aggregates_only=true", f"--benchmark_out={report}",
             "--benchmark_out_format=json"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        runs = json.loads(report.read_text())["benchmarks"]
    return {b["run_name"]: b["cpu_time"] for b in runs
            if b.get("aggregate_name") == "median" and b.get("time_unit") == "ns"}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--points", type=int, default=100_000)
    parser.add_argument("--scalar-calls", type=int, default=2000)
    parser.add_argument("--repetitions", type=int, default=9)
    options = parser.parse_args()
    lib = xv55.Library()
    cases = pairs(lib, options.points)

    # The same points as xv55_bench's blocks, evaluated many times over.
    n = options.points
    colebrook = lib["sppcbr"].prepare(0, reynolds=1e5, roughness=4.5e-4)
    friedel = lib["spdpdzfr"].prepare(
        0, diameter=0.05, angle=0.0, roughness=4.5e-4, bedVoidFraction=0.4,
        particleSphericity=0.8, particleDiameter=0.003, sign=-1.0, velocity=2.5,
        massFlow=1000.0, quality=0.1, pressure=20.0, liquidFraction=1.0 / 6.0,
        liquidDensity=900.0, gasDensity=20.0, surfaceTension=0.02, liquidViscosity=0.5,
        gasViscosity=0.015, holdupCorrelation="none", pressureDropCorrelation="Friedel")
    lockhart = lib["spdpdzfr"].prepare(
        0, diameter=0.05, angle=0.0, roughness=4.5e-4, bedVoidFraction=0.4,
        particleSphericity=0.8, particleDiameter=0.003, sign=-1.0, velocity=2.5,
        massFlow=1000.0, quality=0.1, pressure=20.0, liquidFraction=1.0 / 6.0,
        liquidDensity=900.0, gasDensity=20.0, surfaceTension=0.02, liquidViscosity=0.5,
        gasViscosity=0.015, holdupCorrelation="none",
        pressureDropCorrelation="Lockhart-Martinelli")
    beggs = lib["sppint"].prepare(
        0, diameter=0.1, length=100.0, frictionMultiplier=1.0, angle=0.05, roughness=4.5e-4,
        velocity=2.5, pressure=20.0, liquidFraction=0.3, liquidDensity=800.0,
        gasDensity=20.0, surfaceTension=0.02, liquidViscosity=1.5, gasViscosity=0.012,
        holdupCorrelation="Beggs-Brill", pressureDropCorrelation="Beggs-Brill")
    same_points = {"PipeColebrook/4": (colebrook, "reynolds", 1e5),
                   "PipeGradientFriedel": (friedel, "velocity", 2.5),
                   "PipeGradientLockhartMartinelli": (lockhart, "velocity", 2.5),
                   "PipeSectionBeggsBrill": (beggs, "velocity", 2.5)}

    timings = {}
    jobs = []
    scalar = options.scalar_calls
    for c in cases:
        args = c["args"][:scalar]
        jobs.append((c["name"], "package scalar",
                     lambda c=c, args=args: [c["ours"](a) for a in args], len(args)))
        jobs.append((c["name"], "package vectorised", c["vector"], n))
        kept = c["vector"]()
        jobs.append((c["name"], "package vectorised, out=",
                     lambda c=c, kept=kept: c["vector"](out=kept), n))
        jobs.append((c["name"], "fluids",
                     lambda c=c, args=args: [c["peer"](a) for a in args], len(args)))
    for key, (site, name, value) in same_points.items():
        points = np.full(n, value)
        kept = site.evaluate(**{name: points})
        jobs.append((key, "package vectorised",
                     lambda s=site, k=name, p=points, kept=kept: s.evaluate(
                         setup=False, cleanup=False, out=kept, **{k: p}), n))
    for _ in range(options.repetitions):
        random.shuffle(jobs)
        for case, what, action, calls in jobs:
            timings.setdefault((case, what), []).append(cpu_per_call(action, calls))
    median = {k: statistics.median(v) for k, v in timings.items()}

    print(f"CPU time per call, median of {options.repetitions} interleaved repetitions; "
          f"{n} points per vectorised call, {scalar} scalar calls per repetition")
    print("scalar: a prepared call; vector: per point, fresh arrays; out=: per point, the "
          "arrays of an earlier evaluation filled again")
    print(f"{'pair':32} {'fluids':>8} {'scalar':>8} {'vector':>7} {'out=':>7} "
          f"{'scalar/fl':>9} {'fl/vector':>9} {'fl/out=':>7} {'max rel.diff':>12}")
    for c in cases:
        ours = np.asarray(c["value"](c["vector"]()))
        peer = np.array([c["peer"](a) for a in c["args"]])
        scalar_values = np.array([c["ours"](a) for a in c["args"][:scalar]])
        assert np.array_equal(scalar_values, ours[:scalar], equal_nan=True), c["name"]
        difference = np.max(np.abs(ours - peer) / np.abs(peer))
        f, s, v, o = (median[(c["name"], w)] for w in
                      ("fluids", "package scalar", "package vectorised",
                       "package vectorised, out="))
        print(f"{c['name']:32} {f / 1e3:6.2f}us {s / 1e3:6.2f}us {v:5.0f}ns {o:5.0f}ns "
              f"{s / f:9.2f} {f / v:9.1f} {f / o:7.1f} {difference:12.2e}")

    cxx = cxx_costs(options.repetitions)
    print("\nThe same block many times over (out=): vectorised per point against the C++ "
          "call of xv55_bench")
    for key in same_points:
        v = median[(key, "package vectorised")]
        if key in cxx:
            print(f"{key:34} {v:7.0f}ns per point, C++ {cxx[key]:7.0f}ns, "
                  f"ratio {v / cxx[key]:.2f}")
        else:
            print(f"{key:34} {v:7.0f}ns per point (build/bin/xv55_bench not built)")
    return 0


if __name__ == "__main__":
    if os.environ.get("XV55_LIBRARY") is None and not (SOURCE / "build" / "lib").exists():
        sys.exit("build the library first (build/lib/libxv55.so)")
    sys.exit(main())
