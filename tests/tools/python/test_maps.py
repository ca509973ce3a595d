"""Pump and compressor maps: the picture is written and every plotted point is the
curve procedure's value.  Against the library once it has the curve procedures, and
always against stand-ins that take the same arguments, so that the drawing is tested
on its own."""

import json
from pathlib import Path

import numpy as np
import pytest

import xv55
from xv55 import maps

SCENARIOS = Path(__file__).resolve().parents[3] / "tools" / "scenarios"


class StandIn:
    """A curve procedure with the curve procedures' inputs: piecewise-linear curves,
    linear in speed; the compressor's margins as 100 (Q - QS)/QS and 100 (QW - Q)/QW."""

    def __init__(self, kinds):
        self.kinds = kinds
        compressor = len(kinds) == 14
        self.name = maps.COMPRESSOR if compressor else maps.PUMP
        self.inputs = [xv55.Argument(f"in{k + 1}", kind, 0, "", True)
                       for k, kind in enumerate(kinds)]
        self.outputs = [xv55.Argument(n, "real", 0, "", False)
                        for n in (["y", "surge", "stone"] if compressor else ["y"])]
        self.arguments = self.inputs + self.outputs
        self.calls = []

    def site(self, work):
        procedure, values = self, {}

        class Site:
            def call(self, call_type, **given):
                values.update(given)
                procedure.calls.append(call_type)
                return procedure.evaluate(call_type, values)
        return Site()

    def evaluate(self, call_type, v):
        c = len(self.kinds) == 14
        speeds, counts = np.array(v["in7" if c else "in6"]), v["in4"]
        y_table, x_table = np.array(v["in8" if c else "in7"]), np.array(v["in9" if c else "in8"])
        s, x = v["in6" if c else "in5"], v["in13" if c else "in10"]
        order = np.argsort(speeds)
        per_curve = [np.interp(x, x_table[k][:counts[k]], y_table[k][:counts[k]]) for k in order]
        y = float(np.interp(s, speeds[order], per_curve))
        outputs = {"y": y}
        if c:
            qs = np.interp(s, speeds[order], np.array(v["in11"])[order])
            qw = np.interp(s, speeds[order], np.array(v["in12"])[order])
            outputs.update(surge=100 * (x - qs) / qs, stone=100 * (qw - x) / qw)
        return xv55.Result(call_type, 0, outputs, None, [], [], [])


class StandInLibrary:
    def __init__(self):
        self.procedures = {maps.PUMP: StandIn(maps.PUMP_KINDS),
                           maps.COMPRESSOR: StandIn(maps.COMPRESSOR_KINDS)}


def load(name):
    with open(SCENARIOS / name, encoding="utf-8") as f:
        return json.load(f)


def knots_match(picture, lib_value):
    """Every knot marker is the value a fresh call gives at that speed and flow."""
    checked = 0
    for panel in picture.panels:
        for line in panel.lines:
            if line.style != "knots":
                continue
            speed = float(line.label.split(" ")[0])
            for q, y in zip(line.flow, line.value):
                assert y == pytest.approx(lib_value(panel.quantity, speed, q), abs=1e-12)
                checked += 1
    return checked


def written(path, kind):
    data = path.read_bytes()
    return data.startswith(b"\x89PNG") if kind == "png" else b"<svg" in data


def test_pump_map_plots_the_procedures_values(tmp_path):
    given = load("pump-map.json")
    picture = maps.build(StandInLibrary(), given, points=20)
    assert [p.quantity for p in picture.panels] == ["head", "efficiency"]
    head = picture.panels[0]
    assert [line.label for line in head.lines if line.style != "knots"] == \
        ["1450", "2900", "2200 (interpolated)"]
    # At the knots the stand-in's curves are the tables: so must the markers be.
    for line, table in zip([l for l in head.lines if l.style == "knots"], given["head"]):
        assert list(line.value) == table
    # The interpolated speed lies between the two speed lines at every flow.
    middle = head.lines[-1]
    assert np.all(middle.value <= np.interp(middle.flow, head.lines[2].flow, head.lines[2].value))
    for kind in ("png", "svg"):
        maps.draw(picture, tmp_path / f"pump.{kind}")
        assert written(tmp_path / f"pump.{kind}", kind)


