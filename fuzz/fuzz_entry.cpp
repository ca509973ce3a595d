// libFuzzer target: random but well-formed argument blocks for every exported
// procedure.  Positions lie inside the host's arrays and extents agree with the
// cells laid out (zero and negative extents included); cell values, callType,
// workspace and derivative shapes are arbitrary.  Run:
//   build-fuzz/bin/xv55_fuzz -max_total_time=60 fuzz/corpus
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numeric>
#include <vector>

#include "entry/unpack.hpp"
#include "print/print.hpp"
#include "xv55/host_objects.hpp"

namespace {

using xv55::entry::ArgKind;

// Messages are produced but not shown.
class QuietPrinter final : public xv55::XvPrinter {
 public:
  void writeLine(const char* line) override { sink_ += std::strlen(line); }
  void endMessage(std::int32_t) override {}

 private:
  std::size_t sink_ = 0;
};
QuietPrinter g_printer;

double anyReal(FuzzedDataProvider& fdp) {
  switch (fdp.ConsumeIntegralInRange<int>(0, 9)) {
    case 0:
      return std::numeric_limits<double>::quiet_NaN();
    case 1:
      return fdp.ConsumeBool() ? HUGE_VAL : -HUGE_VAL;
    case 2:
      return fdp.ConsumeBool() ? 0.0 : -0.0;
    case 3:
      return static_cast<double>(fdp.ConsumeIntegralInRange<int>(-20, 20));
    case 4:
      return fdp.ConsumeFloatingPointInRange<double>(-1e-30, 1e-30);
    default:
      return fdp.ConsumeFloatingPoint<double>();
  }
}

std::int64_t anyExtent(FuzzedDataProvider& fdp, int most) {
  return fdp.ConsumeIntegralInRange<std::int64_t>(-2, most);
}

struct Argument {
  ArgKind kind;
  std::vector<std::int64_t> extents;
  std::int64_t cells = 1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  xv55::print::setHostPrinter(&g_printer);
  FuzzedDataProvider fdp(data, size);
  const auto all = xv55::entry::procedures();
  const auto& procedure = all[fdp.ConsumeIntegralInRange<std::size_t>(0, all.size() - 1)];

  // Shapes first: extents as the host declares them, cells as they occupy.
  std::vector<Argument> arguments;
  for (ArgKind kind : procedure.arguments) {
    Argument a{kind, {}, 1};
    if (kind == ArgKind::TextIn) a.cells = 5;
    for (int d = 0; d < xv55::entry::extentsOf(kind); ++d) {
      a.extents.push_back(anyExtent(fdp, xv55::entry::extentsOf(kind) == 2 ? 6 : 24));
    }
    if (!a.extents.empty()) {
      a.cells = 1;
      for (std::int64_t e : a.extents) a.cells *= std::max<std::int64_t>(e, 0);
    }
    arguments.push_back(a);
  }

  // Lay the arguments out in a random order, each at its own place, with gaps.
  std::vector<double> inputs, outputs;
  std::vector<std::int64_t> inputPositions, outputPositions, inputSizes, outputSizes;
  std::vector<std::size_t> order(arguments.size());
  std::iota(order.begin(), order.end(), 0);
  for (std::size_t k = order.size(); k > 1; --k) {
    std::swap(order[k - 1], order[fdp.ConsumeIntegralInRange<std::size_t>(0, k - 1)]);
  }
  std::vector<std::int64_t> position(arguments.size());
  for (std::size_t k : order) {
    std::vector<double>& cells = xv55::entry::isInput(arguments[k].kind) ? inputs : outputs;
    cells.resize(cells.size() + fdp.ConsumeIntegralInRange<std::size_t>(0, 2), 0.0);
    position[k] = static_cast<std::int64_t>(cells.size()) + 1;
    cells.resize(cells.size() + static_cast<std::size_t>(arguments[k].cells), 0.0);
  }
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    const bool input = xv55::entry::isInput(arguments[k].kind);
    (input ? inputPositions : outputPositions).push_back(position[k]);
    auto& sizes = input ? inputSizes : outputSizes;
    sizes.insert(sizes.end(), arguments[k].extents.begin(), arguments[k].extents.end());
  }

  // Cell values: reals, small integers (counts), texts.
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    if (!xv55::entry::isInput(arguments[k].kind)) continue;
    double* cell = inputs.data() + (position[k] - 1);
    for (std::int64_t c = 0; c < arguments[k].cells; ++c) {
      switch (arguments[k].kind) {
        case ArgKind::IntegerIn:
        case ArgKind::IntegerVectorIn:
        case ArgKind::IntegerMatrixIn: {
          const auto v = fdp.ConsumeBool() ? fdp.ConsumeIntegralInRange<std::int64_t>(-3, 30)
                                           : fdp.ConsumeIntegral<std::int64_t>();
          std::memcpy(&cell[c], &v, sizeof v);
          break;
        }
        case ArgKind::TextIn: {
          char text[8];
          for (char& ch : text) ch = static_cast<char>(fdp.ConsumeIntegral<std::uint8_t>());
          std::memcpy(&cell[c], text, sizeof text);
          break;
        }
        default:
          cell[c] = anyReal(fdp);
      }
    }
  }
  for (double& v : outputs) v = anyReal(fdp);

  std::int64_t status = fdp.ConsumeIntegralInRange<std::int64_t>(-1, 4);
  const std::int64_t context = fdp.ConsumeIntegral<std::int64_t>();
  std::int64_t callType = fdp.ConsumeIntegralInRange<std::int64_t>(-1, 5);
  std::vector<double> work(fdp.ConsumeIntegralInRange<std::size_t>(0, 64));
  for (double& w : work) w = anyReal(fdp);
  const auto workLength = static_cast<std::int64_t>(work.size());
  const auto rows = static_cast<std::int64_t>(outputs.size());
  const auto columns = static_cast<std::int64_t>(inputs.size());
  std::vector<double> derivatives(static_cast<std::size_t>(rows * columns), 0.0);
  if (inputSizes.empty()) inputSizes.push_back(0);
  if (outputSizes.empty()) outputSizes.push_back(0);
  if (inputs.empty()) inputs.push_back(0.0);
  if (outputs.empty()) outputs.push_back(0.0);
  if (derivatives.empty()) derivatives.push_back(0.0);

  procedure.entry(inputs.data(), inputSizes.data(), outputs.data(), outputSizes.data(),
                  inputPositions.data(), outputPositions.data(), &status, &context, work.data(),
                  &workLength, derivatives.data(), &rows, &columns, &callType);
  return 0;
}
