// The export table: one line per procedure entry point.
//
// Each line names the entry point, its body and what the entry point does after the
// body returns.  The body's parameter types say how the block is unpacked
// (unpack.hpp); nothing else is needed to add a procedure.
#include "entry/unpack.hpp"
#include "numerics/numerics.hpp"

#define XV55_PROCEDURE_TABLE(X)                      \
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

#define XV55_DEFINE_ENTRY(NAME, BODY, AFTER)                                                    \
  extern "C" XV55_API void XV55IF_##NAME(XV55_ENTRY_PARAMS) {                                   \
    using namespace xv55;                                                                       \
    entry::enter<&BODY, entry::AfterBody::AFTER>(                                               \
        {inputs, inputSizes, outputs, outputSizes, inputPositions, outputPositions, status,     \
         hostContext, realWork, realWorkLength, derivatives, derivativeRows, derivativeColumns, \
         callType});                                                                            \
  }
XV55_PROCEDURE_TABLE(XV55_DEFINE_ENTRY)

namespace xv55::entry {
namespace {
using namespace xv55;
#define XV55_DESCRIBE(NAME, BODY, AFTER) {"XV55IF_" #NAME, &XV55IF_##NAME, kPositional<&BODY>},
const ProcedureInfo kProcedures[] = {XV55_PROCEDURE_TABLE(XV55_DESCRIBE)};
}  // namespace

std::span<const ProcedureInfo> procedures() {
  return kProcedures;
}

}  // namespace xv55::entry
