// A host linked against the installed library: calls a procedure through the block,
// checks its derivative, sets up the reference host and finds the metadata and CLI.
#include <cmath>
#include <cstdio>
#include <fstream>

#include "xv55/refhost/control.hpp"
#include "xv55/testing/block_builder.hpp"
#include "xv55/testing/derivative_check.hpp"
#include "xv55/xv55.h"

int main() {
  xv55::BlockBuilder block;
  block.real(-4.0);
  block.output();
  block.call(XV55IF_SPSQRT, 4);
  const bool value = block.out(1) == -2.0 && block.derivative(1, 1) == 0.25;
  const bool derivatives = xv55::checkDerivatives(block, XV55IF_SPSQRT).ok();
  xv55::refhost::reset();
  const bool host = xv55::refhost::setGlobal(2, 1e-8) && xv55::refhost::global(2) == 1e-8;
  const bool files =
      std::ifstream(XV55_METADATA_FILE).good() && std::ifstream(XV55_CLI_FILE).good();
  std::printf("value %d, derivatives %d, host %d, files %d\n", value, derivatives, host, files);
  return value && derivatives && host && files ? 0 : 1;
}
