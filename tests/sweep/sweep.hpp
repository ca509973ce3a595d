// The derivative sweep: a procedure described as data (the range of each input it is
// swept over and the places where it branches), points drawn from that description
// with a fixed seed, and every analytic derivative at every point judged against
// central differences by the rule of xv55/testing/derivative_check.hpp.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "xv55/testing/block_builder.hpp"
#include "xv55/testing/derivative_check.hpp"

namespace xv55::sweep {

enum class Spread { Linear, Log, SignedLog };

// One input the sweep varies: its derivative column and the range it is drawn from
// (for Log the range of the value, for SignedLog that of its magnitude, either sign).
struct Input {
  std::string name;
  std::int64_t column;
  double lo, hi;
  Spread spread = Spread::Linear;
};

using Point = std::vector<double>;  // one value per varied input, in their order

// A place where the procedure changes branch: input `input` at target(point).  The
// sweep draws points at 1e-3 (relative, or absolute at 0) on either side, and at
// the target itself where the procedure defines its value there (`at`).
struct Branch {
  std::size_t input;
  std::function<double(const Point&)> target;
  bool at = true;
};

struct Procedure {
  Procedure(std::string n, Xv55Entry e, std::uint64_t s, std::function<BlockBuilder()> m)
      : name(std::move(n)), entry(e), seed(s), make(std::move(m)) {}
  std::string name;
  Xv55Entry entry;
  std::uint64_t seed;                  // of the points drawn
  std::function<BlockBuilder()> make;  // the block, already set up where needed
  std::vector<Input> inputs;
  std::vector<Branch> branches;
  std::vector<std::int64_t> switches;  // real columns that select a mode, not differentiated
  bool cleanUp = false;                // callType 2 after the sweep
};

// What a sweep found.
struct Tally {
  int valid = 0, refused = 0;  // points evaluated, points answered with status 4
  long elements = 0;           // elements judged in the varied columns
  long kinks = 0, singular = 0;
  std::vector<std::string> failures;  // derivatives that disagree, or columns not written
};

// Uniform in [0, 1) from 53 random bits: the same sequence with every library.
inline double uniform(std::mt19937_64& rng) {
  return static_cast<double>(rng() >> 11) * 0x1.0p-53;
}

inline double draw(const Input& in, std::mt19937_64& rng) {
  const double u = uniform(rng);
  switch (in.spread) {
    case Spread::Linear:
      return in.lo + u * (in.hi - in.lo);
    case Spread::Log:
      return in.lo * std::pow(in.hi / in.lo, u);
    case Spread::SignedLog:
      break;
  }
  const double magnitude = in.lo * std::pow(in.hi / in.lo, uniform(rng));
  return u < 0.5 ? -magnitude : magnitude;
}

// `random` points over the ranges, then `repeats` draws around every branch.
inline std::vector<Point> pointsOf(const Procedure& p, int random, int repeats) {
  std::mt19937_64 rng(p.seed);
  const auto any = [&] {
    Point point;
    for (const Input& in : p.inputs) point.push_back(draw(in, rng));
    return point;
  };
  std::vector<Point> points;
  for (int k = 0; k < random; ++k) points.push_back(any());
  for (const Branch& b : p.branches) {
    for (int k = 0; k < repeats; ++k) {
      for (double side : {-1.0, 1.0, 0.0}) {
        if (side == 0.0 && !b.at) continue;
        Point point = any();
        const double t = b.target(point);
        point[b.input] = t == 0.0 ? side * 1e-3 : t * (1.0 + side * 1e-3);
        points.push_back(point);
      }
    }
  }
  return points;
}

inline std::string describe(const Procedure& p, const Point& point) {
  std::ostringstream s;
  s.precision(17);
  s << p.name << " at";
  for (std::size_t k = 0; k < point.size(); ++k) s << " " << p.inputs[k].name << "=" << point[k];
  return s.str();
}

// An element the procedure left unwritten although the outputs move with the input:
// both one-sided differences clearly away from zero (on the same side at a kink too).
inline bool missingColumn(const ElementCheck& e, const DerivativeCheckOptions& o) {
  const double clear = 1e2 * o.absoluteTolerance;
  return !e.written && std::fabs(e.left) > clear && std::fabs(e.right) > clear &&
         (e.left > 0) == (e.right > 0);
}

inline Tally run(const Procedure& p, int random = 200, int repeats = 4) {
  Tally t;
  BlockBuilder block = p.make();
  DerivativeCheckOptions options;
  for (std::int64_t column : realColumns(block)) {
    if (std::ranges::find(p.switches, column) == p.switches.end()) {
      options.columns.push_back(column);
    }
  }
  for (const Point& point : pointsOf(p, random, repeats)) {
    for (std::size_t k = 0; k < point.size(); ++k) {
      block.inputCell(p.inputs[k].column).real = point[k];
    }
    block.status = 0;
    block.call(p.entry, 4);
    if (block.status == 4) {
      ++t.refused;
      continue;
    }
    ++t.valid;
    for (const ElementCheck& e : compareDerivatives(block, p.entry, options)) {
      if (std::ranges::find(p.inputs, e.column, &Input::column) != p.inputs.end()) ++t.elements;
      std::ostringstream what;
      what.precision(10);
      what << describe(p, point) << ": d out" << e.row << "/d in" << e.column;
      if (missingColumn(e, options)) {
        what << " not written, central difference " << e.central;
      } else if (std::isnan(e.analytic)) {
        what << " is NaN";
      } else if (e.verdict == DerivativeVerdict::Singular) {
        ++t.singular;
        continue;
      } else if (e.verdict == DerivativeVerdict::Kink) {
        ++t.kinks;
        continue;
      } else if (e.verdict == DerivativeVerdict::Differs) {
        what << ": analytic " << e.analytic << ", central " << e.central << " (left " << e.left
             << ", right " << e.right << ")";
      } else {
        continue;
      }
      t.failures.push_back(what.str());
    }
  }
  if (p.cleanUp) block.call(p.entry, 2);
  return t;
}

}  // namespace xv55::sweep
