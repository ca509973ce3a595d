"""Loading libxv55.so with ctypes and calling its procedures through the block."""

import ctypes
import json
import os
from dataclasses import dataclass, field
from pathlib import Path

import numpy as np

CALL_VALUES, CALL_SETUP, CALL_CLEANUP, CALL_DERIVATIVES, CALL_BOTH = range(5)
_CALL_NAMES = {"values": 0, "setup": 1, "set-up": 1, "cleanup": 2,
               "clean-up": 2, "derivatives": 3, "both": 4}
TEXT_LENGTH = 40
MAX_OUTPUT_CELLS = 1 << 22  # of a matrix output given its shape, as the command-line host's
_TEXT_CELLS = 5
_UNTOUCHED = -7.0e77  # derivative elements the procedure did not write keep it


class UsageError(ValueError):
    """A value the procedure cannot take: unknown name, wrong type, bad extent."""


@dataclass(frozen=True)
class Argument:
    name: str
    kind: str       # "real", "integer", "text", "unused", "real vector", ...
    extents: int    # 0 scalar, 1 vector, 2 matrix
    unit: str
    is_input: bool


@dataclass
class Message:
    severity: int
    text: str
    call_type: int


@dataclass
class Result:
    call_type: int
    status: int                      # 0: the procedure wrote none
    outputs: dict                    # name -> float, or numpy array (1-D vector, 2-D matrix)
    derivatives: object              # numpy (rows x columns), or None when none written
    rows: list                       # labels of the derivative rows (output elements)
    columns: list                    # labels of the columns (input elements)
    messages: list = field(default_factory=list)

    def derivative(self, output, input):
        """d output / d input by labels ("y", "x", "v[2]", "a[1,2]")."""
        if self.derivatives is None:
            raise UsageError("the call wrote no derivative")
        try:
            return float(self.derivatives[self.rows.index(output),
                                          self.columns.index(input)])
        except ValueError:
            raise UsageError(f"no derivative d {output} / d {input} "
                             f"(rows {self.rows}, columns {self.columns})") from None


# ---- host objects handed over with QRInitialize ----

_WRITE_LINE = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_char_p)
_END_MESSAGE = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_int32)
_REQUEST = ctypes.CFUNCTYPE(ctypes.c_int32, ctypes.c_void_p, ctypes.c_int32,
                            ctypes.POINTER(ctypes.c_int64),
                            ctypes.POINTER(ctypes.c_double),
                            ctypes.POINTER(ctypes.c_char_p))


class _PrinterOps(ctypes.Structure):
    _fields_ = [("writeLine", _WRITE_LINE), ("endMessage", _END_MESSAGE)]


class _HandlerOps(ctypes.Structure):
    _fields_ = [("request", _REQUEST)]


class _HostObject(ctypes.Structure):
    _fields_ = [("ops", ctypes.c_void_p)]


class _InitBlock(ctypes.Structure):
    _fields_ = [("version", ctypes.c_int64), ("printer", ctypes.c_void_p),
                ("optionsHandler", ctypes.c_void_p), ("extra", ctypes.c_int64)]


_NOT_ANSWERED = -1
_INSTALLED = None  # the Library whose host objects the library holds
_OPTION_PRINT_ENABLED = 20
_OPTION_SOLVER_MARKER = 31


def _default_paths():
    here = Path(__file__).resolve().parent
    try:  # written into an installed package
        from . import _installed
        return here / _installed.LIBRARY, here / _installed.PROCEDURES
    except ImportError:  # the source tree, next to build/
        build = here.parent.parent / "build"
        return build / "lib" / "libxv55.so", build / "share" / "xv55" / "procedures.json"


