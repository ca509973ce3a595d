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
# The command-line host's caps: cells of one vector or matrix output, and elements of
# the workspace or of the derivative matrix.
MAX_OUTPUT_CELLS = 1 << 22
MAX_MATRIX_ELEMENTS = 1 << 24
_INT64 = (-2**63, 2**63 - 1)
_TEXT_CELLS = 5
_UNTOUCHED = -7.0e77  # derivative elements the procedure did not write keep it


class UsageError(ValueError):
    """A value the procedure cannot take: unknown name, wrong type, bad extent."""


def _is_number(v):
    return isinstance(v, (int, float, np.integer, np.floating)) and \
        not isinstance(v, (bool, np.bool_))


def _whole(v, low, high):
    """v as an int when it is a whole number from low to high, else None (no bool,
    no complex, no rounding of 2.5 or of a float beyond the range)."""
    if not _is_number(v):
        return None
    if isinstance(v, (float, np.floating)):
        if not (np.isfinite(v) and float(v).is_integer()):
            return None
    v = int(v)
    return v if low <= v <= high else None


def _path(path, what):
    """A file path as text: a str or os.PathLike naming it with text, no NUL."""
    if isinstance(path, (bytes, bytearray)):
        raise UsageError(f"the {what} path {path!r} is bytes; give it as a text or a Path")
    try:
        text = os.fspath(path)
    except TypeError:
        raise UsageError(f"the {what} path {path!r} is not a text or a Path") from None
    if not isinstance(text, str):
        raise UsageError(f"the {what} path {path!r} is bytes; give it as a text or a Path")
    if "\0" in text:
        raise UsageError(f"the {what} path {text!r} holds a NUL character")
    return text


