// The export table: one row per procedure entry point.
//
// Each row names the entry point, its body and what the entry point does after the
// body returns.  The body's parameter types (and its argument record) say how the
// block is unpacked (unpack.hpp, record.hpp); nothing else is needed to add a
// procedure.  Each family keeps its rows in entry/tables/<family>.hpp.
#include "entry/tables/curves.hpp"
#include "entry/tables/equilibrium.hpp"
#include "entry/tables/hydraulics.hpp"
#include "entry/tables/kinetics.hpp"
#include "entry/tables/numerics.hpp"
#include "entry/tables/pipe.hpp"
#include "entry/tables/properties.hpp"
#include "entry/unpack.hpp"
#include "print/report.hpp"

#define XV55_PROCEDURE_TABLE(X) \
  XV55_NUMERICS_PROCEDURES(X)   \
  XV55_CURVES_PROCEDURES(X)     \
  XV55_PROPERTIES_PROCEDURES(X) \
  XV55_PIPE_PROCEDURES(X)       \
  XV55_HYDRAULICS_PROCEDURES(X) \
  XV55_KINETICS_PROCEDURES(X)   \
  XV55_EQUILIBRIUM_PROCEDURES(X)

#define XV55_DEFINE_ENTRY(NAME, BODY, AFTER)                                                    \
  static_assert(xv55::entry::allNamed<&xv55::BODY>(),                                           \
                "every argument of " #NAME " is named in its argument record");                 \
  extern "C" XV55_API void XV55IF_##NAME(XV55_ENTRY_PARAMS) {                                   \
    using namespace xv55;                                                                       \
    entry::enter<&BODY, entry::AfterBody::AFTER>(                                               \
        {inputs, inputSizes, outputs, outputSizes, inputPositions, outputPositions, status,     \
         hostContext, realWork, realWorkLength, derivatives, derivativeRows, derivativeColumns, \
         callType},                                                                             \
        "XV55IF_" #NAME);                                                                       \
  }
XV55_PROCEDURE_TABLE(XV55_DEFINE_ENTRY)

namespace xv55::entry {
namespace {
using namespace xv55;
#define XV55_DESCRIBE(NAME, BODY, AFTER)                \
  {"XV55IF_" #NAME, &XV55IF_##NAME, kPositional<&BODY>, \
   BodyOf<decltype(&BODY)>::kWritesDerivatives},
const ProcedureInfo kProcedures[] = {XV55_PROCEDURE_TABLE(XV55_DESCRIBE)};
}  // namespace

std::span<const ProcedureInfo> procedures() {
  return kProcedures;
}

void refuseDerivativeShape(std::int64_t* status, const char* procedure, std::int64_t rows,
                           std::int64_t columns) {
  report(Status(status), kError,
         " %s-E-Derivatives are asked for in a matrix smaller than the %d rows x %d columns "
         "this call needs (or with a negative extent): the call is refused.\\n",
         procedure, rows, columns);
}

}  // namespace xv55::entry