class Library:
    """libxv55.so, its procedures, the printer and the solver-options handler.

    library / procedures: paths of libxv55.so and of procedures.json; by default
    $XV55_LIBRARY and $XV55_PROCEDURES, else those of the installed package or of
    the build/ folder next to the source tree.
    """

    def __init__(self, library=None, procedures=None):
        default_library, default_procedures = _default_paths()
        library = library or os.environ.get("XV55_LIBRARY") or default_library
        procedures = procedures or os.environ.get("XV55_PROCEDURES") or default_procedures
        try:
            self._dll = ctypes.CDLL(str(library))
        except OSError as e:
            raise UsageError(f"cannot load {library}: {e}") from None
        try:
            with open(procedures, encoding="utf-8") as f:
                catalogue = json.load(f)
        except OSError as e:
            raise UsageError(f"cannot read the procedure metadata {procedures}: {e}") from None
        self.procedures = {}
        for p in catalogue["procedures"]:
            arguments = [Argument(a["name"], a["kind"], a["extents"], a["unit"], True)
                         for a in p["inputs"]]
            arguments += [Argument(a["name"], a["kind"], a["extents"], a["unit"], False)
                          for a in p["outputs"]]
            entry = getattr(self._dll, p["name"])
            entry.restype = None
            entry.argtypes = [ctypes.c_void_p] * 14
            self.procedures[p["name"]] = Procedure(self, p["name"], entry, arguments)

        # Solver options: printing enabled (20) and a solver marker (31) that is the
        # call number, so that each call is a new solver pass, unless set here.
        self.options = {}
        self.marker = None
        self.messages = []
        self.calls = 0
        self._call_type = 0
        self._pending = None
        self._write_line = _WRITE_LINE(self._on_line)
        self._end_message = _END_MESSAGE(self._on_end)
        self._request = _REQUEST(self._on_request)
        self._printer_ops = _PrinterOps(self._write_line, self._end_message)
        self._handler_ops = _HandlerOps(self._request)
        self._printer = _HostObject(ctypes.addressof(self._printer_ops))
        self._handler = _HostObject(ctypes.addressof(self._handler_ops))
        self._init = _InitBlock(1, ctypes.addressof(self._printer),
                                ctypes.addressof(self._handler), 0)
        self._dll.QRInitialize.restype = ctypes.c_int32
        self._dll.QRInitialize.argtypes = [ctypes.POINTER(_InitBlock)]
        if self._dll.QRInitialize(ctypes.byref(self._init)) != 1:
            raise UsageError("the library refused the initialisation block")
        # The library calls the printer and handler of the last Library made: they
        # must outlive it even when the caller lets go of this object.
        global _INSTALLED
        _INSTALLED = self

    def _host(self):
        """libxv55host.so, the reference host beside the library (loaded with it)."""
        if getattr(self, "_host_dll", None) is None:
            path = Path(self._dll._name).resolve().parent / "libxv55host.so"
            try:
                self._host_dll = ctypes.CDLL(str(path))
            except OSError as e:
                raise UsageError(f"cannot load the reference host {path}: {e}") from None
            self._host_dll.xv55_load_flowsheet.restype = ctypes.c_int32
            self._host_dll.xv55_load_flowsheet.argtypes = [ctypes.c_char_p, ctypes.c_char_p,
                                                           ctypes.c_int64]
            self._host_dll.xv55_reset_host.restype = None
        return self._host_dll

    def load_flowsheet(self, path):
        """Loads a flowsheet file into the reference host (docs/flowsheet.md), for the
        procedures that read its blocks; raises UsageError with the reader's reason."""
        message = ctypes.create_string_buffer(512)
        if not self._host().xv55_load_flowsheet(str(path).encode(), message, len(message)):
            raise UsageError(message.value.decode("latin-1"))

    def reset_host(self):
        """The reference host back to its defaults (no flowsheet, empty store)."""
        self._host().xv55_reset_host()

    def _on_line(self, _self, line):
        text = line.decode("latin-1") if line is not None else ""
        self._pending = text if self._pending is None else self._pending + "\n" + text

    def _on_end(self, _self, severity):
        self.messages.append(Message(int(severity), self._pending or "", self._call_type))
        self._pending = None

    def _on_request(self, _self, code, integer, value, _text):
        if code in self.options:
            answer = self.options[code]
        elif code == _OPTION_PRINT_ENABLED:
            answer = 1
        elif code == _OPTION_SOLVER_MARKER:
            answer = self.marker if self.marker is not None else self.calls
        else:
            return _NOT_ANSWERED
        integer[0] = int(answer)
        value[0] = float(answer)
        return 0

    def _take_messages(self):
        if self._pending is not None:
            self._on_end(None, 0)
        taken, self.messages = self.messages, []
        return taken

    def __getitem__(self, name):
        return self.procedure(name)

    def procedure(self, name):
        """A procedure by its entry point name; "XV55IF_" and case may be left out."""
        wanted = name.upper()
        for full, p in self.procedures.items():
            if wanted in (full, full[len("XV55IF_"):]):
                return p
        raise UsageError(f"unknown procedure '{name}'")

    def __iter__(self):
        return iter(self.procedures.values())


