"""A call site laid out once, and the evaluation of many points in one loop of the tools
library: the same values, statuses, derivatives and messages as one call at a time."""

import ctypes
import math

import numpy as np
import pytest

import xv55
import xv55._prepared
from test_library import made_up_inputs


def same(a, b):
    return np.array_equal(np.asarray(a, dtype=float), np.asarray(b, dtype=float),
                          equal_nan=True)


def as_pairs(messages):
    return [(m.severity, m.text, m.call_type) for m in messages]


def test_a_prepared_site_answers_as_a_fresh_call_for_every_procedure(lib):
    for procedure in lib:
        values = made_up_inputs(procedure)
        for call_type in (4, 0):
            expected = procedure(call_type=call_type, **values)
            got = procedure.prepare(call_type, **values)()
            assert got.status == expected.status, procedure.name
            assert got.outputs.keys() == expected.outputs.keys()
            for name, value in expected.outputs.items():
                assert same(got.outputs[name], value), (procedure.name, name)
            assert (got.derivatives is None) == (expected.derivatives is None), procedure.name
            if expected.derivatives is not None:
                assert same(got.derivatives, expected.derivatives), procedure.name
                assert (got.rows, got.columns) == (expected.rows, expected.columns)
            assert as_pairs(got.messages) == as_pairs(expected.messages), procedure.name


def test_points_of_every_procedure_are_its_single_calls(lib):
    # Every real number input varies over three points (arrays and texts stay fixed).
    for procedure in lib:
        values = made_up_inputs(procedure)
        varied = {a.name: values[a.name] * np.array([1.0, 0.75, 1.5])
                  for a in procedure.inputs if a.kind == "real"}
        if not varied:
            continue
        points = procedure.prepare(4, **values).evaluate(setup=False, cleanup=False,
                                                         **varied)
        one = procedure.prepare(4, **values)
        for i in range(3):
            r = one(**{name: float(v[i]) for name, v in varied.items()})
            assert points.statuses[i] == r.status, procedure.name
            for name, value in r.outputs.items():
                assert same(points.outputs[name][i], value), (procedure.name, name, i)
            if r.derivatives is not None:
                assert same(points.derivatives[i], r.derivatives), (procedure.name, i)
            assert as_pairs(points.messages[i]) == as_pairs(r.messages), (procedure.name, i)


def test_without_the_tools_library_a_prepared_call_still_answers(lib):
    with_tools = lib["spmatr"].prepare(4, a=[[1, 3, 5], [2, 4, 6]], b=[1, 1.5, 2], y=2)
    saved, lib._tools = xv55._prepared.tools(lib), None
    try:
        bare = lib["spmatr"].prepare(4, a=[[1, 3, 5], [2, 4, 6]], b=[1, 1.5, 2], y=2)
        with pytest.raises(xv55.UsageError, match="libxv55tools.so is not beside"):
            bare.evaluate(b=[[1.0, 1.0, 1.0]])
    finally:
        lib._tools = saved
    for site in (with_tools, bare):
        r = site(b=[1, 1, 1])
        assert r.outputs["y"].tolist() == [9.0, 12.0]  # row sums of a
        assert r.derivative("y[2]", "a[2,3]") == 1.0  # b(3)
        assert r.derivative("y[1]", "b[2]") == 3.0  # a(1, 2)


def test_a_call_writes_only_the_inputs_it_is_given(lib):
    # y on the line through (x1, y1) and (x2, y2), clamped to the ends.
    site = lib["spramp"].prepare(xv55.CALL_BOTH, x=2.5, x1=1, x2=3, y1=10, y2=20)
    assert site().outputs == {"y": 17.5}
    assert site(x=2.0).outputs["y"] == 15.0
    assert site().outputs["y"] == 15.0  # x stays as last written
    r = site(y2=30, x=2)  # an integer for a real input
    assert r.outputs["y"] == 20.0
    assert r.derivative("y", "x") == 10.0  # (y2 - y1)/(x2 - x1)
    assert r.derivative("y", "y2") == 0.5  # (x - x1)/(x2 - x1)
    assert site.value("y", x=5.0) == 30.0
    assert site(call_type=0, x=1.5).derivatives is None
    # Texts and arrays are rewritten in place; an array keeps its prepared shape.
    matrix = lib["spmatr"].prepare(a=[[1, 3, 5], [2, 4, 6]], b=[1, 1.5, 2], y=2)
    assert matrix(b=[0, 0, 1]).outputs["y"].tolist() == [5.0, 6.0]
    assert matrix(a=[[1, 1, 1], [2, 2, 2]]).outputs["y"].tolist() == [1.0, 2.0]
    with pytest.raises(xv55.UsageError, match="prepared for the shape"):
        matrix(b=[1, 2])
    with pytest.raises(xv55.UsageError, match="has no input 'q'"):
        site(q=1.0)
    with pytest.raises(xv55.UsageError, match="expected a real number"):
        site(x="2")