def _flowsheet_text(flowsheet):
    """A flowsheet dict as the JSON text the reference host reads, one member a line."""
    try:
        return json.dumps(flowsheet, indent=1, allow_nan=False).encode("utf-8")
    except (TypeError, ValueError) as e:
        raise UsageError(f"the flowsheet cannot be written as JSON: {e}") from None


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
        library = _path(library or os.environ.get("XV55_LIBRARY") or default_library,
                        "library")
        procedures = _path(procedures or os.environ.get("XV55_PROCEDURES")
                           or default_procedures, "procedure metadata")
        try:
            self._dll = ctypes.CDLL(library)
        except OSError as e:
            raise UsageError(f"cannot load {library}: {e}") from None
        try:
            with open(procedures, encoding="utf-8") as f:
                catalogue = json.load(f)
        except (OSError, ValueError) as e:
            raise UsageError(f"cannot read the procedure metadata {procedures}: {e}") from None
        self.procedures = {}
        try:
            for p in catalogue["procedures"]:
                arguments = [Argument(a["name"], a["kind"], a["extents"], a["unit"], True)
                             for a in p["inputs"]]
                arguments += [Argument(a["name"], a["kind"], a["extents"], a["unit"], False)
                              for a in p["outputs"]]
                entry = getattr(self._dll, p["name"])
                entry.restype = None
                entry.argtypes = [ctypes.c_void_p] * 14
                self.procedures[p["name"]] = Procedure(self, p["name"], entry, arguments)
        except (KeyError, TypeError, AttributeError) as e:
            raise UsageError(f"{procedures} is not the metadata of {library}: "
                             f"{type(e).__name__} {e}") from None

        # Solver options: printing enabled (20) and a solver marker (31) that is the
        # call number, so that each call is a new solver pass, unless set here.
        self.options = {}
        self.marker = None
        self.messages = []
        self.on_message = None  # called with each Message as the library ends it
        self._interrupted = None
        self.calls = 0
        self._call_type = 0
        self._pending = None
        self._write_line = _WRITE_LINE(lambda host, line: self._guarded(
            "the printer failed", lambda: self._on_line(host, line)))
        self._end_message = _END_MESSAGE(lambda host, severity: self._guarded(
            "the printer failed", lambda: self._on_end(host, severity)))
        self._request = _REQUEST(self._on_request)
        self._printer_ops = _PrinterOps(self._write_line, self._end_message)
        self._handler_ops = _HandlerOps(self._request)
        self._printer = _HostObject(ctypes.addressof(self._printer_ops))
        self._handler = _HostObject(ctypes.addressof(self._handler_ops))
        self._init = _InitBlock(1, ctypes.addressof(self._printer),
                                ctypes.addressof(self._handler), 0)
        self._dll.QRInitialize.restype = ctypes.c_int32
        self._dll.QRInitialize.argtypes = [ctypes.POINTER(_InitBlock)]
        self._install()

    def _install(self):
        """Hands this Library's printer and handler to the library, which calls those
        of the last one installed: they must outlive it even when the caller lets go
        of this object.  A call through another Library installs that one again."""
        global _INSTALLED
        if _INSTALLED is self:
            return
        if self._dll.QRInitialize(ctypes.byref(self._init)) != 1:
            raise UsageError("the library refused the initialisation block")
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
            self._host_dll.xv55_load_flowsheet_text.restype = ctypes.c_int32
            self._host_dll.xv55_load_flowsheet_text.argtypes = [ctypes.c_char_p, ctypes.c_char_p,
                                                                ctypes.c_int64]
            self._host_dll.xv55_reset_host.restype = None
        return self._host_dll

    def load_flowsheet(self, flowsheet):
        """Loads a flowsheet into the reference host (docs/flowsheet.md), for the
        procedures that read its blocks: a dict with the members of a flowsheet file
        (components, modelComponents, levels, reactions, blocks, ...) or the path of a
        file.  Raises UsageError with the reader's reason, which names the JSON pointer of
        the value at fault; a refused flowsheet leaves the loaded one as it was."""
        message = ctypes.create_string_buffer(4096)
        if isinstance(flowsheet, dict):
            loaded = self._host().xv55_load_flowsheet_text(_flowsheet_text(flowsheet), message,
                                                            len(message))
        else:
            path = _path(flowsheet, "flowsheet")
            try:
                name = os.fsencode(path)
            except UnicodeEncodeError:
                raise UsageError(f"the flowsheet path {path!r} cannot be encoded") from None
            loaded = self._host().xv55_load_flowsheet(name, message, len(message))
        if not loaded:
            raise UsageError(message.value.decode("latin-1"))

    def reset_host(self):
        """The reference host back to its defaults (no flowsheet, empty store)."""
        self._host().xv55_reset_host()

    # The three callbacks run inside a library call: nothing may escape them (ctypes
    # would print it and carry on).  A failure becomes a warning among the call's
    # messages; an interrupt is raised again once the call has returned.
    def _guarded(self, what, action):
        try:
            return action()
        except Exception as e:  # noqa: BLE001 - reported as a message
            reason = str(e) if isinstance(e, UsageError) else f"{type(e).__name__}: {e}"
            self.messages.append(Message(2, f"{what}: {reason}", self._call_type))
        except BaseException as e:  # noqa: BLE001 - raised after the call
            self._interrupted = self._interrupted or e
        return None

    def _on_line(self, _self, line):
        text = line.decode("latin-1") if line is not None else ""
        self._pending = text if self._pending is None else self._pending + "\n" + text

    def _on_end(self, _self, severity):
        message = Message(int(severity), self._pending or "", self._call_type)
        self._pending = None
        self.messages.append(message)
        if self.on_message is not None:
            self._guarded("the message hook failed", lambda: self.on_message(message))

    def _answer(self, code):
        if code in self.options:
            answer = self.options[code]
        elif code == _OPTION_PRINT_ENABLED:
            answer = 1
        elif code == _OPTION_SOLVER_MARKER:
            answer = self.marker if self.marker is not None else self.calls
        else:
            return None
        as_integer = _whole(answer, *_INT64)
        if as_integer is None and _is_number(answer) and np.isfinite(answer):
            as_integer = int(answer)  # a real option: its integer part
        if as_integer is None or not -2**63 <= as_integer < 2**63:
            raise UsageError(f"{answer!r} is not a finite number within the 64-bit "
                             "integers; not answered")
        return as_integer, float(answer)

    def _on_request(self, _self, code, integer, value, _text):
        answer = self._guarded(f"solver option {code}",
                               lambda: self._answer(code))
        if answer is None:
            return _NOT_ANSWERED
        integer[0], value[0] = answer
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
        if not isinstance(name, str):
            raise UsageError(f"a procedure is named by a text, not {name!r}")
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

    def prepare(self, call_type=CALL_VALUES, work=1000, **values):
        """A call site laid out once (xv55.PreparedSite): fast repeated calls and the
        evaluation of many points in one loop."""
        from ._prepared import PreparedSite
        return PreparedSite(self, call_type, work, **values)

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
        length = _whole(work, 0, MAX_MATRIX_ELEMENTS)
        if length is None or isinstance(work, (float, np.floating)):
            raise UsageError(f"workspace length {work!r} is not an integer between 0 and "
                             f"{MAX_MATRIX_ELEMENTS}")
        self.procedure = procedure
        self.values = {}
        self.work = np.zeros(length, dtype=np.float64)
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
        rows = columns = 0
        for a in self.procedure.arguments:  # before laying out the block
            v = self.values.get(a.name)
            count = 1 if v is None or isinstance(v, bytes) else np.size(v)
            rows, columns = (rows, columns + count) if a.is_input else (rows + count, columns)
        if rows * columns > MAX_MATRIX_ELEMENTS:
            raise UsageError(f"{self.procedure.name}: the derivative matrix would have "
                             f"{rows} x {columns} elements, more than {MAX_MATRIX_ELEMENTS}")
        work = self.work
        if not (isinstance(work, np.ndarray) and work.dtype == np.float64 and work.ndim == 1
                and work.flags.c_contiguous and work.flags.writeable
                and len(work) <= MAX_MATRIX_ELEMENTS):
            raise UsageError(f"the workspace of this call site is a writable 1-D float64 numpy "
                             f"array of at most {MAX_MATRIX_ELEMENTS} elements, not "
                             f"{type(work).__name__} {getattr(work, 'dtype', '')}".rstrip())
        block = _Block(self.procedure, self.values)
        if self._outputs is not None and len(self._outputs) == len(block.outputs):
            kept = [a for a in self.procedure.outputs if a.name not in values]
            block.keep_outputs(self._outputs, kept)
        lib = self.procedure.library
        lib._install()
        lib._take_messages()
        lib._interrupted = None
        lib.calls += 1
        lib._call_type = call_type
        status = np.zeros(1, dtype=np.int64)
        scalars = np.array([0, len(self.work), block.rows, block.columns, call_type],
                           dtype=np.int64)  # context, work length, rows, columns, type
        derivatives = np.full(max(block.rows * block.columns, 1), _UNTOUCHED)
        work = work if len(work) else np.zeros(1)
        p = _pointer
        self.procedure.entry(p(block.cells), p(block.input_sizes), p(block.outputs),
                             p(block.output_sizes), p(block.input_positions),
                             p(block.output_positions), p(status), p(scalars[0:]),
                             p(work), p(scalars[1:]), p(derivatives), p(scalars[2:]),
                             p(scalars[3:]), p(scalars[4:]))
        self._outputs = block.outputs.copy()
        if lib._interrupted is not None:
            interrupted, lib._interrupted = lib._interrupted, None
            raise interrupted
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
    if not _is_number(v):
        _fail(procedure, argument, f"expected a real number, got {v!r}")
    try:
        r = float(v)
    except OverflowError:  # a Python integer beyond 1.8e308
        _fail(procedure, argument, "the integer is beyond the reals (more than 1.8e308)")
    if np.isinf(r) and np.isfinite(v):  # a long double beyond 1.8e308
        _fail(procedure, argument, f"the number {v!s} is beyond the reals")
    return r


