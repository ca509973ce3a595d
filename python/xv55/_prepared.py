"""A call site laid out once, and the evaluation of many points in one loop of
libxv55tools.so (include/xv55/vector.h)."""

import ctypes
from dataclasses import dataclass, field
from pathlib import Path

import numpy as np

from . import _library as L

_VECTOR_TYPES = (L.CALL_VALUES, L.CALL_DERIVATIVES, L.CALL_BOTH)


class _Site(ctypes.Structure):
    _fields_ = [("entry", ctypes.c_void_p), ("initialize", ctypes.c_void_p),
                ("initializationData", ctypes.c_void_p),
                ("inputs", ctypes.c_void_p), ("inputCells", ctypes.c_int64),
                ("inputSizes", ctypes.c_void_p), ("outputs", ctypes.c_void_p),
                ("outputSizes", ctypes.c_void_p), ("inputPositions", ctypes.c_void_p),
                ("outputPositions", ctypes.c_void_p), ("outputCells", ctypes.c_int64),
                ("hostContext", ctypes.c_int64), ("work", ctypes.c_void_p),
                ("workLength", ctypes.c_int64), ("derivatives", ctypes.c_void_p),
                ("rows", ctypes.c_int64), ("columns", ctypes.c_int64),
                ("untouched", ctypes.c_double), ("callType", ctypes.c_int64),
                ("status", ctypes.c_int64)]


class _Varying(ctypes.Structure):
    _fields_ = [("cell", ctypes.c_int64), ("width", ctypes.c_int64),
                ("values", ctypes.c_void_p)]


class _Message(ctypes.Structure):
    _fields_ = [("point", ctypes.c_int64), ("callType", ctypes.c_int32),
                ("severity", ctypes.c_int32), ("offset", ctypes.c_int64),
                ("length", ctypes.c_int64)]


class _Run(ctypes.Structure):
    _fields_ = [("points", ctypes.c_int64), ("varying", ctypes.c_void_p),
                ("varyingCount", ctypes.c_int64), ("callType", ctypes.c_int64),
                ("setUp", ctypes.c_int32), ("cleanUp", ctypes.c_int32),
                ("numberCalls", ctypes.c_int32), ("reserved", ctypes.c_int32),
                ("firstMarker", ctypes.c_double), ("outputs", ctypes.c_void_p),
                ("statuses", ctypes.c_void_p), ("derivatives", ctypes.c_void_p),
                ("setUpStatus", ctypes.c_int64), ("cleanUpStatus", ctypes.c_int64),
                ("calls", ctypes.c_int64), ("messages", ctypes.POINTER(_Message)),
                ("messageCount", ctypes.c_int64), ("text", ctypes.c_void_p),
                ("textLength", ctypes.c_int64), ("dropped", ctypes.c_int64),
                ("capacity", ctypes.c_int64), ("textCapacity", ctypes.c_int64)]


def tools(library):
    """libxv55tools.so beside the library, loaded once per Library, or None."""
    if not hasattr(library, "_tools"):
        path = Path(library._dll._name).resolve().parent / "libxv55tools.so"
        try:
            dll = ctypes.CDLL(str(path))
        except OSError:
            dll = None
        if dll is not None:
            dll.xv55_site_call.restype = ctypes.c_int64
            dll.xv55_site_call.argtypes = [ctypes.c_void_p]
            dll.xv55_vector_evaluate.restype = ctypes.c_int32
            dll.xv55_vector_evaluate.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
            dll.xv55_vector_release.restype = None
            dll.xv55_vector_release.argtypes = [ctypes.c_void_p]
        library._tools = dll
    return library._tools


