"""Pump and compressor maps drawn by calling the library's curve procedures.

    python3 -m xv55.maps MAP.json -o map.png      (or .svg)

MAP.json describes the machine's curves (docs/tools.md, "Curve maps"):

    {"map": "pump", "curveType": "Tabular data", "splineMethod": "Hermite",
     "speeds": [1450, 2900], "flow": [[...], [...]], "head": [[...], [...]],
     "efficiency": [[...], [...]], "interpolatedSpeeds": [2200]}

    {"map": "compressor", "curveType": "Tabular data", "speeds": [...],
     "flow": [[...]], "head": [[...]], "surge": [...], "stonewall": [...],
     "operatingPoint": {"speed": 9000, "flow": 3.1}}

Every plotted value is the library's: each speed line is evaluated at its own speed
along its flow range, the markers at the curve's knots, the surge and stonewall
lines at the limit flows, and the operating point with its two margins.
"""

import argparse
import json
import sys
from dataclasses import dataclass, field

import numpy as np

from ._library import Library, UsageError

PUMP = "XV55IF_SPPUMPCURVE"
COMPRESSOR = "XV55IF_SPPCURVE"
# The arguments of the curve procedures, in order, by kind: the map lays its data out
# by position, whatever the arguments are called.
PUMP_KINDS = ["text", "integer", "integer", "integer vector", "real", "real vector",
              "real matrix", "real matrix", "real matrix", "real", "text"]
MAX_POINTS = 10000  # along each curve
COMPRESSOR_KINDS = ["text", "integer", "integer", "integer vector", "text", "real",
                    "real vector", "real matrix", "real matrix", "real matrix",
                    "real vector", "real vector", "real", "text"]


@dataclass
class Line:
    label: str
    flow: np.ndarray
    value: np.ndarray
    style: str = "curve"          # curve, interpolated, knots, surge, stonewall, point


@dataclass
class Panel:
    quantity: str                 # "head", "efficiency", ...
    unit: str
    lines: list = field(default_factory=list)


@dataclass
class Map:
    title: str
    flow_unit: str
    panels: list
    notes: list = field(default_factory=list)   # margins, warnings


def _reals(value, what):
    """A list of numbers from the map file as floats."""
    if not isinstance(value, list) or not all(
            isinstance(v, (int, float)) and not isinstance(v, bool) for v in value):
        raise UsageError(f"'{what}' is a list of numbers, not {value!r:.60}")
    try:
        return [float(v) for v in value]
    except OverflowError:
        raise UsageError(f"'{what}' holds a number beyond the reals") from None


def _entry(given, key, kind, default):
    """given[key] when it is of that kind (dict or str), else default when absent."""
    value = given.get(key, default)
    if not isinstance(value, kind):
        raise UsageError(f"'{key}' is {'an object' if kind is dict else 'a text'}, "
                         f"not {value!r:.60}")
    return value


def _procedure(lib, name, kinds):
    if name not in lib.procedures:
        raise UsageError(f"this library has no {name}")
    procedure = lib.procedures[name]
    if [a.kind for a in procedure.inputs] != kinds:
        raise UsageError(f"the inputs of {name} are not those of a curve procedure: "
                         f"{[a.kind for a in procedure.inputs]}")
    return procedure


def _tables(given, key, speeds):
    """A table of one row per curve, padded to the longest curve, and point counts."""
    rows = given.get(key)
    if not isinstance(rows, list) or len(rows) != len(speeds):
        raise UsageError(f"'{key}' needs one list of points per speed ({len(speeds)})")
    rows = [_reals(r, key) for r in rows]
    if not all(rows):
        raise UsageError(f"'{key}' has a curve without points")
    counts = [len(r) for r in rows]
    width = max(counts + [1])
    table = np.array([list(r) + [r[-1] if r else 0.0] * (width - len(r)) for r in rows],
                     dtype=float)
    return table, counts