def _integer(procedure, argument, v):
    if not _is_number(v) or (isinstance(v, (float, np.floating)) and
                             not (np.isfinite(v) and float(v).is_integer())):
        _fail(procedure, argument, f"expected an integer, got {v!r}")
    if _whole(v, *_INT64) is None:
        _fail(procedure, argument, f"the integer {v!r} is out of range")
    return int(v)


def _check(procedure, argument, v):
    """The value as the block holds it: float, int, bytes or a numpy array."""
    kind = argument.kind
    if not argument.is_input:
        if argument.extents == 0:
            return _real(procedure, argument, v)
        if argument.extents == 2:
            return _matrix_output(procedure, argument, v)
        if _is_number(v):
            cells = _whole(v, 0, MAX_OUTPUT_CELLS)
            if cells is None:
                _fail(procedure, argument, f"expected its number of cells (0 to "
                      f"{MAX_OUTPUT_CELLS}) or a list of its contents, got {v!r}")
            return np.zeros(cells)
        return _array(procedure, argument, v, 1, np.float64)
    if kind == "unused":
        return 0.0
    if kind == "text":
        if not isinstance(v, str):
            _fail(procedure, argument, f"expected a text, got {v!r}")
        try:
            data = v.encode("latin-1")
        except UnicodeEncodeError as e:
            _fail(procedure, argument, f"the text holds {v[e.start]!r}, not a Latin-1 character")
        if len(data) > TEXT_LENGTH:
            _fail(procedure, argument, f"the text has {len(data)} characters, more than 40")
        if b"\0" in data:
            _fail(procedure, argument, "the text holds a NUL character")
        return data
    dtype = np.int64 if kind.startswith("integer") else np.float64
    if argument.extents == 0:
        return (_integer if dtype is np.int64 else _real)(procedure, argument, v)
    return _array(procedure, argument, v, argument.extents, dtype)


