"""Python access to the procedure library libxv55.so.

    import xv55
    lib = xv55.Library()                 # build/lib/libxv55.so and its metadata
    r = lib["XV55IF_SPRAMP"](x=2.5, x1=1, x2=3, y1=10, y2=20)
    r.outputs["y"], r.status, r.messages, r.derivative("y", "x")
    site = lib["SPRAMP"].prepare(x=2.5, x1=1, x2=3, y1=10, y2=20)  # laid out once
    site(x=2.0).outputs["y"]                                       # a few microseconds
    site.evaluate(x=numpy.linspace(0, 4, 10**5)).outputs["y"]      # one loop in C

Inputs are given by name: numbers, integers, texts (at most 40 characters), numpy
arrays or nested lists (a matrix as a list of rows, first index = row).  A vector
output is given its number of cells (``y=3``) or its contents before the call, a
matrix output its shape (``y=(rows, columns)``) or its contents as a 2-D array;
results hold them as 1-D and 2-D numpy arrays.
The names, kinds and units come from the metadata file that the command-line host
writes (share/xv55/procedures.json), the same as ``xv55 describe`` shows.
"""

from ._library import (CALL_BOTH, CALL_CLEANUP, CALL_DERIVATIVES, CALL_SETUP,
                       CALL_VALUES, Argument, CallSite, Library, Message,
                       Procedure, Result, UsageError)
from ._prepared import Points, PreparedSite

__all__ = ["Library", "Procedure", "CallSite", "Result", "Message", "Argument",
           "UsageError", "CALL_VALUES", "CALL_SETUP", "CALL_CLEANUP",
           "CALL_DERIVATIVES", "CALL_BOTH", "PreparedSite", "Points"]