# Darcy factor for smooth laminar flow and the fully rough limit, from their closed forms.
def test_points_give_the_values_of_one_call_at_a_time(lib):
    site = lib["sppcbr"].prepare(0, **made_up_inputs(lib["sppcbr"]))
    names = [a.name for a in lib["sppcbr"].inputs]
    re_name, r_name = names
    re = np.array([50.0, 1000.0, 2400.0, 3000.0, 1e4, 1e5, 1e7, -1.0, math.inf, 2e3])
    rough = np.array([1e-4] * 6 + [1e-3, 1e-4, 1e-3, 0.0])
    points = site.evaluate(**{re_name: re, r_name: rough})
    f = points.outputs[lib["sppcbr"].outputs[0].name]
    assert f[:2] == pytest.approx(64 / re[:2], rel=1e-6)
    assert f[8] == pytest.approx((1.74 - 2 * math.log10(2e-3)) ** -2, rel=1e-6)
    one = lib["sppcbr"].prepare(0, **made_up_inputs(lib["sppcbr"]))
    one(call_type=1, **{re_name: float(re[0]), r_name: float(rough[0])})
    for i in range(len(re)):
        r = one(**{re_name: float(re[i]), r_name: float(rough[i])})
        assert same(f[i], r.outputs[lib["sppcbr"].outputs[0].name]), i
        assert points.statuses[i] == r.status, i
        assert as_pairs(points.messages[i]) == as_pairs(r.messages), i
    assert points.calls == len(re) + 2  # set-up and clean-up around the points


def test_points_read_inputs_of_any_layout_and_leave_them_as_they_were(lib):
    # A strided view, integers, big-endian and single-precision numbers and a list give
    # the points of plain float64 arrays; the caller's arrays are not written.
    site = lib["sppcbr"].prepare(0, **made_up_inputs(lib["sppcbr"]))
    re_name, r_name = [a.name for a in lib["sppcbr"].inputs]
    f = lib["sppcbr"].outputs[0].name
    table = np.array([[1000.0, -1.0], [1e4, -1.0], [1e5, -1.0], [1e6, -1.0]])
    rough = np.array([1e-4, 1e-3, 1e-2, 1e-5], dtype=np.float32)
    kept = table.copy(), rough.copy()
    plain = site.evaluate(**{re_name: np.array([1000.0, 1e4, 1e5, 1e6]),
                             r_name: rough.astype(np.float64)})
    assert plain.outputs[f][0] == pytest.approx(64 / 1000, rel=1e-6)  # laminar
    column = table[:, 0]
    for given in (column, column.astype(np.int64), column.astype(">f8"), column.tolist()):
        points = site.evaluate(**{re_name: given, r_name: rough})
        assert same(points.outputs[f], plain.outputs[f]), given
        assert list(points.statuses) == list(plain.statuses)
    assert same(table, kept[0]) and same(rough, kept[1])


def test_points_with_derivatives_match_one_call_at_a_time(lib):
    values = dict(zip([a.name for a in lib["sppint"].inputs],
                      [0.1, 100.0, 1.0, 0.05, 4.5e-4, 2.5, 20.0, 0.3, 800.0, 20.0, 0.02, 1.5,
                       0.012, "none", "Darcy"]))
    velocity, liquid = lib["sppint"].inputs[5].name, lib["sppint"].inputs[7].name
    site = lib["sppint"].prepare(xv55.CALL_BOTH, **values)
    v = np.linspace(0.5, 5.0, 7)
    lam = np.linspace(0.1, 0.9, 7)
    points = site.evaluate(**{velocity: v, liquid: lam})
    assert points.derivatives.shape == (7, 3, 15)
    one = lib["sppint"].prepare(xv55.CALL_BOTH, **values)
    for i in range(7):
        r = one(**{velocity: float(v[i]), liquid: float(lam[i])})
        for a in lib["sppint"].outputs:
            assert same(points.outputs[a.name][i], r.outputs[a.name])
        assert same(points.derivatives[i], r.derivatives), i
        assert points.derivative(r.rows[1], velocity)[i] == r.derivative(r.rows[1], velocity)
    # The worked section: 0.1532 bar at 2.5 m/s, lambda 0.3.
    again = site.evaluate(**{velocity: [2.5], liquid: [0.3]})
    assert again.outputs[lib["sppint"].outputs[1].name][0] == pytest.approx(0.1532, abs=5e-5)


