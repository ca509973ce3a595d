"""The Python package against the library: the same blocks, values, derivatives and
messages as the command-line host, for every procedure of the metadata."""

import ctypes
import json
import subprocess

import numpy as np
import pytest

import xv55


def made_up_inputs(procedure):
    """Inputs for any procedure from its metadata alone (as the CLI tests make them)."""
    values, nxt = {}, [1.25]

    def real():
        nxt[0] += 0.5
        return nxt[0]

    for a in procedure.arguments:
        if a.kind == "real" and a.is_input:
            values[a.name] = real()
        elif a.kind == "integer":
            values[a.name] = 2
        elif a.kind == "text":
            values[a.name] = "Tabular data"
        elif a.kind == "real vector" and a.is_input:
            values[a.name] = [real(), real(), real()]
        elif a.kind == "integer vector":
            values[a.name] = [3, 3, 3]
        elif a.kind == "real matrix" and a.is_input:
            values[a.name] = [[real(), real(), real()], [real(), real(), real()]]
        elif a.kind == "integer matrix":
            values[a.name] = [[1, 2, 3], [4, 5, 6]]
        elif a.kind == "real vector":
            values[a.name] = 3
        elif a.kind == "real matrix":
            values[a.name] = (3, 3)
    return values


def cli_call(cli, name, values, call_type=4):
    done = subprocess.run([cli, "call", name, "--in", "-", "--type", str(call_type)],
                          input=json.dumps(values), capture_output=True, text=True,
                          check=True)
    return json.loads(done.stdout)


def number(x):
    """A value of the CLI's JSON: non-finite numbers are written "nan", "inf", "-inf"."""
    return {"nan": np.nan, "inf": np.inf, "-inf": -np.inf}[x] if isinstance(x, str) else x


def same(a, b):
    b = np.vectorize(number, otypes=[float])(np.array(b, dtype=object))
    return np.array_equal(np.asarray(a, dtype=float), b, equal_nan=True)


def test_every_procedure_matches_the_command_line_host(lib, cli):
    assert len(lib.procedures) >= 14
    for procedure in lib:
        values = made_up_inputs(procedure)
        for call_type in (4, 0):
            r = procedure(call_type=call_type, **values)
            c = cli_call(cli, procedure.name, values, call_type)
            assert r.status == c["status"], procedure.name
            for name, value in r.outputs.items():
                assert same(value, c["outputs"][name]), (procedure.name, name)
            if c["derivatives"] is None:
                assert r.derivatives is None, procedure.name
            else:
                assert r.rows == c["derivatives"]["rows"]
                assert r.columns == c["derivatives"]["columns"]
                assert same(r.derivatives, c["derivatives"]["matrix"]), procedure.name
            assert [(m.severity, m.text) for m in r.messages] == \
                [(m["severity"], m["text"]) for m in c["messages"]], procedure.name


def test_values_derivatives_and_messages(lib):
    r = lib["XV55IF_SPRAMP"](x=2.5, x1=1, x2=3, y1=10, y2=20)
    assert r.outputs == {"y": 17.5}
    assert r.derivative("y", "x") == 5.0
    assert r.derivative("y", "y1") == 0.25
    # A matrix as a list of rows, first index = row, laid out column-major.
    m = lib["spmatr"](a=np.array([[1, 3, 5], [2, 4, 6]]), b=[1, 1.5, 2], y=2)
    assert list(m.outputs["y"]) == [15.5, 20.0]
    assert m.derivative("y[2]", "a[2,3]") == 2.0
    assert m.derivative("y[1]", "b[2]") == 3.0
    bad = lib["spmatr"](call_type="values", a=[[1, 2]], b=[1], y=[7.0])
    assert bad.status == 4
    assert list(bad.outputs["y"]) == [7.0]  # not reached: kept
    assert [(m.severity, m.call_type) for m in bad.messages] == [(4, 0)]
    assert "Incompatible matrix dimensions" in bad.messages[0].text
    assert bad.derivatives is None
    root = lib["spsqrt"](x=0.0)
    assert root.derivative("y", "x") == np.inf


# A probe entry point with a matrix output between a vector and a scalar output, written
# by the block convention: m(i, j) = (10 i + j) x at cell (j - 1) rows + i of m, v(k) = k x,
# s = x^2, their derivative rows counted in argument order and storage order.  With x = 0
# it writes no value, so what was given shows.
_ENTRY = ctypes.CFUNCTYPE(None, *[ctypes.c_void_p] * 14)


