// Cost of a call through the fourteen-argument block against a direct call of
// the same body.  Run: build/bin/xv55_bench --benchmark_min_time=0.5
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "entry/views.hpp"
#include "numerics/numerics.hpp"
#include "xv55/xv55.h"

namespace {

using namespace xv55;

// A prepared block: the host keeps these arrays between calls.
struct RawBlock {
  std::vector<double> inputs, outputs, derivatives;
  std::vector<std::int64_t> inputPositions, outputPositions, inputSizes, outputSizes;
  std::int64_t status = 0, context = 0, workLength = 0, rows = 0, columns = 0, callType = 4;

  void call(Xv55Entry entry) {
    entry(inputs.data(), inputSizes.data(), outputs.data(), outputSizes.data(),
          inputPositions.data(), outputPositions.data(), &status, &context, nullptr, &workLength,
          derivatives.data(), &rows, &columns, &callType);
  }
};

RawBlock sqrtBlock() {
  RawBlock b;
  b.inputs = {2.0};
  b.outputs = {0.0};
  b.inputPositions = {1};
  b.outputPositions = {1};
  b.inputSizes = {0};
  b.outputSizes = {0};
  b.derivatives = {0.0};
  b.rows = b.columns = 1;
  return b;
}

void SqrtThroughBlock(benchmark::State& state) {
  RawBlock b = sqrtBlock();
  for (auto _ : state) {
    b.call(XV55IF_SPSQRT);
    benchmark::DoNotOptimize(b.outputs.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(SqrtThroughBlock);

void SqrtDirect(benchmark::State& state) {
  RawBlock b = sqrtBlock();
  for (auto _ : state) {
    numerics::SPSQRT({b.inputs[0], b.outputs[0], {1, 1}}, Jacobian(b.derivatives.data(), 1, 1),
                     CallMode(4));
    benchmark::DoNotOptimize(b.outputs.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(SqrtDirect);

constexpr int kOrder = 10;

RawBlock matrixBlock() {
  RawBlock b;
  b.inputs.resize(kOrder * kOrder + kOrder);
  for (std::size_t k = 0; k < b.inputs.size(); ++k) b.inputs[k] = 0.5 + static_cast<double>(k % 7);
  b.outputs.assign(kOrder, 0.0);
  b.inputPositions = {1, kOrder * kOrder + 1};
  b.outputPositions = {1};
  b.inputSizes = {kOrder, kOrder, kOrder};
  b.outputSizes = {kOrder};
  b.rows = kOrder;
  b.columns = kOrder * kOrder + kOrder;
  b.derivatives.assign(static_cast<std::size_t>(b.rows * b.columns), 0.0);
  return b;
}

void MatrixThroughBlock(benchmark::State& state) {
  RawBlock b = matrixBlock();
  for (auto _ : state) {
    b.call(XV55IF_SPMATR);
    benchmark::DoNotOptimize(b.outputs.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(MatrixThroughBlock);

void MatrixDirect(benchmark::State& state) {
  RawBlock b = matrixBlock();
  std::int64_t status = 0;
  for (auto _ : state) {
    numerics::SPMATR({Matrix<const double>(b.inputs.data(), kOrder, kOrder),
                      Vector<const double>(b.inputs.data() + kOrder * kOrder, kOrder),
                      Vector<double>(b.outputs.data(), kOrder),
                      {1, kOrder * kOrder + 1, 1}},
                     Status(&status), Jacobian(b.derivatives.data(), b.rows, b.columns),
                     CallMode(4));
    benchmark::DoNotOptimize(b.outputs.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(MatrixDirect);

RawBlock integrationBlock() {
  RawBlock b;
  b.inputs = {10.0, 8.0, 1.0, 0.001, 0.8, 1.0, 20.0};
  b.outputs = {0.0, 0.0, 0.0};
  b.inputPositions = {1, 2, 3, 4, 5, 6, 7};
  b.outputPositions = {1, 2, 3};
  b.inputSizes = {0};
  b.outputSizes = {0};
  b.callType = 0;
  return b;
}

void IntegrationThroughBlock(benchmark::State& state) {
  RawBlock b = integrationBlock();
  for (auto _ : state) {
    b.call(XV55IF_PSIMPINT);
    benchmark::DoNotOptimize(b.outputs.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(IntegrationThroughBlock);

void IntegrationDirect(benchmark::State& state) {
  RawBlock b = integrationBlock();
  const auto& in = b.inputs;
  std::int64_t status = 0;
  for (auto _ : state) {
    numerics::PSIMPINT({{in[0], in[1], in[2], in[3], in[4], in[5]},
                        in[6],
                        b.outputs[0],
                        b.outputs[1],
                        b.outputs[2],
                        {{1, 2, 3, 4, 5, 6}, 7, 1, 2, 3}},
                       Status(&status));
    benchmark::DoNotOptimize(b.outputs.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(IntegrationDirect);

}  // namespace

BENCHMARK_MAIN();