# A recording entry point: y = x + v(1) + 10 v(2) + 100 n, dy/dx = 1; it counts its calls in
# the workspace and prints a warning for a negative x.
_ENTRY = ctypes.CFUNCTYPE(None, *[ctypes.c_void_p] * 14)


def _at(address, ctype):
    return ctypes.cast(address, ctypes.POINTER(ctype))


@pytest.fixture
def recorder(lib):
    seen = []
    lib._dll.XvPrint.restype = None

    def entry(inputs, _sizes, outputs, _out_sizes, positions, _out_positions, status,
              _context, work, _work_length, derivatives, _rows, _columns, call_type):
        kind = _at(call_type, ctypes.c_int64)[0]
        pos = _at(positions, ctypes.c_int64)
        cells = _at(inputs, ctypes.c_double)
        x, v1, v2 = cells[pos[0] - 1], cells[pos[1] - 1], cells[pos[1]]
        n = _at(inputs, ctypes.c_int64)[pos[2] - 1]
        w = _at(work, ctypes.c_double)
        w[0] += 1
        seen.append((kind, x, v1, v2, n, w[0]))
        if kind in (0, 4):
            _at(outputs, ctypes.c_double)[0] = x + v1 + 10 * v2 + 100 * n
            if x < 0:
                _at(status, ctypes.c_int64)[0] = 2
                lib._dll.XvPrint(ctypes.c_int32(2), b"negative x")
            if x == 42:  # lines straight to the installed printer: two ended, one not
                printer = lib._dll.GetDLLInitializationData().contents.printer
                ops = ctypes.cast(ctypes.cast(printer, ctypes.POINTER(ctypes.c_void_p))[0],
                                  ctypes.POINTER(xv55._library._PrinterOps)).contents
                ops.writeLine(printer, b"first")
                ops.writeLine(printer, b"second")
                ops.endMessage(printer, 4)
                ops.writeLine(printer, b"left open")
        if kind in (3, 4):
            _at(derivatives, ctypes.c_double)[0] = 1.0  # dy/dx

    keep = _ENTRY(entry)
    arguments = [xv55.Argument("x", "real", 0, "", True),
                 xv55.Argument("v", "real vector", 1, "", True),
                 xv55.Argument("n", "integer", 0, "", True),
                 xv55.Argument("y", "real", 0, "", False)]
    procedure = xv55.Procedure(lib, "XV55IF_RECORDER", keep, arguments)
    procedure.keep = keep
    procedure.seen = seen
    return procedure


def test_set_up_once_every_point_then_clean_up(recorder):
    site = recorder.prepare(xv55.CALL_BOTH, x=0.0, v=[0.0, 0.0], n=1)
    points = site.evaluate(x=[1.0, -2.0, 3.0], v=[[1, 2], [3, 4], [5, 6]], n=7)
    assert recorder.seen == [(1, 1.0, 1.0, 2.0, 7, 1.0),  # set-up with the first point
                             (4, 1.0, 1.0, 2.0, 7, 2.0),
                             (4, -2.0, 3.0, 4.0, 7, 3.0),
                             (4, 3.0, 5.0, 6.0, 7, 4.0),
                             (2, 3.0, 5.0, 6.0, 7, 5.0)]  # clean-up with the last
    assert site.work[0] == 5.0  # one workspace through all five calls
    with pytest.raises(AttributeError):
        site.work = np.zeros(10)  # the library holds its address
    assert points.outputs["y"].tolist() == [722.0, 741.0, 768.0]
    assert points.statuses.tolist() == [0, 2, 0]
    assert [as_pairs(m) for m in points.messages] == [[], [(2, "negative x", 4)], []]
    assert points.derivative("y", "x").tolist() == [1.0, 1.0, 1.0]
    assert points.derivative("y", "v[1]").tolist() == [0.0, 0.0, 0.0]  # never written
    del recorder.seen[:]
    bare = site.evaluate(0, setup=False, cleanup=False, x=np.array([4.0, 5.0]))
    assert [s[0] for s in recorder.seen] == [0, 0]
    assert bare.outputs["y"].tolist() == [4 + 5 + 60 + 700, 5 + 5 + 60 + 700]
    assert bare.derivatives is None
    after = site(x=-1.0)  # the cells of the last point; the package's printer again
    assert after.outputs["y"] == -1 + 5 + 60 + 700
    assert as_pairs(after.messages) == [(2, "negative x", 4)]
    # Filled again in place: the same arrays, the new values.
    again = site.evaluate(0, setup=False, cleanup=False, out=bare, x=np.array([1.0, 2.0]))
    assert again.outputs["y"] is not bare.outputs["y"]  # a new view ...
    assert bare.outputs["y"].tolist() == [766.0, 767.0]  # ... of the same cells
    with pytest.raises(xv55.UsageError, match="out= takes"):
        site.evaluate(0, out=bare, x=np.array([1.0, 2.0, 3.0]))
    with pytest.raises(xv55.UsageError, match="out= takes"):
        site.evaluate(4, out=bare, x=np.array([1.0, 2.0]))