def _curve_inputs(given, value_key):
    """Curve type, counts, speeds, tables and coefficients common to both procedures."""
    speeds = _reals(given.get("speeds", []), "speeds")
    if not speeds:
        raise UsageError("'speeds' lists the speed of each curve")
    curve_type = _entry(given, "curveType", str, "Tabular data")
    method = _entry(given, "splineMethod", str, "Hermite")
    if curve_type.startswith("Tabular"):
        flow, counts = _tables(given, "flow", speeds)
        values, value_counts = _tables(given, value_key, speeds)
        if counts != value_counts:
            raise UsageError(f"'flow' and '{value_key}' differ in their numbers of points")
        coefficients = np.zeros((len(speeds), 4))
        ranges = [(min(f[:n]), max(f[:n])) for f, n in zip(flow, counts)]
        knots = [np.sort(f[:n]) for f, n in zip(flow, counts)]
    else:
        rows = _entry(given, "coefficients", dict, {}).get(value_key, [])
        if not isinstance(rows, list) or len(rows) != len(speeds):
            raise UsageError(f"'coefficients.{value_key}' needs one row per speed")
        rows = [_reals(r, f"coefficients.{value_key}") for r in rows]
        if len({len(r) for r in rows}) != 1:
            raise UsageError(f"'coefficients.{value_key}' has rows of different lengths")
        coefficients = np.array(rows, dtype=float)
        ranges = given.get("flowRange", [])
        if not isinstance(ranges, list) or len(ranges) != len(speeds):
            raise UsageError("'flowRange' needs [lowest, highest] flow per speed")
        ranges = [tuple(_reals(r, "flowRange")) for r in ranges]
        if any(len(r) != 2 for r in ranges):
            raise UsageError("'flowRange' needs [lowest, highest] flow per speed")
        counts = [2] * len(speeds)
        flow = values = np.zeros((len(speeds), 2))
        knots = [np.array([]) for _ in speeds]
    return dict(curve_type=curve_type, method=method, speeds=speeds, counts=counts,
                flow=flow, values=values, coefficients=coefficients, ranges=ranges,
                knots=knots)


def _evaluate(site, speed_name, flow_name, speed, flows, output=0):
    out = []
    for q in flows:
        r = site.call("values", **{speed_name: speed, flow_name: float(q)})
        out.append(list(r.outputs.values())[output])
    return np.array(out)


def pump_map(lib, given, points=60):
    """The pump map's lines, every value from XV55IF_SPPUMPCURVE."""
    procedure = _procedure(lib, PUMP, PUMP_KINDS)
    names = [a.name for a in procedure.inputs]
    units = _entry(given, "units", dict, {})
    panels = []
    for quantity in ("head", "efficiency"):
        if quantity not in given and quantity not in _entry(given, "coefficients", dict, {}):
            continue
        c = _curve_inputs(given, quantity)
        nc, np_ = len(c["speeds"]), max(c["counts"])
        site = procedure.site(work=max(5 * np_ * nc, 9 * nc, 1))
        inputs = dict(zip(names, [c["curve_type"], nc, np_, c["counts"], c["speeds"][0],
                                  c["speeds"], c["values"], c["flow"], c["coefficients"],
                                  c["ranges"][0][0], c["method"]]))
        setup = site.call("setup", **inputs)
        if setup.status == 4:
            raise UsageError("set-up refused the curves: " +
                             " ".join(m.text.strip() for m in setup.messages))
        panel = Panel(quantity, units.get(quantity, ""))
        for s, (lo, hi), knots in zip(c["speeds"], c["ranges"], c["knots"]):
            flows = np.linspace(lo, hi, points)
            panel.lines.append(Line(f"{s:g}", flows,
                                    _evaluate(site, names[4], names[9], s, flows)))
            if len(knots):
                panel.lines.append(Line(f"{s:g} knots", knots,
                                        _evaluate(site, names[4], names[9], s, knots),
                                        "knots"))
        for s in _reals(given.get("interpolatedSpeeds", []), "interpolatedSpeeds"):
            lo = np.interp(s, c["speeds"], [r[0] for r in c["ranges"]])
            hi = np.interp(s, c["speeds"], [r[1] for r in c["ranges"]])
            flows = np.linspace(lo, hi, points)
            panel.lines.append(Line(f"{s:g} (interpolated)", flows,
                                    _evaluate(site, names[4], names[9], s, flows),
                                    "interpolated"))
        panels.append(panel)
    if not panels:
        raise UsageError("a pump map needs 'head' (and may have 'efficiency')")
    return Map(_entry(given, "title", str, "Pump map"), units.get("flow", ""), panels)


