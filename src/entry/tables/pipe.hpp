// Export-table rows of the pipe flow procedures.
#pragma once

#include "pipe/pipe_flow.hpp"

#define XV55_PIPE_PROCEDURES(X)          \
  X(SPPINT, pipe::SPPINT, Nothing)       \
  X(SPPINT3, pipe::SPPINT3, Nothing)     \
  X(SPPMOM, pipe::SPPMOM, Nothing)       \
  X(SPDPDZFR, pipe::SPDPDZFR, Nothing)   \
  X(SPDPCONST, pipe::SPDPCONST, Nothing) \
  X(SPHLD, pipe::SPHLD, Nothing)         \
  X(SPPCBR, pipe::SPPCBR, Nothing)
