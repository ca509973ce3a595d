// Equilibrium reactor link: the product streams of an EQLBRX block of the companion
// simulator, run by the host's equilibrium reactor library on the model's feed,
// temperature and pressure.
#pragma once

#include <cstdint>

#include "entry/record.hpp"
#include "entry/views.hpp"

namespace xv55::equilibrium {

XV55_RECORD(EquilibriumArguments,
            (Text, blockId, ""),                            // block identifier
            (const std::int64_t&, unitSet, ""),             // of every unit conversion
            (const double&, feedFlow, "kmol/h"),
            (const double&, feedTemperature, "degC"),
            (const double&, feedPressure, "bar"),
            (Vector<const double>, feedComposition, "1"),    // mole fractions, NC
            (const double&, reactorPressure, "bar"),
            (const double&, reactorTemperature, "degC"),    // 1.0E35 or above: not given
            (Unused, notUsed, ""),
            (Text, option, ""),                             // REINIT re-initialises the block
            (Vector<double>, productFlows, "kmol/h"),        // NP
            (Matrix<double>, productCompositions, "1"),      // NC x NP, mole fractions
            (Vector<double>, productEnthalpies, "MJ/kmol"),  // NP
            (Vector<double>, productDensities, "kg/m3"));  // NP

void EQLBRX(const EquilibriumArguments& args, Status status, HostContext context, Workspace work);

}  // namespace xv55::equilibrium
