// Analytic derivatives of the section procedure SPPINT in its "Darcy" branch.
#pragma once

#include "entry/views.hpp"
#include "pipe/dispatch.hpp"
#include "pipe/pipe_flow.hpp"

namespace xv55::pipe {

// Rows holdup, friction loss and acceleration loss of SPPINT against its real input
// columns (the two name columns are never written), for the section `e` and the
// losses `loss` its outputs were formed from:
// - "Darcy" branch (the name, or single-phase flow): every element, the slopes of the
//   values written, through the Colebrook iterates, |velocity| and its floor, the
//   liquid-fraction floor and the cap of the kinetic-energy ratio; row 3 is left as
//   the host gave it when a holdup correlation gave the slip density (its slopes are
//   the host routine's);
// - any other keyword, or none: nothing is written;
// - a NaN or infinite input (`e` not valid): every element NaN.
void sectionDerivatives(const SectionArguments& a, const Evaluation& e, const SectionLosses& loss,
                        Jacobian jac);

}  // namespace xv55::pipe