def _matrix_output(procedure, argument, v):
    """A matrix output: its shape (rows, columns), or its contents as a 2-D array."""
    listed = isinstance(v, (tuple, list)) or (isinstance(v, np.ndarray) and v.ndim == 1)
    if listed and len(v) == 2 and all(map(_is_number, v)):
        rows, columns = (_whole(e, 0, MAX_OUTPUT_CELLS) for e in v)
        if rows is None or columns is None or rows * columns > MAX_OUTPUT_CELLS:
            _fail(procedure, argument, f"the shape ({v[0]!r}, {v[1]!r}) is not (rows, columns): "
                  f"two integers of at least 0, at most {MAX_OUTPUT_CELLS} cells in all")
        return np.zeros((rows, columns))
    return _array(procedure, argument, v, 2, np.float64,
                  "its shape (rows, columns) or a list of its rows")


def _array(procedure, argument, v, dimensions, dtype, expected=None, copy=True):
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
    if np.issubdtype(a.dtype, np.complexfloating):
        _fail(procedure, argument, "complex values are not real numbers")
    if not argument.is_input and a.size > MAX_OUTPUT_CELLS:
        _fail(procedure, argument, f"{a.size} cells, more than {MAX_OUTPUT_CELLS}")
    if dtype is np.int64 and a.size:
        if not np.issubdtype(a.dtype, np.integer) and \
                not (np.all(np.isfinite(a)) and np.all(a == np.trunc(a))):
            _fail(procedure, argument, "expected integers")
        low, high = a.min().item(), a.max().item()  # Python numbers: exact comparisons
        if low < _INT64[0] or high > _INT64[1]:
            _fail(procedure, argument, f"the integer {high if high > _INT64[1] else low!r} "
                  "is out of range")
    with np.errstate(over="ignore"):
        out = np.array(a, dtype=dtype) if copy else np.asarray(a, dtype=dtype)
    if dtype is np.float64 and a.dtype.itemsize > 8 and np.any(np.isinf(out) & np.isfinite(a)):
        _fail(procedure, argument, "a number is beyond the reals")
    return out


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