def _point_arrays(points, rows, columns, keep):
    """The outputs, statuses and (with keep) derivative matrices of an evaluation over
    many points, as views of one allocation.  The allocator keeps one large freed block
    for the next evaluation of the same size; several blocks of equal size can make it
    hand their pages back to the system, and faulting them in again costs more than
    evaluating a short procedure (about 40 ns a point for SPPCBR's one output)."""
    values, derivatives = points * rows, points * columns * rows if keep else 0
    cells = np.empty(values + points + derivatives)
    outputs = cells[:values].reshape(points, rows)
    statuses = cells[values:values + points].view(np.int64)
    matrices = cells[values + points:].reshape(points, columns, rows) if keep else None
    return outputs, statuses, matrices


def _address(function):
    return ctypes.cast(function, ctypes.c_void_p).value


class PerPoint:
    """The messages of every point: points[i] is the list of point i (empty for most),
    kept only for the points that have one."""

    def __init__(self, points):
        self._points = points
        self._lists = {}

    def add(self, point, message):
        self._lists.setdefault(point, []).append(message)

    def __len__(self):
        return self._points

    def __getitem__(self, point):
        if not -self._points <= point < self._points:
            raise IndexError(f"point {point} of {self._points}")
        return self._lists.get(point % self._points, [])

    def __iter__(self):
        return (self._lists.get(i, []) for i in range(self._points))

    def points(self):
        """The points that have messages, in order."""
        return sorted(self._lists)

    def __repr__(self):
        return f"<messages at {len(self._lists)} of {self._points} points>"


@dataclass
class Points:
    """The results of an evaluation over many points, point first in every array."""
    call_type: int
    statuses: np.ndarray     # int64 (points,): 0 where the procedure wrote none
    outputs: dict            # name -> (points,), (points, cells) or (points, rows, columns)
    derivatives: object      # (points, rows, columns), or None when none was written
    rows: list
    columns: list
    messages: PerPoint       # per point, a list of Message (set-up ones with the first,
    #                          clean-up ones with the last point, by their call_type)
    setup_status: int = 0
    cleanup_status: int = 0
    dropped: int = 0         # messages lost for want of memory
    calls: int = 0
    buffers: tuple = field(default=(), repr=False)  # what evaluate(out=) fills again

    def derivative(self, output, input):
        """d output / d input for every point, by labels ("y", "x", "v[2]")."""
        if self.derivatives is None:
            raise L.UsageError("the evaluation wrote no derivative")
        try:
            return self.derivatives[:, self.rows.index(output), self.columns.index(input)]
        except ValueError:
            raise L.UsageError(f"no derivative d {output} / d {input} "
                               f"(rows {self.rows}, columns {self.columns})") from None