def _cells(address, ctype, n):
    return ctypes.cast(address, ctypes.POINTER(ctype))[:n] if n else []


def _probe_entry(inputs, _in_sizes, outputs, out_sizes, in_positions, out_positions, _status,
                 _context, _work, _work_length, derivatives, d_rows, _d_columns, call_type):
    x = ctypes.cast(inputs, ctypes.POINTER(ctypes.c_double))[_cells(in_positions, ctypes.c_int64,
                                                                      1)[0] - 1]
    n, rows, columns = _cells(out_sizes, ctypes.c_int64, 3)
    vp, mp, sp = _cells(out_positions, ctypes.c_int64, 3)
    out = ctypes.cast(outputs, ctypes.POINTER(ctypes.c_double))
    d = ctypes.cast(derivatives, ctypes.POINTER(ctypes.c_double))
    d_rows = ctypes.cast(d_rows, ctypes.POINTER(ctypes.c_int64))[0]
    kind = ctypes.cast(call_type, ctypes.POINTER(ctypes.c_int64))[0]
    values, slopes = kind in (0, 4) and x != 0, kind in (3, 4)
    for k in range(1, n + 1):
        if values:
            out[vp - 1 + k - 1] = k * x
        if slopes:
            d[k - 1] = k  # dv(k)/dx
    for j in range(1, columns + 1):
        for i in range(1, rows + 1):
            cell = (j - 1) * rows + i
            if values:
                out[mp - 1 + cell - 1] = (10 * i + j) * x
            if slopes:
                d[n + cell - 1] = 10 * i + j  # dm(i,j)/dx
    if values:
        out[sp - 1] = x * x
    if slopes:
        d[d_rows - 1] = 2 * x  # ds/dx


@pytest.fixture
def probe(lib):
    entry = _ENTRY(_probe_entry)
    arguments = [xv55.Argument("x", "real", 0, "", True),
                 xv55.Argument("v", "real vector", 1, "", False),
                 xv55.Argument("m", "real matrix", 2, "mol/mol", False),
                 xv55.Argument("s", "real", 0, "", False)]
    procedure = xv55.Procedure(lib, "XV55IF_TESTMATRIX", entry, arguments)
    procedure.keep = entry  # the callback lives as long as the procedure
    return procedure


def test_matrix_output_cells_and_labels_land_where_the_procedure_writes_them(probe):
    r = probe(x=2.0, v=2, m=(2, 3))
    assert r.rows == ["v[1]", "v[2]", "m[1,1]", "m[2,1]", "m[1,2]", "m[2,2]", "m[1,3]",
                      "m[2,3]", "s"]
    assert r.outputs["m"].tolist() == [[22, 24, 26], [42, 44, 46]]
    assert r.outputs["v"].tolist() == [2, 4] and r.outputs["s"] == 4
    for i in (1, 2):
        for j in (1, 2, 3):
            assert r.derivative(f"m[{i},{j}]", "x") == 10 * i + j
    assert r.derivative("v[2]", "x") == 2 and r.derivative("s", "x") == 4
    # Contents as rows (a list or a 2-D array) come back as they were given.
    given = np.array([[1.0, 2.0, 3.0], [4.0, 5.0, 6.0]])
    for m in (given, given.tolist()):
        kept = probe(call_type="values", x=0.0, v=[7.0], m=m)
        assert np.array_equal(kept.outputs["m"], given)
    assert probe(x=1.0, v=0, m=(0, 3)).outputs["m"].shape == (0, 3)
    assert probe(x=1.0, v=0, m=np.array([3, 0])).rows == ["s"]


@pytest.mark.parametrize("m, message", [
    ((2, -1), r"the shape \(2, -1\) is not \(rows, columns\): two integers of at least 0, "
              r"at most 4194304 cells in all"),
    ((2.5, 3), r"the shape \(2.5, 3\) is not"),
    ((4194304, 2), r"the shape \(4194304, 2\) is not"),
    ((float("nan"), 1), r"the shape \(nan, 1\) is not"),
    ([2, 3, 4], r"expected its shape \(rows, columns\) or a list of its rows"),
    (6, r"expected its shape"),
    ([[1, 2], [3]], "rows of different lengths"),
    ([["a"]], "values of type"),
])
def test_bad_matrix_outputs_are_usage_errors(probe, m, message):
    with pytest.raises(xv55.UsageError, match="XV55IF_TESTMATRIX: output m: " + message):
        probe(x=1.0, v=1, m=m)


