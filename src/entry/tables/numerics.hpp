// Export-table rows of the numerical helper procedures.
#pragma once

#include "entry/tables/rows.hpp"
#include "numerics/numerics.hpp"

#define XV55_NUMERICS_PROCEDURES(X)                                                          \
  XV55_ROWS(X, numerics, Nothing, SPSQRT, SPRAMP, SPLIM_ABS, SPQUAL, SPRECV, SPMATR, SPPROD, \
            SPDISF, SPPRD1, SPRFAC, SPVISCCORR, SPRPPROFILE)                                 \
  XV55_ROWS(X, numerics, ReportInformation, PSIMPINT, PDIENERINT)