class Procedure:
    """One procedure: its arguments and calls through a fresh call site."""

    def __init__(self, library, name, entry, arguments):
        self.library = library
        self.name = name
        self.entry = entry
        self.arguments = arguments
        self.inputs = [a for a in arguments if a.is_input]
        self.outputs = [a for a in arguments if not a.is_input]

    def site(self, work=1000):
        """A call site that keeps its workspace and output cells between calls."""
        return CallSite(self, work)

    def __call__(self, call_type=CALL_BOTH, work=1000, **values):
        return self.site(work).call(call_type, **values)

    def __repr__(self):
        ins = ", ".join(a.name for a in self.inputs)
        outs = ", ".join(a.name for a in self.outputs)
        return f"<{self.name} ({ins}) -> ({outs})>"


def _call_type(call_type):
    if isinstance(call_type, str) and call_type.lower() in _CALL_NAMES:
        return _CALL_NAMES[call_type.lower()]
    if isinstance(call_type, (int, np.integer)) and not isinstance(call_type, bool) \
            and 0 <= call_type <= 4:
        return int(call_type)
    raise UsageError(f"call type {call_type!r} is none of 0 values, 1 setup, "
                     "2 cleanup, 3 derivatives, 4 both")


class CallSite:
    """A procedure's call site as a host keeps it: inputs by name, workspace and
    output cells that persist from one call to the next."""

    def __init__(self, procedure, work=1000):
        if not isinstance(work, (int, np.integer)) or work < 0:
            raise UsageError(f"workspace length {work!r} is not a non-negative integer")
        self.procedure = procedure
        self.values = {}
        self.work = np.zeros(int(work), dtype=np.float64)
        self._outputs = None

    def set(self, **values):
        by_name = {a.name: a for a in self.procedure.arguments}
        for name, value in values.items():
            if name not in by_name:
                ins = ", ".join(a.name for a in self.procedure.inputs)
                outs = ", ".join(a.name for a in self.procedure.outputs)
                raise UsageError(f"{self.procedure.name} has no argument '{name}' "
                                 f"(inputs: {ins}; outputs: {outs})")
            self.values[name] = _check(self.procedure.name, by_name[name], value)
        return self

    def call(self, call_type=CALL_BOTH, **values):
        """One call; values given here change the site's inputs from now on."""
        call_type = _call_type(call_type)
        self.set(**values)
        block = _Block(self.procedure, self.values)
        if self._outputs is not None and len(self._outputs) == len(block.outputs):
            kept = [a for a in self.procedure.outputs if a.name not in values]
            block.keep_outputs(self._outputs, kept)
        lib = self.procedure.library
        lib._take_messages()
        lib.calls += 1
        lib._call_type = call_type
        status = np.zeros(1, dtype=np.int64)
        scalars = np.array([0, len(self.work), block.rows, block.columns, call_type],
                           dtype=np.int64)  # context, work length, rows, columns, type
        derivatives = np.full(max(block.rows * block.columns, 1), _UNTOUCHED)
        work = self.work if len(self.work) else np.zeros(1)
        p = _pointer
        self.procedure.entry(p(block.cells), p(block.input_sizes), p(block.outputs),
                             p(block.output_sizes), p(block.input_positions),
                             p(block.output_positions), p(status), p(scalars[0:]),
                             p(work), p(scalars[1:]), p(derivatives), p(scalars[2:]),
                             p(scalars[3:]), p(scalars[4:]))
        self._outputs = block.outputs.copy()
        matrix = derivatives[:block.rows * block.columns].reshape(
            (block.rows, block.columns), order="F")
        written = bool((matrix != _UNTOUCHED).any())
        return Result(call_type, int(status[0]), block.output_values(),
                      np.where(matrix == _UNTOUCHED, 0.0, matrix) if written else None,
                      block.row_labels, block.column_labels, lib._take_messages())