def compressor_map(lib, given, points=60):
    """The compressor map's lines and operating point, from XV55IF_SPPCURVE."""
    procedure = _procedure(lib, COMPRESSOR, COMPRESSOR_KINDS)
    names = [a.name for a in procedure.inputs]
    units = _entry(given, "units", dict, {})
    c = _curve_inputs(given, "head")
    nc, np_ = len(c["speeds"]), max(c["counts"])
    surge = _reals(given.get("surge", []), "surge")
    stone = _reals(given.get("stonewall", []), "stonewall")
    if len(surge) != nc or len(stone) != nc:
        raise UsageError("'surge' and 'stonewall' give one flow per speed")
    point = given.get("operatingPoint")
    if point is not None:
        try:
            speed_at, flow_at = _reals([point["speed"], point["flow"]], "operatingPoint")
        except (TypeError, KeyError, UsageError):
            raise UsageError("'operatingPoint' is an object of two numbers, speed and flow, "
                             f"not {point!r:.60}") from None
    values = [c["curve_type"], nc, np_, c["counts"], "Yes", c["speeds"][0], c["speeds"],
              c["values"], c["flow"], c["coefficients"], surge, stone, c["ranges"][0][0],
              c["method"]]
    site = procedure.site(work=max(5 * np_ * nc, 9 * nc, 100))
    setup = site.call("setup", **dict(zip(names, values)))
    if setup.status == 4:
        raise UsageError("set-up refused the curves: " +
                         " ".join(m.text.strip() for m in setup.messages))
    panel = Panel("head", units.get("head", ""))
    speed, flow = names[5], names[12]
    for s, (lo, hi), knots in zip(c["speeds"], c["ranges"], c["knots"]):
        flows = np.linspace(lo, hi, points)
        panel.lines.append(Line(f"{s:g}", flows, _evaluate(site, speed, flow, s, flows)))
        if len(knots):
            panel.lines.append(Line(f"{s:g} knots", knots,
                                    _evaluate(site, speed, flow, s, knots), "knots"))
    for label, limits in (("surge", surge), ("stonewall", stone)):
        heads = [_evaluate(site, speed, flow, s, [q])[0]
                 for s, q in zip(c["speeds"], limits)]
        panel.lines.append(Line(label, np.array(limits), np.array(heads), label))
    notes = []
    if point:
        option = given.get("limitOption", "Yes")
        r = site.call("values", **{names[4]: option, speed: speed_at, flow: flow_at})
        y, surge_margin, stone_margin = list(r.outputs.values())
        panel.lines.append(Line(f"operating point ({speed_at:g})",
                                np.array([flow_at]), np.array([y]), "point"))
        notes.append(f"surge margin {surge_margin:.1f} %, stonewall margin {stone_margin:.1f} %")
        notes += [m.text.strip() for m in r.messages if m.text.strip()]
    site.call("cleanup")
    return Map(_entry(given, "title", str, "Compressor map"), units.get("flow", ""), [panel],
               notes)


def build(lib, given, points=60):
    if not isinstance(given, dict):
        raise UsageError(f"a map is a JSON object, not {given!r:.60}")
    kind = given.get("map")
    if kind == "pump":
        return pump_map(lib, given, points)
    if kind == "compressor":
        return compressor_map(lib, given, points)
    raise UsageError(f"'map' is \"pump\" or \"compressor\", not {kind!r}")


_STYLES = {"curve": dict(linestyle="-"), "interpolated": dict(linestyle="--"),
           "knots": dict(linestyle="none", marker="o", markersize=4),
           "surge": dict(linestyle="-.", marker="s", color="tab:red"),
           "stonewall": dict(linestyle=":", marker="s", color="tab:purple"),
           "point": dict(linestyle="none", marker="*", markersize=14, color="black")}


def draw(picture, path):
    """Writes the map as PNG or SVG (by the file's extension)."""
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, axes = plt.subplots(len(picture.panels), 1, sharex=True, squeeze=False,
                             figsize=(7, 3.5 * len(picture.panels) + 0.5))
    for ax, panel in zip(axes[:, 0], picture.panels):
        colours = {}
        for line in panel.lines:
            style = dict(_STYLES[line.style])
            speed = line.label.split(" ")[0]
            if line.style in ("curve", "interpolated", "knots"):
                if speed not in colours:
                    colours[speed] = f"C{len(colours) % 10}"
                style.setdefault("color", colours[speed])
            label = None if line.style == "knots" else line.label
            ax.plot(line.flow, line.value, label=label, **style)
        ax.set_ylabel(f"{panel.quantity} [{panel.unit}]" if panel.unit else panel.quantity)
        ax.grid(True, alpha=0.3)
        ax.legend(fontsize="small", title="speed")
    axes[-1, 0].set_xlabel(f"flow [{picture.flow_unit}]" if picture.flow_unit else "flow")
    title = picture.title + ("\n" + picture.notes[0] if picture.notes else "")
    fig.suptitle(title)
    fig.tight_layout()
    fig.savefig(path)
    plt.close(fig)


def main(argv=None):
    parser = argparse.ArgumentParser(prog="python3 -m xv55.maps", description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("map", help="map file (JSON)")
    parser.add_argument("-o", "--output", required=True, help="picture: .png or .svg")
    parser.add_argument("--points", type=int, default=60, help="points along each curve")
    parser.add_argument("--library", help="libxv55.so (default: $XV55_LIBRARY or build/)")
    parser.add_argument("--procedures", help="procedures.json (default: as the library)")
    args = parser.parse_args(argv)
    try:
        if not args.output.endswith((".png", ".svg")):
            raise UsageError("the picture is a .png or .svg file")
        if not 2 <= args.points <= MAX_POINTS:
            raise UsageError(f"--points is from 2 to {MAX_POINTS}, not {args.points}")
        with open(args.map, encoding="utf-8") as f:
            given = json.load(f)
        picture = build(Library(args.library, args.procedures), given, args.points)
        draw(picture, args.output)
    except (UsageError, OSError, json.JSONDecodeError) as e:
        print(f"xv55.maps: {e}", file=sys.stderr)
        return 2
    for note in picture.notes:
        print(note)
    return 0


if __name__ == "__main__":
    sys.exit(main())