def test_compressor_map_plots_limits_and_the_operating_point(tmp_path):
    given = load("compressor-map.json")
    picture = maps.build(StandInLibrary(), given, points=10)
    lines = {line.style: line for line in picture.panels[0].lines}
    assert list(lines["surge"].flow) == given["surge"]
    assert list(lines["stonewall"].flow) == given["stonewall"]
    # The operating point at 9300 and 3.2: surge flow 2.49, stonewall flow 4.55.
    assert lines["point"].flow[0] == 3.2
    assert picture.notes[0] == "surge margin 28.5 %, stonewall margin 29.7 %"
    maps.draw(picture, tmp_path / "compressor.png")
    assert written(tmp_path / "compressor.png", "png")


PUMP = {"map": "pump", "speeds": [1], "flow": [[1, 2]], "head": [[3, 4]]}
COMPRESSOR = dict(PUMP, map="compressor", surge=[1], stonewall=[2])


@pytest.mark.parametrize("given, message", [
    ([], "a map is a JSON object, not []"),
    ({"map": "fan"}, "'map' is \"pump\" or \"compressor\", not 'fan'"),
    (dict(PUMP, speeds=[1, 2]), "'flow' needs one list of points per speed (2)"),
    (dict(PUMP, speeds=["a"]), "'speeds' is a list of numbers, not ['a']"),
    (dict(PUMP, head=[["x", 4]]), "'head' is a list of numbers, not ['x', 4]"),
    (dict(PUMP, flow=[[]], head=[[]]), "'flow' has a curve without points"),
    (dict(PUMP, curveType=5), "'curveType' is a text, not 5"),
    (dict(PUMP, title=None), "'title' is a text, not None"),
    (dict(PUMP, curveType="Polynomial", coefficients={"head": [[1, 2]]}, flowRange=[[1]]),
     "'flowRange' needs [lowest, highest] flow per speed"),
    (dict(COMPRESSOR, operatingPoint={"speed": "x", "flow": 1}),
     "'operatingPoint' is an object of two numbers, speed and flow"),
])
def test_mistakes_in_a_map_are_usage_errors(given, message):
    with pytest.raises(xv55.UsageError) as raised:
        maps.build(StandInLibrary(), given)
    assert str(raised.value).startswith(message)


def test_mistakes_on_the_command_line_end_with_status_two(tmp_path, capsys):
    good = tmp_path / "pump.json"
    good.write_text(json.dumps(PUMP))
    for args in (["-o", "map.gif"], ["-o", "map.png", "--points", "0"]):
        assert maps.main([str(good)] + args) == 2
        assert capsys.readouterr().err.startswith("xv55.maps: ")


needs_pump = pytest.mark.skipif(
    maps.PUMP not in xv55.Library().procedures, reason="the library has no pump curves yet")
needs_compressor = pytest.mark.skipif(
    maps.COMPRESSOR not in xv55.Library().procedures,
    reason="the library has no compressor curves yet")


@needs_pump
def test_pump_map_from_the_library(lib, tmp_path):
    given = load("pump-map.json")
    picture = maps.build(lib, given, points=20)
    names = [a.name for a in lib[maps.PUMP].inputs]

    def value(quantity, speed, q):
        c = maps._curve_inputs(given, quantity)
        nc, np_ = len(c["speeds"]), max(c["counts"])
        site = lib[maps.PUMP].site(work=5 * nc * np_)
        site.call("setup", **dict(zip(names, [c["curve_type"], nc, np_, c["counts"], speed,
                                              c["speeds"], c["values"], c["flow"],
                                              c["coefficients"], q, c["method"]])))
        return site.call("values").outputs[lib[maps.PUMP].outputs[0].name]

    assert knots_match(picture, value) == 20
    # A spline goes through its knots: the markers are the tables.
    assert list(picture.panels[0].lines[1].value) == pytest.approx(given["head"][0])
    maps.draw(picture, tmp_path / "pump.png")
    assert written(tmp_path / "pump.png", "png")


@needs_compressor
def test_compressor_map_from_the_library(lib, tmp_path):
    picture = maps.build(lib, load("compressor-map.json"), points=10)
    assert picture.notes and picture.notes[0].startswith("surge margin")
    maps.draw(picture, tmp_path / "compressor.svg")
    assert written(tmp_path / "compressor.svg", "svg")
