// Export-table rows of the pipe flow procedures.
#pragma once

#include "entry/tables/rows.hpp"
#include "pipe/pipe_flow.hpp"

#define XV55_PIPE_PROCEDURES(X) \
  XV55_ROWS(X, pipe, Nothing, SPPINT, SPPINT3, SPPMOM, SPDPDZFR, SPDPCONST, SPHLD, SPPCBR)