def test_lines_are_joined_and_an_open_message_is_closed_with_its_call(lib, recorder):
    lib._dll.GetDLLInitializationData.restype = ctypes.POINTER(xv55._library._InitBlock)
    site = recorder.prepare(0, x=0.0, v=[0.0, 0.0], n=1)
    points = site.evaluate(setup=False, cleanup=False, x=[42.0, 1.0, 42.0])
    expected = [(4, "first\nsecond", 0), (0, "left open", 0)]
    assert [as_pairs(m) for m in points.messages] == [expected, [], expected]
    assert points.messages.points() == [0, 2]
    assert as_pairs(site(x=42.0).messages) == expected  # the package's printer alike


def test_malformed_evaluations_are_usage_errors(recorder):
    site = recorder.prepare(x=0.0, v=[0.0, 0.0], n=1)
    with pytest.raises(xv55.UsageError, match="2 points where the other inputs have 3"):
        site.evaluate(x=[1.0, 2.0, 3.0], n=[1, 2])
    with pytest.raises(xv55.UsageError, match="shape"):
        site.evaluate(v=[[1.0, 2.0, 3.0]])
    with pytest.raises(xv55.UsageError, match="expected integers"):
        site.evaluate(n=[1.5, 2.0])
    with pytest.raises(xv55.UsageError, match="call type 0, 3 or 4"):
        site.evaluate(1, x=[1.0])
    # The C interface refuses before calling: a set-up type for the points, a varying
    # input beyond the four cells (x, v, n).
    dll, run = xv55._prepared.tools(recorder.library), xv55._prepared._Run
    values = np.zeros(4)
    beyond = xv55._prepared._Varying(3, 2, values.ctypes.data)
    for bad in (run(1, None, 0, 1), run(2, ctypes.addressof(beyond), 1, 0)):
        assert dll.xv55_vector_evaluate(site._site_address, ctypes.addressof(bad)) == 0
    assert recorder.seen == []
    empty = site.evaluate(x=np.zeros(0))
    assert empty.outputs["y"].shape == (0,) and empty.calls == 2


@pytest.mark.parametrize("marker", [None, 3.0])
def test_a_warning_is_given_once_per_solver_pass_as_in_single_calls(lib, marker):
    # A reduced power warns once per solver pass, remembered in the site's workspace:
    # every call is a pass of its own unless the library's marker is held.
    procedure = lib["sppspc"]
    w, pin, pmax, dp = (a.name for a in procedure.inputs)
    values = {w: 100.0, pin: 10.0, pmax: 12.0, dp: 4.0}
    lib.marker = marker
    try:
        points = procedure.prepare(**values).evaluate(setup=False, **{w: [100.0, 50.0, 80.0]})
        one = procedure.prepare(**values)
        singles = [one(**{w: x}) for x in (100.0, 50.0, 80.0)]
    finally:
        lib.marker = None
    assert [len(m) for m in points.messages] == ([1, 1, 1] if marker is None else [1, 0, 0])
    assert [as_pairs(m) for m in points.messages] == [as_pairs(r.messages) for r in singles]
    assert marker or "reduced from 50.00 kW to 25.00 kW" in points.messages[1][0].text
    assert points.outputs[procedure.outputs[0].name].tolist() == [50.0, 25.0, 40.0]  # W/2
