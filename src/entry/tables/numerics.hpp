// Export-table rows of the numerical helper procedures.
#pragma once

#include "numerics/numerics.hpp"

#define XV55_NUMERICS_PROCEDURES(X)                  \
  X(SPSQRT, numerics::SPSQRT, Nothing)               \
  X(SPRAMP, numerics::SPRAMP, Nothing)               \
  X(SPLIM_ABS, numerics::SPLIM_ABS, Nothing)         \
  X(SPQUAL, numerics::SPQUAL, Nothing)               \
  X(SPRECV, numerics::SPRECV, Nothing)               \
  X(SPMATR, numerics::SPMATR, Nothing)               \
  X(SPPROD, numerics::SPPROD, Nothing)               \
  X(SPDISF, numerics::SPDISF, Nothing)               \
  X(SPPRD1, numerics::SPPRD1, Nothing)               \
  X(SPRFAC, numerics::SPRFAC, Nothing)               \
  X(SPVISCCORR, numerics::SPVISCCORR, Nothing)       \
  X(SPRPPROFILE, numerics::SPRPPROFILE, Nothing)     \
  X(PSIMPINT, numerics::PSIMPINT, ReportInformation) \
  X(PDIENERINT, numerics::PDIENERINT, ReportInformation)
