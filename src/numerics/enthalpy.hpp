// Pure-component molar enthalpies from the host's property routines.
#pragma once

#include <cstdint>

#include "entry/record.hpp"
#include "entry/views.hpp"

namespace xv55::numerics {

XV55_RECORD(PureEnthalpyArguments,
            (const double&, temperature, "degC"),
            (const double&, pressure, "bar"),
            (const std::int64_t&, phase, ""),  // non-zero vapour, 0 liquid
            (Vector<double>, enthalpies, "MJ/kmol"));  // one per model component, in order

// h(i) is the molar enthalpy of pure component i (GPIVEX for the vapour, GPILEX for the
// liquid) for i = 1 .. n, n the output extent.  The first refusal of the host stops the
// loop with status 4 and a message; every enthalpy then keeps its value.
void SPENTH_MOLAR(const PureEnthalpyArguments& args, Status status, HostContext context);

}  // namespace xv55::numerics