def _pointer(array):
    return ctypes.c_void_p(array.ctypes.data)


def _fail(procedure, argument, what):
    side = "input" if argument.is_input else "output"
    raise UsageError(f"{procedure}: {side} {argument.name}: {what}")


def _real(procedure, argument, v):
    if isinstance(v, (bool, np.bool_)) or not isinstance(v, (int, float, np.integer,
                                                                np.floating)):
        _fail(procedure, argument, f"expected a real number, got {v!r}")
    return float(v)


def _integer(procedure, argument, v):
    if isinstance(v, (bool, np.bool_)):
        _fail(procedure, argument, f"expected an integer, got {v!r}")
    if isinstance(v, (float, np.floating)) and float(v).is_integer():
        v = int(v)
    if not isinstance(v, (int, np.integer)):
        _fail(procedure, argument, f"expected an integer, got {v!r}")
    if not -2**63 <= int(v) < 2**63:
        _fail(procedure, argument, f"the integer {v} is out of range")
    return int(v)


def _check(procedure, argument, v):
    """The value as the block holds it: float, int, bytes or a numpy array."""
    kind = argument.kind
    if not argument.is_input:
        if argument.extents == 0:
            return _real(procedure, argument, v)
        if argument.extents == 2:
            return _matrix_output(procedure, argument, v)
        if isinstance(v, (int, np.integer)) and not isinstance(v, bool):
            if v < 0:
                _fail(procedure, argument, f"a negative number of cells ({v})")
            return np.zeros(int(v))
        return _array(procedure, argument, v, 1, np.float64)
    if kind == "unused":
        return 0.0
    if kind == "text":
        if not isinstance(v, str):
            _fail(procedure, argument, f"expected a text, got {v!r}")
        data = v.encode("latin-1", errors="replace")
        if len(data) > TEXT_LENGTH:
            _fail(procedure, argument, f"the text has {len(data)} characters, more than 40")
        return data
    dtype = np.int64 if kind.startswith("integer") else np.float64
    if argument.extents == 0:
        return (_integer if dtype is np.int64 else _real)(procedure, argument, v)
    return _array(procedure, argument, v, argument.extents, dtype)


def _is_number(v):
    return isinstance(v, (int, float, np.integer, np.floating)) and \
        not isinstance(v, (bool, np.bool_))


def _matrix_output(procedure, argument, v):
    """A matrix output: its shape (rows, columns), or its contents as a 2-D array."""
    listed = isinstance(v, (tuple, list)) or (isinstance(v, np.ndarray) and v.ndim == 1)
    if listed and len(v) == 2 and all(map(_is_number, v)):
        if not all(e >= 0 and (isinstance(e, (int, np.integer)) or float(e).is_integer())
                   for e in v) or int(v[0]) * int(v[1]) > MAX_OUTPUT_CELLS:
            _fail(procedure, argument, f"the shape ({v[0]!r}, {v[1]!r}) is not (rows, columns): "
                  f"two integers of at least 0, at most {MAX_OUTPUT_CELLS} cells in all")
        return np.zeros((int(v[0]), int(v[1])))
    return _array(procedure, argument, v, 2, np.float64,
                  "its shape (rows, columns) or a list of its rows")


