// Evaluation (call mode 4: value and derivatives) of prepared pump and compressor
// curves through their entry points, for 10 tabular curves of 20 points and for 2
// curves of 5 points.  The curves are set up once; each iteration is one host call
// at an operating point inside the curves and inside the surge-to-stonewall band.
// Every evaluation clears the whole derivative matrix; the *DerivativeClear
// benchmarks clear a matrix of the same shape the same way, so that an evaluation's
// cost without its clear is the difference of the two in one run.
// Run: build/bin/xv55_bench --benchmark_filter=Curve --benchmark_min_time=0.5
//        --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true
//        --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "entry/views.hpp"
#include "xv55/refhost/control.hpp"
#include "xv55/testing/block_builder.hpp"
#include "xv55/xv55.h"

namespace {

using xv55::BlockBuilder;

// Head curves: curve c at speed 1000 + 100 c, points at flows 5 p (p = 0 ..).
struct Family {
  std::int64_t nc, np;
  std::vector<std::int64_t> npts;
  std::vector<double> speeds, y, x, coef;

  Family(std::int64_t curves, std::int64_t points) : nc(curves), np(points) {
    npts.assign(static_cast<std::size_t>(nc), np);
    coef.assign(static_cast<std::size_t>(nc * 4), 0.0);
    for (std::int64_t c = 0; c < nc; ++c) speeds.push_back(1000.0 + 100.0 * static_cast<double>(c));
    y.resize(static_cast<std::size_t>(nc * np));
    x.resize(static_cast<std::size_t>(nc * np));
    for (std::int64_t p = 0; p < np; ++p) {
      for (std::int64_t c = 0; c < nc; ++c) {
        const double q = 5.0 * static_cast<double>(p);
        const auto cell = static_cast<std::size_t>(p * nc + c);  // column-major (curve, point)
        x[cell] = q;
        y[cell] = 100.0 + 10.0 * static_cast<double>(c) - 0.01 * q * q;
      }
    }
  }
  // An operating point between the middle curves and inside every curve.
  double speed() const { return 1000.0 + 100.0 * (static_cast<double>(nc) - 1.0) * 0.45; }
  double flow() const { return 5.0 * (static_cast<double>(np) - 1.0) * 0.55; }
};

// The pump's block, or with `compressor` the compressor's: its limit option "No",
// surge flows 1 and stonewall flows 1000 around every operating flow.
BlockBuilder block(const Family& f, bool compressor) {
  const auto flows = [&](double q) { return std::vector<double>(f.speeds.size(), q); };
  BlockBuilder b;
  b.text("Tabular data");
  b.integer(f.nc);
  b.integer(f.np);
  b.integers(f.npts, {f.nc});
  if (compressor) b.text("No");
  b.real(f.speed());
  b.reals(f.speeds, {f.nc});
  b.reals(f.y, {f.nc, f.np});
  b.reals(f.x, {f.nc, f.np});
  b.reals(f.coef, {f.nc, 4});
  if (compressor) {
    b.reals(flows(1.0), {f.nc});
    b.reals(flows(1000.0), {f.nc});
  }
  b.real(f.flow());
  b.text("Harwell");
  for (int k = 0; k < (compressor ? 3 : 1); ++k) b.output();
  b.work.assign(compressor ? 2 : static_cast<std::size_t>(5 * f.nc * f.np), 0.0);
  return b;
}

void evaluate(benchmark::State& state, Xv55Entry entry) {
  xv55::refhost::reset();
  const Family family(state.range(0), state.range(1));
  BlockBuilder b = block(family, entry == XV55IF_SPPCURVE);
  b.call(entry, XV55_CALL_SETUP);
  if (b.status != 0) state.SkipWithError("set-up failed");
  b.callType = XV55_CALL_VALUES_AND_DERIVATIVES;
  for (auto _ : state) {
    b.call(entry);
    benchmark::DoNotOptimize(b.outputCell(1).real);
    benchmark::ClobberMemory();
  }
  if (b.status != 0) state.SkipWithError("evaluation reported");
  state.counters["columns"] = static_cast<double>(b.inputColumns());
  if (entry == XV55IF_SPPCURVE) b.call(entry, XV55_CALL_CLEANUP);
}

void CurvePumpEvaluation(benchmark::State& state) {
  evaluate(state, XV55IF_SPPUMPCURVE);
}
BENCHMARK(CurvePumpEvaluation)->Args({10, 20})->Args({2, 5});

void CurveCompressorEvaluation(benchmark::State& state) {
  evaluate(state, XV55IF_SPPCURVE);
}
BENCHMARK(CurveCompressorEvaluation)->Args({10, 20})->Args({2, 5});

// The derivative clear alone: a matrix of the evaluation's rows x columns, cleared
// through the same view.
void clearOnly(benchmark::State& state, bool compressor) {
  const Family family(state.range(0), state.range(1));
  BlockBuilder b = block(family, compressor);
  const std::int64_t rows = b.outputCells();
  const std::int64_t columns = b.inputColumns();
  std::vector<double> matrix(static_cast<std::size_t>(rows * columns), 1.0);
  for (auto _ : state) {
    xv55::Jacobian(matrix.data(), rows, columns).clear();
    benchmark::DoNotOptimize(matrix.data());
    benchmark::ClobberMemory();
  }
  state.counters["columns"] = static_cast<double>(columns);
}

void CurvePumpDerivativeClear(benchmark::State& state) {
  clearOnly(state, false);
}
BENCHMARK(CurvePumpDerivativeClear)->Args({10, 20})->Args({2, 5});

void CurveCompressorDerivativeClear(benchmark::State& state) {
  clearOnly(state, true);
}
BENCHMARK(CurveCompressorDerivativeClear)->Args({10, 20})->Args({2, 5});

}  // namespace
