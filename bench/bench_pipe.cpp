// Cost of the pipe procedures through their entry points, of the reference host's
// routines alone with the same arguments (the library's own share of a call is the
// difference), and of the Beggs-Brill section body without the entry point.
// Run: build/bin/xv55_bench --benchmark_filter='Pipe' --benchmark_min_time=0.5
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "entry/views.hpp"
#include "host/pipe_correlations.h"
#include "pipe/pipe_flow.hpp"
#include "xv55/xv55.h"

namespace {

// A block laid out once, as the host keeps it between calls.
class PipeBlock {
 public:
  PipeBlock& reals(std::initializer_list<double> values) {
    for (double v : values) {
      positions_.push_back(static_cast<std::int64_t>(cells_.size()) + 1);
      cells_.push_back(v);
    }
    return *this;
  }
  PipeBlock& text(std::string_view name) {
    positions_.push_back(static_cast<std::int64_t>(cells_.size()) + 1);
    const std::size_t first = cells_.size();
    cells_.resize(first + 5, 0.0);
    std::memcpy(&cells_[first], name.data(), name.size() < 40 ? name.size() : 40);
    return *this;
  }
  PipeBlock& outputs(int n) {
    for (int k = 1; k <= n; ++k) outputPositions_.push_back(k);
    out_.assign(static_cast<std::size_t>(n), 0.0);
    return *this;
  }
  void call(Xv55Entry entry) {
    entry(cells_.data(), &zero_, out_.data(), &zero_, positions_.data(), outputPositions_.data(),
          &status_, &zero_, nullptr, &zero_, nullptr, &zero_, &zero_, &callType_);
  }
  const double* out() const { return out_.data(); }

 private:
  std::vector<double> cells_, out_;
  std::vector<std::int64_t> positions_, outputPositions_;
  std::int64_t zero_ = 0, status_ = 0, callType_ = 0;
};

// A 4-inch oil-gas section: D, L, multiplier, angle, roughness, velocity, pressure,
// lambda, densities, surface tension, viscosities.
PipeBlock section(std::string_view holdup, std::string_view drop) {
  PipeBlock b;
  b.reals({0.1, 100.0, 1.0, 0.05, 4.5e-4, 2.5, 20.0, 0.3, 800.0, 20.0, 0.02, 1.5, 0.012})
      .text(holdup)
      .text(drop)
      .outputs(3);
  return b;
}

void PipeColebrook(benchmark::State& state) {
  static constexpr double kReynolds[] = {0.05, 1000.0, 3000.0, 1e4, 1e5, 1e7};
  PipeBlock b;
  b.reals({kReynolds[state.range(0)], 4.5e-4}).outputs(1);
  for (auto _ : state) {
    b.call(XV55IF_SPPCBR);
    benchmark::DoNotOptimize(b.out());
    benchmark::ClobberMemory();
  }
  state.SetLabel("Re " + std::to_string(kReynolds[state.range(0)]));
}
BENCHMARK(PipeColebrook)->DenseRange(0, 5);

void PipeSectionDarcy(benchmark::State& state) {
  PipeBlock b = section("none", "Darcy");
  for (auto _ : state) {
    b.call(XV55IF_SPPINT);
    benchmark::DoNotOptimize(b.out());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(PipeSectionDarcy);

void PipeSectionBeggsBrill(benchmark::State& state) {
  PipeBlock b = section("Beggs-Brill", "Beggs-Brill");
  for (auto _ : state) {
    b.call(XV55IF_SPPINT);
    benchmark::DoNotOptimize(b.out());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(PipeSectionBeggsBrill);

// The host's part of the Beggs-Brill section above: the initialisers and both
// routines with the arguments SPPINT passes them (field units).
void PipeSectionBeggsBrillHostOnly(benchmark::State& state) {
  const double ft = 0.3048, lbft3 = 0.062428, cp = 1488.0;
  const double lambda = 0.3, d = 0.1 / ft, vm = 2.5 / ft, theta = 0.05, r = 4.5e-4;
  const double rhoL = 800 * lbft3, rhoG = 20 * lbft3, sigma = 0.02 * 2.204634;
  const double rhoNs = lambda * rhoL + (1 - lambda) * rhoG;
  const double muNs = (lambda * 1.5 + (1 - lambda) * 0.012) / cp;
  double holdup = 0, regime = 0, f = 0;
  std::int64_t e1 = 0, e2 = 0;
  for (auto _ : state) {
    PIP_PIPBL1();
    PIP_PIPBL2();
    PIP_PIPFFC();
    PIP_PIPBBH(&lambda, &d, &rhoNs, &rhoL, &vm, &sigma, &theta, &holdup, &regime, &e1);
    PIP_PIPBBF(&lambda, &vm, &muNs, &rhoNs, &d, &r, &f, &holdup, &e2);
    benchmark::DoNotOptimize(f);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(PipeSectionBeggsBrillHostOnly);

// The same section through the body alone, without the entry point's unpacking.
void PipeSectionBeggsBrillBodyOnly(benchmark::State& state) {
  using namespace xv55;
  const double in[] = {0.1, 100.0, 1.0,  0.05, 4.5e-4, 2.5,  20.0,
                       0.3, 800.0, 20.0, 0.02, 1.5,    0.012};
  const char holdup[40] = "Beggs-Brill", drop[40] = "Beggs-Brill";
  double out[3] = {};
  const pipe::SectionArguments args{
      in[0],  in[1],  in[2],  in[3],        in[4],      in[5],  in[6],  in[7],  in[8], in[9],
      in[10], in[11], in[12], Text(holdup), Text(drop), out[0], out[1], out[2], {}};
  for (auto _ : state) {
    pipe::SPPINT(args);
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(PipeSectionBeggsBrillBodyOnly);

void PipeGradientFriedel(benchmark::State& state) {
  // D, angle, roughness, packed bed a b c, sign, velocity, mass flow, quality, pressure,
  // lambda, densities, surface tension, viscosities.
  PipeBlock b;
  b.reals({0.05, 0.0, 4.5e-4, 0.4, 0.8, 0.003, -1.0, 2.5, 1000.0, 0.1, 20.0, 1.0 / 6.0, 900.0, 20.0,
           0.02, 0.5, 0.015})
      .text("none")
      .text("Friedel")
      .outputs(1);
  for (auto _ : state) {
    b.call(XV55IF_SPDPDZFR);
    benchmark::DoNotOptimize(b.out());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(PipeGradientFriedel);

}  // namespace