def _array(procedure, argument, v, dimensions, dtype, expected=None):
    try:
        a = np.asarray(v)
    except ValueError:
        _fail(procedure, argument, "rows of different lengths")
    if a.dtype == object:
        _fail(procedure, argument, "rows of different lengths or values that are not numbers")
    if dimensions == 2 and a.size == 0 and a.ndim == 1:
        a = a.reshape(0, 0)
    if a.ndim != dimensions:
        expected = expected or ('a list of rows' if dimensions == 2 else 'a list of values')
        _fail(procedure, argument,
              f"expected {expected} "
              f"({dimensions} dimension{'s' if dimensions == 2 else ''}), got {a.ndim}")
    if a.size and not (np.issubdtype(a.dtype, np.number) and not np.issubdtype(a.dtype, np.bool_)):
        _fail(procedure, argument, f"values of type {a.dtype} are not numbers")
    if dtype is np.int64 and a.size and not np.issubdtype(a.dtype, np.integer):
        if not np.all(np.isfinite(a)) or not np.all(a == np.trunc(a)):
            _fail(procedure, argument, "expected integers")
    return np.array(a, dtype=dtype)


def _labels(name, extents):
    if extents is None:
        return [name]
    if len(extents) == 1:
        return [f"{name}[{i + 1}]" for i in range(extents[0])]
    rows, columns = extents
    return [f"{name}[{i + 1},{j + 1}]" for j in range(columns) for i in range(rows)]


class _Block:
    """The cells, positions and extents of one call, laid out in argument order."""

    def __init__(self, procedure, values):
        cells, positions, sizes = [], [], []
        self.column_labels, self.row_labels = [], []
        outputs, output_positions, output_sizes = [], [], []
        self._output_slots = []
        for a in procedure.arguments:
            if a.name not in values:
                if a.kind == "unused" or (not a.is_input and a.extents == 0):
                    values[a.name] = 0.0
                elif a.is_input:
                    raise UsageError(f"{procedure.name}: missing input {a.name}")
                elif a.extents == 2:
                    raise UsageError(f"{procedure.name}: output {a.name} needs its shape "
                                     f"({a.name}=(rows, columns) or a 2-D array)")
                else:
                    raise UsageError(f"{procedure.name}: output {a.name} needs its number "
                                     f"of cells ({a.name}=N or an array)")
            v = values[a.name]
            if not a.is_input:
                output_positions.append(len(outputs) + 1)
                v = np.asarray(v, dtype=np.float64)
                data = np.atleast_1d(v).ravel(order="F")  # a matrix column-major
                shape = v.shape if a.extents else None
                self._output_slots.append((a, len(outputs), len(data), shape))
                outputs.extend(data)
                if a.extents:
                    output_sizes.extend(shape)
                self.row_labels += _labels(a.name, shape)
                continue
            positions.append(len(cells) + 1)
            if a.kind == "text":
                raw = np.zeros(_TEXT_CELLS * 8, dtype=np.uint8)
                raw[:len(v)] = np.frombuffer(v, dtype=np.uint8)
                cells.extend(raw.view(np.int64))
                self.column_labels.append(a.name)
            elif a.extents == 0:
                cells.append(np.array([v], dtype=np.int64 if isinstance(v, int)
                                      else np.float64).view(np.int64)[0])
                self.column_labels.append(a.name)
            else:
                shape = v.shape
                sizes.extend(shape)
                cells.extend(np.ravel(v, order="F").view(np.int64))
                self.column_labels += _labels(a.name, shape)
        # Cells as their 8 bytes; empty lists are still passed as valid addresses.
        self.cells = np.array(cells or [0], dtype=np.int64)
        self.input_sizes = np.array(sizes or [0], dtype=np.int64)
        self.input_positions = np.array(positions or [0], dtype=np.int64)
        self.outputs = np.array(outputs or [0.0], dtype=np.float64)
        self.output_sizes = np.array(output_sizes or [0], dtype=np.int64)
        self.output_positions = np.array(output_positions or [0], dtype=np.int64)
        self.rows = len(outputs)
        self.columns = len(self.column_labels)

    def keep_outputs(self, previous, arguments):
        for a, first, count, _ in self._output_slots:
            if a in arguments:
                self.outputs[first:first + count] = previous[first:first + count]

    def output_values(self):
        out = {}
        for a, first, count, shape in self._output_slots:
            cells = self.outputs[first:first + count].copy()
            out[a.name] = float(cells[0]) if shape is None else cells.reshape(shape, order="F")
        return out