class PreparedSite:
    """A procedure's block laid out once: cells, positions, extents, output cells,
    workspace and derivative matrix.  A call writes only the input cells it is given
    and reads the outputs back; extents stay as prepared (an array input keeps its
    shape, an output its cells).  The workspace and the output cells carry over from one
    call to the next, as a host keeps them.

        site = lib["SPRAMP"].prepare(x=2.5, x1=1, x2=3, y1=10, y2=20)
        site(x=2.0).outputs["y"]
        site.evaluate(x=np.linspace(0, 4, 1000)).outputs["y"]
    """

    def __init__(self, procedure, call_type=L.CALL_VALUES, work=1000, **values):
        call_type = L._call_type(call_type)
        length = L._whole(work, 0, L.MAX_MATRIX_ELEMENTS)
        if length is None or isinstance(work, (float, np.floating)):
            raise L.UsageError(f"workspace length {work!r} is not an integer between 0 and "
                               f"{L.MAX_MATRIX_ELEMENTS}")
        self.procedure = procedure
        self.library = procedure.library
        self.call_type = call_type
        by_name = {a.name: a for a in procedure.arguments}
        checked = {}
        for name, value in values.items():
            if name not in by_name:
                raise L.UsageError(f"{procedure.name} has no argument '{name}'")
            checked[name] = L._check(procedure.name, by_name[name], value)
        block = L._Block(procedure, checked)
        if block.rows * block.columns > L.MAX_MATRIX_ELEMENTS:
            raise L.UsageError(f"{procedure.name}: the derivative matrix would have "
                               f"{block.rows} x {block.columns} elements, more than "
                               f"{L.MAX_MATRIX_ELEMENTS}")
        self._block = block
        self.rows, self.columns = block.row_labels, block.column_labels
        self._work = np.zeros(max(length, 1))
        self._work_length = length
        self._derivatives = np.full(max(block.rows * block.columns, 1), L._UNTOUCHED)
        self._reals = block.cells.view(np.float64)
        # Input name -> (argument, first cell, cells, shape): where a call writes it.
        self._slots = {}
        cell = 0
        for a in procedure.inputs:
            v = checked[a.name]
            count = L._TEXT_CELLS if a.kind == "text" else (1 if a.extents == 0 else v.size)
            self._slots[a.name] = (a, cell, count, None if a.extents == 0 else v.shape)
            cell += count
        self._fast_reals = {name: s[1] for name, s in self._slots.items()
                            if s[0].kind == "real" and s[0].extents == 0}
        self._scalar_outputs = [(a.name, first) for a, first, _, shape in block._output_slots
                                if shape is None]
        self._array_outputs = [(a.name, first, count, shape)
                               for a, first, count, shape in block._output_slots
                               if shape is not None]
        self._outputs_by_name = {a.name: (a, first, count, shape)
                                 for a, first, count, shape in block._output_slots}
        lib = self.library
        self._site = _Site(_address(procedure.entry), _address(lib._dll.QRInitialize),
                           _address(lib._dll.GetDLLInitializationData),
                           block.cells.ctypes.data, cell, block.input_sizes.ctypes.data,
                           block.outputs.ctypes.data, block.output_sizes.ctypes.data,
                           block.input_positions.ctypes.data,
                           block.output_positions.ctypes.data, block.rows, 0,
                           self._work.ctypes.data, length, self._derivatives.ctypes.data,
                           block.rows, block.columns, L._UNTOUCHED, call_type, 0)
        self._site_address = ctypes.addressof(self._site)
        dll = tools(lib)
        self._call = dll.xv55_site_call if dll is not None else self._call_entry
        self._dll = dll

    @property
    def work(self):
        """The workspace (its cells may be changed; the array stays the site's)."""
        return self._work[:self._work_length]

    # ---- writing inputs ----

    def _write(self, name, value):
        slot = self._slots.get(name)
        if slot is None:
            ins = ", ".join(self._slots)
            raise L.UsageError(f"{self.procedure.name} has no input '{name}' (inputs: {ins})")
        a, first, count, shape = slot
        v = L._check(self.procedure.name, a, value)
        cells = self._block.cells
        if a.kind == "text":
            raw = np.zeros(L._TEXT_CELLS * 8, dtype=np.uint8)
            raw[:len(v)] = np.frombuffer(v, dtype=np.uint8)
            cells[first:first + count] = raw.view(np.int64)
        elif shape is None:
            if isinstance(v, int):
                cells[first] = v
            else:
                self._reals[first] = v
        else:
            if v.shape != shape:
                L._fail(self.procedure.name, a, f"the site was prepared for the shape "
                        f"{shape}, not {v.shape}")
            cells[first:first + count] = np.ravel(v, order="F").view(np.int64)

    def set(self, **values):
        """Changes inputs for the calls that follow (the cells only)."""
        for name, v in values.items():
            self._write(name, v)
        return self

    # ---- one call ----

    def _call_entry(self, _address):
        """The call without the tools library: the entry point through ctypes."""
        b, s = self._block, self._site
        if s.callType in (L.CALL_DERIVATIVES, L.CALL_BOTH):
            self._derivatives[:] = L._UNTOUCHED
        status = np.zeros(1, dtype=np.int64)
        scalars = np.array([0, self._work_length, b.rows, b.columns, s.callType],
                           dtype=np.int64)
        p = L._pointer
        self.procedure.entry(p(b.cells), p(b.input_sizes), p(b.outputs), p(b.output_sizes),
                             p(b.input_positions), p(b.output_positions), p(status),
                             p(scalars[0:]), p(self._work), p(scalars[1:]),
                             p(self._derivatives), p(scalars[2:]), p(scalars[3:]),
                             p(scalars[4:]))
        return int(status[0])

    def __call__(self, call_type=None, **values):
        """One call with the prepared call type (or call_type), the values given written
        into their cells first.  Returns a Result as Procedure calls do."""
        fast = self._fast_reals
        for name, v in values.items():
            cell = fast.get(name)
            if cell is not None and type(v) is float:
                self._reals[cell] = v
            else:
                self._write(name, v)
        lib = self.library
        if L._INSTALLED is not lib:
            lib._install()
        if lib.messages or lib._pending is not None:
            lib._take_messages()
        if call_type is None:
            call_type = self.call_type
        else:
            call_type = L._call_type(call_type)
        self._site.callType = call_type
        lib._interrupted = None
        lib.calls += 1
        lib._call_type = call_type
        status = self._call(self._site_address)
        if lib._interrupted is not None:
            interrupted, lib._interrupted = lib._interrupted, None
            raise interrupted
        cells = self._block.outputs
        values = cells.tolist()
        outputs = {name: values[first] for name, first in self._scalar_outputs}
        for name, first, count, shape in self._array_outputs:
            outputs[name] = cells[first:first + count].reshape(shape, order="F").copy()
        derivatives = None
        if call_type in (L.CALL_DERIVATIVES, L.CALL_BOTH):
            b = self._block
            matrix = self._derivatives[:b.rows * b.columns].reshape((b.rows, b.columns),
                                                                    order="F")
            untouched = matrix == L._UNTOUCHED
            if not untouched.all():
                derivatives = np.where(untouched, 0.0, matrix)
        messages = lib._take_messages() if lib.messages or lib._pending is not None else []
        return L.Result(call_type, status, outputs, derivatives, self.rows, self.columns,
                        messages)

    def value(self, output, **values):
        """One call, only the value of one scalar output."""
        return self(**values).outputs[output]

    # ---- many points ----

    def evaluate(self, call_type=None, *, setup=True, cleanup=True, out=None, **values):
        """Every point in one loop of libxv55tools.so.  An input given as an array with
        one more dimension than it has (a number as a 1-D array, a vector as points x
        cells) changes from point to point; other values are written once.  All varying
        inputs have the same number of points.  With setup, a set-up call (type 1) comes
        before the first point, with its values; with cleanup, a clean-up call (type 2)
        after the last.  The input cells hold the last point's values afterwards.

        The output arrays are views into one point-major array.  out: the Points of an
        earlier evaluation of this site with as many points and the same call type,
        whose arrays are filled again in place (no new memory: for many points, the
        cost of fresh pages can be the larger part of a call)."""
        call_type = self.call_type if call_type is None else L._call_type(call_type)
        if call_type not in _VECTOR_TYPES:
            raise L.UsageError(f"the points are evaluated with call type 0, 3 or 4, not "
                               f"{call_type} (set-up and clean-up come with setup= and "
                               "cleanup=)")
        if self._dll is None:
            raise L.UsageError("libxv55tools.so is not beside the library: no evaluation "
                               "over many points")
        name = self.procedure.name
        fixed, varying, points = {}, [], None
        for key, v in values.items():
            slot = self._slots.get(key)
            if slot is None:
                raise L.UsageError(f"{name} has no input '{key}' "
                                   f"(inputs: {', '.join(self._slots)})")
            a, first, count, shape = slot
            if a.kind in ("text", "unused") or np.ndim(v) <= a.extents:
                fixed[key] = v
                continue
            dtype = np.int64 if a.kind.startswith("integer") else np.float64
            array = L._array(name, a, v, a.extents + 1, dtype, copy=False)  # read during the run only
            if array.shape[1:] != (shape or ()):
                L._fail(name, a, f"each point's value has the shape {array.shape[1:]}, "
                        f"not the prepared {shape or ()}")
            if points is None:
                points = len(array)
            elif len(array) != points:
                L._fail(name, a, f"{len(array)} points where the other inputs have {points}")
            # Point after point, each point's cells in storage order.
            if array.ndim > 2:
                array = array.transpose(0, 2, 1)
            cells = np.ascontiguousarray(array.reshape(len(array), count)).view(np.int64)
            varying.append((first, count, cells))
        self.set(**fixed)
        points = points or 0
        b = self._block
        keep = call_type in (L.CALL_DERIVATIVES, L.CALL_BOTH)
        if out is not None:
            if not (isinstance(out, Points) and out.buffers and out.buffers[0] is self and
                    len(out.statuses) == points and out.call_type == call_type):
                raise L.UsageError("out= takes the Points of an earlier evaluation of this "
                                   "site with as many points and the same call type")
            _, outputs, statuses, matrices = out.buffers
        else:
            outputs, statuses, matrices = _point_arrays(points, b.rows, b.columns, keep)
        table = (_Varying * max(len(varying), 1))(*[_Varying(f, c, v.ctypes.data)
                                                    for f, c, v in varying])
        lib = self.library
        lib._install()
        lib._take_messages()
        lib._interrupted = None
        # The marker as Library._answer gives it: the call number, or the fixed marker.
        numbered, first = 0, 0.0
        if L._OPTION_SOLVER_MARKER not in lib.options:
            numbered, first = (1, lib.calls + 1) if lib.marker is None else (2, lib.marker)
            if not (L._is_number(first) and np.isfinite(first) and abs(first) < 2**63):
                numbered = 0  # the handler's own answer, and its report
        run = _Run(points, ctypes.addressof(table), len(varying), call_type, bool(setup),
                   bool(cleanup), numbered, 0, float(first), outputs.ctypes.data,
                   statuses.ctypes.data, matrices.ctypes.data if keep else None)
        self._site.callType = call_type
        if not self._dll.xv55_vector_evaluate(self._site_address, ctypes.addressof(run)):
            raise L.UsageError(f"{name}: the tools library refused the evaluation")
        try:
            lib.calls += run.calls
            text = ctypes.string_at(run.text, run.textLength) if run.textLength else b""
            per_point = PerPoint(points)
            for i in range(run.messageCount):
                m = run.messages[i]
                message = L.Message(m.severity,
                                    text[m.offset:m.offset + m.length].decode("latin-1"),
                                    m.callType)
                if points:
                    per_point.add(m.point, message)
                if lib.on_message is not None:
                    lib._guarded("the message hook failed",
                                 lambda message=message: lib.on_message(message))
        finally:
            self._dll.xv55_vector_release(ctypes.addressof(run))
        late = lib._take_messages()  # failures of the option answers, if any
        for message in late if points else []:
            per_point.add(points - 1, message)
        if lib._interrupted is not None:
            interrupted, lib._interrupted = lib._interrupted, None
            raise interrupted
        by_name = {}
        for a, first, count, shape in b._output_slots:
            if shape is None:
                by_name[a.name] = outputs[:, first]
            else:
                by_name[a.name] = outputs[:, first:first + count].reshape(
                    (points,) + tuple(reversed(shape))).transpose(
                    (0,) + tuple(range(len(shape), 0, -1)))
        derivatives = None
        if keep:
            untouched = matrices == L._UNTOUCHED
            if not untouched.all():
                matrices[untouched] = 0.0
                derivatives = matrices.transpose(0, 2, 1)
        return Points(call_type, statuses, by_name, derivatives, self.rows, self.columns,
                      per_point, int(run.setUpStatus), int(run.cleanUpStatus),
                      int(run.dropped), int(run.calls),
                      (self, outputs, statuses, matrices))