def test_a_matrix_output_needs_its_shape(probe):
    with pytest.raises(xv55.UsageError, match=r"output m needs its shape \(m=\(rows, columns\)"):
        probe(x=1.0, v=1)


def test_a_call_site_keeps_its_output_cells_and_workspace(lib):
    site = lib["spramp"].site(work=4)
    assert site.call("values", x=2.5, x1=1, x2=3, y1=10, y2=20).outputs["y"] == 17.5
    # A derivative-only call reads y from the output cell the last call left.
    assert site.call("derivatives", x=2.0).derivative("y", "x1") == (17.5 - 20) / 2
    assert site.call("derivatives", y=16.0).derivative("y", "x1") == -2.0
    site.work[3] = 42.0
    site.call("values")
    assert site.work[3] == 42.0


def _call(name, **values):
    return lambda lib: lib[name](**values)


def _set(name, **values):
    return lambda lib: lib[name].site().set(**values)


def _rework(work):
    def replace_and_call(lib):
        site = lib["spsqrt"].site()
        site.work = work
        site.call(x=1.0)
    return replace_and_call


WIDE = np.zeros((1, 4097))  # with 4096 output cells, 4096 x 4098 derivative elements
SINGLES = np.zeros(4, dtype=np.float32)

# Each misuse and a part of what the package says; values at and beyond the
# command-line host's caps: 2**22 output cells, 2**24 workspace or derivative elements.
MISUSES = {
    "unknown procedure": (_call("spnone"), "unknown procedure 'spnone'"),
    "index not a text": (lambda lib: lib[3], "a procedure is named by a text, not 3"),
    "missing input": (_call("spramp", x=1), "XV55IF_SPRAMP: missing input x1"),
    "unknown argument": (_call("spramp", q=1), "XV55IF_SPRAMP has no argument 'q'"),
    "text for a real": (_call("spramp", x="fast"), "input x: expected a real number"),
    "integer beyond reals": (_call("spsqrt", x=10**400), "x: the integer is beyond the reals"),
    "long double": (_call("sprecv", x=np.array([1e300], np.longdouble) ** 2, n=1, y=1),
                    "input x: a number is beyond the reals"),
    "complex": (_call("spmatr", a=[[1 + 2j]], b=[1], y=1), "a: complex values are not real"),
    "fractional integer": (_call("sprecv", x=[1], n=2.5, y=1), "n: expected an integer"),
    "boolean integer": (_call("sprecv", x=[1], n=True, y=1), "n: expected an integer"),
    "1e30 integer": (_call("sprecv", x=[1], n=1e30, y=1), "n: the integer 1e+30 is out of"),
    "1e30 in integers": (_set("sppumpcurve", npts=[3, 1e30]), "the integer 1e+30 is out of"),
    "2**63 in integers": (_set("sppumpcurve", npts=np.array([2**63], np.uint64)),
                          "npts: the integer 9223372036854775808 is out of range"),
    "inf in integers": (_set("sppumpcurve", npts=[np.inf]), "npts: expected integers"),
    "beyond Latin-1": (_set("sppumpcurve", curveType="d\u0430ta"), "holds '\u0430', not a Lat"),
    "text with a NUL": (_set("sppumpcurve", curveType="a\0b"), "the text holds a NUL"),
    "41 characters": (_set("sppumpcurve", curveType="x" * 41), "41 characters, more than 40"),
    "no output cells": (_call("sprecv", x=[1], n=2), "output y needs its number of cells"),
    "cells beyond cap": (_call("sprecv", x=[1], n=1, y=2**22 + 1), "cells (0 to 4194304)"),
    "contents beyond cap": (_call("sprecv", x=[1], n=1, y=np.zeros(2**22 + 1)),
                            "output y: 4194305 cells, more than 4194304"),
    "matrix beyond cap": (_call("spmatr", a=WIDE, b=[1], y=4096), "XV55IF_SPMATR: the "
                          "derivative matrix would have 4096 x 4098 elements, more than 16777216"),
    "vector for a vector": (_call("sprecv", x=[[1]], n=2, y=1), "x: expected a list of values"),
    "ragged matrix": (_call("spmatr", a=[[1, 2], [3]], b=[1], y=1), "a: rows of different"),
    "texts in a matrix": (_call("spmatr", a=[["a"]], b=[1], y=1), "a: values of type"),
    "call type 7": (_call("spsqrt", x=1, call_type=7), "call type 7 is none"),
    "work beyond cap": (lambda lib: lib["spramp"].site(work=2**24 + 1),
                        "workspace length 16777217 is not an integer between 0 and 16777216"),
    "work True": (lambda lib: lib["spramp"].site(work=True), "workspace length True"),
    "work replaced": (_rework(SINGLES), "the workspace of this call site is a writable 1-D "
                      "float64 numpy array of at most 16777216 elements, not ndarray float32"),
    "path as bytes": (lambda lib: lib.load_flowsheet(b"a.json"), "path b'a.json' is bytes"),
    "path with a NUL": (lambda lib: lib.load_flowsheet("a\0.json"), "'a\\x00.json' holds a NUL"),
    "path a number": (lambda lib: lib.load_flowsheet(5), "path 5 is not a text or a Path"),
    "library as bytes": (lambda lib: xv55.Library(library=b"x.so"), "path b'x.so' is bytes"),
    "library as metadata": (lambda lib: xv55.Library(procedures=lib._dll._name),
                            "cannot read the procedure metadata"),
}


