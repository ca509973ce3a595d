#!/usr/bin/python3
"""Draws the transfer line's transient (CSV from xv55-transfer-line) as a PNG.

Usage: plot.py transfer-line.csv transfer-line.png
"""
import csv
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402


def main(source, target):
    with open(source, newline="") as f:
        rows = list(csv.DictReader(f))
    col = {name: [float(r[name]) for r in rows] for name in rows[0]}
    t = col["t_s"]
    fig, (levels, flows, handles) = plt.subplots(3, 1, sharex=True, figsize=(8, 9))
    levels.plot(t, col["level1_m"], label="tank 1 (suction)")
    levels.plot(t, col["level2_m"], label="tank 2 (delivery)")
    levels.set_ylabel("level (m)")
    levels.legend()
    flows.plot(t, col["flow_m3h"], label="pump / line")
    flows.plot(t, col["inflow_m3h"], "--", label="into tank 1")
    flows.plot(t, col["outflow_m3h"], ":", label="out of tank 2")
    flows.set_ylabel("flow (m³/h)")
    flows.legend()
    handles.plot(t, col["valve_pct"], label="valve opening (%)")
    handles.plot(t, [s / 100.0 for s in col["speed_rpm"]], label="pump speed (100 rpm)")
    handles.plot(t, col["discharge_bar"], label="discharge (bar)")
    handles.set_xlabel("time (s)")
    handles.legend()
    fig.suptitle("Pumped transfer line: valve 80 → 20 % at 10-20 s, speed 2600 → 1800 rpm at 300-310 s")
    fig.tight_layout()
    fig.savefig(target, dpi=110)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