@pytest.mark.parametrize("misuse", MISUSES.values(), ids=MISUSES.keys())
def test_misuses_are_usage_errors(lib, misuse):
    action, message = misuse
    with pytest.raises(xv55.UsageError) as raised:
        action(lib)
    assert message in str(raised.value)


# A power of 100 kW with 6 bar of rise from 5 bar under an 8 bar limit is cut to
# (8 - 5) / 6 of itself, 50 kW, with a warning once per solver marker.
REDUCED = " \npPSpec-W-Power has been reduced from 100.0 kW to 50.00 kW to keep\n" \
          " outlet pressure below 8.000 bar"


def _hook_fails(message):
    raise RuntimeError("screen gone")


@pytest.mark.parametrize("setting, expected", [
    ({"options": {20: "yes"}},
     [(2, "solver option 20: 'yes' is not a finite number within the 64-bit integers; "
          "not answered")]),
    ({"options": {20: 1e30}}, [(2, "solver option 20: 1e+30 is not a finite number")]),
    ({"marker": float("nan")},
     [(2, "solver option 31: nan is not a finite number"), (2, REDUCED)]),
    ({"on_message": _hook_fails},
     [(2, REDUCED), (2, "the message hook failed: RuntimeError: screen gone")]),
])
def test_a_failing_callback_is_a_message_and_no_answer(lib, capfd, setting, expected):
    site = lib["sppspc"].site(work=4)
    try:
        lib.options.update(setting.get("options", {}))
        lib.marker = setting.get("marker")
        lib.on_message = setting.get("on_message")
        r = site.call("values", w=100.0, pin=5.0, pmax=8.0, dp=6.0)
    finally:
        lib.options.clear()
        lib.marker = lib.on_message = None
    assert r.outputs["wout"] == 50.0
    assert [(m.severity, m.text[:len(t)]) for m, (_, t) in zip(r.messages, expected)] == expected
    assert len(r.messages) == len(expected)
    assert capfd.readouterr().err == ""


def test_a_library_object_made_later_does_not_take_the_messages(lib):
    later = xv55.Library()
    r = lib["sppspc"](call_type="values", w=100.0, pin=5.0, pmax=8.0, dp=6.0)
    assert [m.text for m in r.messages] == [REDUCED] and later.messages == []


def test_an_interrupt_in_a_callback_is_raised_after_the_call(lib):
    def interrupt(message):
        raise KeyboardInterrupt
    site = lib["sppspc"].site(work=4)
    lib.on_message = interrupt
    try:
        with pytest.raises(KeyboardInterrupt):
            site.call("values", w=100.0, pin=5.0, pmax=8.0, dp=6.0)
    finally:
        lib.on_message = None
    assert site.call("values").outputs["wout"] == 50.0  # the call had completed


def test_metadata_is_the_command_line_hosts(lib, cli):
    listed = json.loads(subprocess.run([cli, "list", "--json"], capture_output=True,
                                       text=True, check=True).stdout)
    assert [p["name"] for p in listed["procedures"]] == list(lib.procedures)
    psimpint = lib["psimpint"]
    assert [(a.name, a.unit) for a in psimpint.inputs][:2] == [("p0", "bar"), ("ps", "bar")]
    assert [a.kind for a in lib["spmatr"].arguments] == ["real matrix", "real vector",
                                                         "real vector"]
    compositions = lib["eqlbrx"].outputs[1]
    assert (compositions.name, compositions.kind, compositions.extents,
            compositions.is_input) == ("productCompositions", "real matrix", 2, False)
