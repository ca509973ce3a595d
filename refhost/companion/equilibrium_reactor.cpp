// The equilibrium reactor library of the reference host (EQLB_IURE06, ZSTR_CSINIT,
// EQLB_URE06I, EQLB_EURE06 and the offsets EQLB_CURE06), the streams of its blocks
// (SHS_LOCATS, SHS_NPHASE, SHS_LPHASE) and the run's words DMS_ERRTWO, DMS_GLOBAL and
// DMS_RPTGLB.
//
// The products of an EQLBRX block are the phase equilibrium of its mixed feeds, after the
// block's one equilibrium reaction if it has one (ideal gas, at the block's temperature
// and pressure), at the block's temperature and pressure (or, when its temperature is the
// missing value, at the feeds' enthalpy: an adiabatic flash), by the property system's
// Peng-Robinson flash (docs/properties.md).  The equilibrium is split into the product
// streams by phase: one product takes the whole mixture; with two or more, product 1 is
// the vapour, product 2 the liquid, and further products stay empty (the property system
// finds no second liquid).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "columns_internal.hpp"
#include "xv55/host/data_management.h"
#include "xv55/refhost/columns.hpp"
#include "xv55/refhost/properties.hpp"

extern "C" {
XV55_API std::int64_t DMS_ERRTWO[DMS_ERRTWO_WORDS];
XV55_API std::int64_t DMS_GLOBAL[DMS_GLOBAL_WORDS];
XV55_API std::int64_t DMS_RPTGLB[DMS_RPTGLB_WORDS];
XV55_API std::int64_t EQLB_CURE06[EQLB_CURE06_WORDS];
}

namespace xv55::refhost::companion::detail {
namespace {

namespace props = refhost::properties;
using refhost::detail::beginRecord;
using refhost::detail::declareService;
using refhost::detail::failureDue;
using refhost::detail::kSeverityError;

const Service kIure06 = declareService("EQLB_IURE06");
const Service kCsinit = declareService("ZSTR_CSINIT");
const Service kUre06i = declareService("EQLB_URE06I");
const Service kEure06 = declareService("EQLB_EURE06", false);
const Service kLocats = declareService("SHS_LOCATS");
const Service kNphase = declareService("SHS_NPHASE", false);
const Service kLphase = declareService("SHS_LPHASE", false);

// The reference pressure of an equilibrium constant, Pa, and the bisection of the extent.
constexpr double kBar = 1.0e5;
constexpr int kBisectionSteps = 200;

// Error states of a run.
constexpr std::int64_t kRunFailed = -1;     // an injected failure of EQLB_URE06I
constexpr std::int64_t kUnusableFeed = -2;  // no feed flow or unusable conditions
constexpr std::int64_t kNotConverged = -3;  // the flash found no equilibrium
constexpr std::int64_t kNoComponents = -4;  // the property system's list does not fit

struct ErrorState {
  std::int64_t severity = EQLB_FAILURE;
  std::string text;
};

struct Injected {
  std::int64_t word = 0;
  ErrorState state;
  std::int64_t times = 0;
};

struct ReactorState {
  std::int64_t setUpBead = 0;  // the block EQLB_IURE06 set up last
  std::map<std::int64_t, ErrorState> injectedStates;
  Injected pending;
  std::map<std::pair<std::int64_t, std::int64_t>, std::vector<std::int64_t>> forced;
  std::int64_t reinitialisations = 0;
};

ReactorState& state() {
  static ReactorState s;
  return s;
}

double missing() {
  return DMS_RGLOB[host::kNoValue - 1];
}

const BlockDef* equilibriumBlock(std::int64_t bead) {
  if (!loaded().present) return nullptr;
  for (const BlockDef& b : loaded().flowsheet.blocks) {
    if (b.bead == bead) return b.type == "EQLBRX" ? &b : nullptr;
  }
  return nullptr;
}

const BlockDef* equilibriumBlock(std::string_view path, std::string_view name) {
  const std::int64_t bead = companion::blockBead(path, name);
  return bead ? equilibriumBlock(bead) : nullptr;
}

// Data word k of a block.
DmsWord* dataWord(const BlockDef& b, std::int64_t k) {
  return beadWord(b.bead, blockOffset(b) + k);
}
std::int64_t integerAt(const BlockDef& b, std::int64_t k) {
  const DmsWord* w = dataWord(b, k);
  return w ? w->integer : 0;
}

// A block's view of its streams.
struct Streams {
  std::int64_t feeds = 0;
  std::int64_t products = 0;
  std::int64_t components = 0;
  std::int64_t stride = 0;
  // Word 1 of stream k (1-based): feeds first, then products.
  DmsWord* stream(const BlockDef& b, std::int64_t k) const {
    return dataWord(b, kEqlbStreamAreasAt + (k - 1) * stride);
  }
};

Streams streamsOf(const BlockDef& b) {
  return {integerAt(b, host::kEqlbFeedCountAt), integerAt(b, host::kEqlbProductCountAt),
          integerAt(b, kEqlbComponentsAt), integerAt(b, kEqlbStrideAt)};
}

// The block of a stream ID and the stream's number in it; nullptr when there is none.
const BlockDef* blockOfStream(std::int64_t id, std::int64_t& k) {
  if (id <= 0) return nullptr;
  const BlockDef* b = equilibriumBlock(id / kStreamsPerBead);
  k = id % kStreamsPerBead;
  if (!b) return nullptr;
  const Streams s = streamsOf(*b);
  return k >= 1 && k <= s.feeds + s.products ? b : nullptr;
}

// The block of DMS_GLOBAL word 26, with a report when it is not an EQLBRX block.
const BlockDef* runBlock(Service service) {
  const std::int64_t bead = DMS_GLOBAL[DMS_GLOBAL_BLOCK_BEAD - 1];
  const BlockDef* b = equilibriumBlock(bead);
  if (!b) {
    refhost::detail::report(service, kSeverityError,
                            "Bead " + std::to_string(bead) +
                                " (DMS_GLOBAL word 26) is not an EQLBRX block of the flowsheet.");
  }
  return b;
}

// Properties of one phase (or a mixture) of the named components.
struct PhaseValues {
  double volume = 0, enthalpy = 0, entropy = 0, mw = 0;
};
bool phaseValues(const std::vector<std::string>& names, const std::vector<double>& x, double t,
                 double p, props::Root root, PhaseValues& out) {
  props::PhaseState ps;
  if (!props::phaseState(names, x, t, p, root, ps)) return false;
  out.volume = ps.volume;
  out.enthalpy = ps.enthalpy;
  out.entropy = ps.entropy;
  out.mw = 0;
  double sum = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    props::ComponentData c;
    props::componentData(names[i], c);
    out.mw += x[i] * c.molecularWeight;
    sum += x[i];
  }
  out.mw /= sum;
  return true;
}

// Writes a product stream: component flows at their companion positions, the tail and the
// phase layout.
struct Product {
  std::vector<double> flows;  // companion order
  double total = 0;
  double massEnthalpy = 0, vapourFraction = 0, massEntropy = 0, density = 0, mw = 0;
  std::vector<std::int64_t> phases;
};

// A product of one phase: the mass-based words from the phase's values.
void takePhase(Product& pr, const PhaseValues& phase, double vapourFraction, std::int64_t kind) {
  pr.vapourFraction = vapourFraction;
  pr.mw = phase.mw;
  pr.massEnthalpy = phase.enthalpy / phase.mw;
  pr.massEntropy = phase.entropy / phase.mw;
  pr.density = phase.mw / phase.volume;
  pr.phases = {kind};
}

void writeProduct(DmsWord* w, std::int64_t n, const Product& p, double t, double pressure) {
  const double none = missing();
  for (std::int64_t i = 0; i < n; ++i) w[i].real = p.flows[static_cast<std::size_t>(i)];
  DmsWord* tail = w + n - 1;  // tail[k]: word n + k
  const bool empty = !(p.total > 0);
  tail[SHS_TOTAL_FLOW].real = p.total;
  tail[SHS_TEMPERATURE].real = t;
  tail[SHS_PRESSURE].real = pressure;
  tail[SHS_MASS_ENTHALPY].real = empty ? none : p.massEnthalpy;
  tail[SHS_VAPOUR_FRACTION].real = empty ? 0.0 : p.vapourFraction;
  tail[SHS_LIQUID_FRACTION].real = empty ? 0.0 : 1.0 - p.vapourFraction;
  tail[SHS_MASS_ENTROPY].real = empty ? none : p.massEntropy;
  tail[SHS_MASS_DENSITY].real = empty ? none : p.density;
  tail[SHS_MOLECULAR_WEIGHT].real = empty ? none : p.mw;
  DmsWord* phases = tail + SHS_TAIL_WORDS + 1;
  const auto count =
      std::min<std::int64_t>(static_cast<std::int64_t>(p.phases.size()), kMaxStreamPhases);
  phases[0].integer = count;
  for (std::int64_t k = 0; k < kMaxStreamPhases; ++k) {
    phases[k + 1].integer = k < count ? p.phases[static_cast<std::size_t>(k)] : 0;
  }
}

// The phase words of a stream: count, then kinds.
const DmsWord* phaseWords(const BlockDef& b, std::int64_t k) {
  const Streams s = streamsOf(b);
  const DmsWord* w = s.stream(b, k);
  return w ? w + s.components + SHS_TAIL_WORDS : nullptr;
}

// The forced phases of a product stream, or nullptr.
const std::vector<std::int64_t>* forcedPhases(const BlockDef& b, std::int64_t k) {
  const Streams s = streamsOf(b);
  const auto it = state().forced.find({b.bead, k - s.feeds});
  return it == state().forced.end() ? nullptr : &it->second;
}

void setError(const BlockDef& b, std::int64_t word) {
  if (DmsWord* w = dataWord(b, host::kEqlbErrorWordAt)) w->integer = word;
}

// Advances the block's equilibrium reaction, if it has one, to its equilibrium in the
// ideal gas at pressure p: prod (y_i p / 1 bar)^nu_i = K, the mole fractions y of the
// mixture after the reaction.  z holds the mixed feed's component flows and total its
// sum.  False when the reaction cannot be placed: the temperature is not given (the
// enthalpies know no heat of reaction), the coefficients are for another component list,
// or the reaction lacks reactants or products.
bool react(const BlockDef& b, bool temperatureGiven, double p, std::vector<double>& z,
           double& total) {
  const std::int64_t n = integerAt(b, kEqlbReactionAt);
  if (n == 0) return true;
  if (n != static_cast<std::int64_t>(z.size()) || !temperatureGiven) return false;
  const double lnK = std::log(dataWord(b, kEqlbReactionConstantAt)->real);
  std::vector<double> nu(z.size());
  double net = 0, low = -HUGE_VAL, high = HUGE_VAL;  // extents keeping every amount positive
  for (std::size_t i = 0; i < z.size(); ++i) {
    nu[i] = dataWord(b, kEqlbReactionCoefficientsAt + static_cast<std::int64_t>(i))->real;
    net += nu[i];
    if (nu[i] > 0) low = std::max(low, -z[i] / nu[i]);
    if (nu[i] < 0) high = std::min(high, -z[i] / nu[i]);
  }
  if (!std::isfinite(low) || !std::isfinite(high) || !(low < high)) return false;
  // ln of the quotient minus ln K, increasing with the extent: bisection.
  const auto excess = [&](double extent) {
    double q = net * (std::log(p / kBar) - std::log(total + net * extent));
    for (std::size_t i = 0; i < z.size(); ++i) {
      if (nu[i] != 0) q += nu[i] * std::log(z[i] + nu[i] * extent);
    }
    return q - lnK;
  };
  for (int step = 0; step < kBisectionSteps; ++step) {
    const double middle = 0.5 * (low + high);
    (excess(middle) < 0 ? low : high) = middle;
  }
  const double extent = 0.5 * (low + high);
  for (std::size_t i = 0; i < z.size(); ++i) z[i] = std::max(z[i] + nu[i] * extent, 0.0);
  total += net * extent;
  return true;
}

// The feeds mixed: component flows (companion order), total flow, enthalpy flow and
// the temperature of the last feed that flows.
struct MixedFeed {
  std::vector<double> z;
  double total = 0, enthalpy = 0, temperature = 0;
};

// Mixes the feeds of the block; returns the error word (0: mixed).
std::int64_t mixFeeds(const BlockDef& b, const Streams& s, const std::vector<std::string>& names,
                      MixedFeed& feed) {
  const std::int64_t n = s.components;
  feed.z.assign(static_cast<std::size_t>(n), 0.0);
  for (std::int64_t f = 1; f <= s.feeds; ++f) {
    const DmsWord* w = s.stream(b, f);
    std::vector<std::string> present;
    std::vector<double> x;
    double flow = 0;
    for (std::int64_t i = 0; i < n; ++i) {
      const double v = w[i].real;
      if (!std::isfinite(v) || v < 0) return kUnusableFeed;
      if (v > 0) {
        present.push_back(names[static_cast<std::size_t>(i)]);
        x.push_back(v);
        feed.z[static_cast<std::size_t>(i)] += v;
        flow += v;
      }
    }
    if (flow <= 0) continue;
    const double t = w[n - 1 + SHS_TEMPERATURE].real;
    const double p = w[n - 1 + SHS_PRESSURE].real;
    const props::FlashState fs = props::flashTP(present, x, t, p);
    if (fs.returnCode != 0) return kUnusableFeed;
    feed.enthalpy += flow * fs.enthalpy;
    feed.total += flow;
    feed.temperature = t;
  }
  return 0;
}

// The block's equilibrium: the components present, their flash and the values of
// the phases present.
struct Equilibrium {
  std::vector<std::string> present;
  std::vector<std::size_t> position;  // companion position of each component present
  props::FlashState fs;
  PhaseValues vapour, liquid;
  bool hasVapour = false, hasLiquid = false;
};

// Flashes the mixture at T and P (T given) or P and the feed enthalpy; returns the
// error word (0: at equilibrium).
std::int64_t flashMixture(const MixedFeed& feed, const std::vector<std::string>& names, double t,
                          double p, Equilibrium& e) {
  std::vector<double> x;
  for (std::size_t i = 0; i < feed.z.size(); ++i) {
    if (feed.z[i] > 0) {
      e.present.push_back(names[i]);
      x.push_back(feed.z[i] / feed.total);
      e.position.push_back(i);
    }
  }
  e.fs = t < missing()
             ? props::flashTP(e.present, x, t, p)
             : props::flashPH(e.present, x, p, feed.enthalpy / feed.total, feed.temperature);
  if (e.fs.returnCode != 0) return kNotConverged;
  const double beta = e.fs.vapourFraction;
  e.hasVapour = beta > 0;
  e.hasLiquid = beta < 1;
  if ((e.hasVapour &&
       !phaseValues(e.present, e.fs.vapour, e.fs.temperature, p, props::Root::Vapour, e.vapour)) ||
      (e.hasLiquid &&
       !phaseValues(e.present, e.fs.liquid, e.fs.temperature, p, props::Root::Liquid, e.liquid))) {
    return kNotConverged;
  }
  return 0;
}

// The single product: the whole mixture, its phases in order of their amount.
Product mixedProduct(const MixedFeed& feed, const Equilibrium& e) {
  const double beta = e.fs.vapourFraction;
  const auto weighted = [&](double vapourValue, double liquidValue) {
    return (e.hasVapour ? beta * vapourValue : 0) + (e.hasLiquid ? (1 - beta) * liquidValue : 0);
  };
  Product m;
  m.flows = feed.z;
  m.total = feed.total;
  m.vapourFraction = beta;
  m.mw = weighted(e.vapour.mw, e.liquid.mw);
  const double volume = weighted(e.vapour.volume, e.liquid.volume);
  const double entropy = weighted(e.vapour.entropy, e.liquid.entropy);
  m.massEnthalpy = e.fs.enthalpy / m.mw;
  m.massEntropy = entropy / m.mw;
  m.density = m.mw / volume;
  if (e.hasVapour && e.hasLiquid) {
    m.phases = beta >= 0.5 ? std::vector<std::int64_t>{SHS_VAPOUR, SHS_LIQUID}
                           : std::vector<std::int64_t>{SHS_LIQUID, SHS_VAPOUR};
  } else {
    m.phases = {e.hasVapour ? SHS_VAPOUR : SHS_LIQUID};
  }
  return m;
}

// Vapour and liquid products (the first two); the liquid closes the balance of every
// component exactly.
void splitProducts(const MixedFeed& feed, const Equilibrium& e, std::vector<Product>& products) {
  if (e.hasVapour) {
    Product& v = products[0];
    v.total = e.fs.vapourFraction * feed.total;
    for (std::size_t j = 0; j < e.position.size(); ++j) {
      v.flows[e.position[j]] = e.fs.vapour[j] * v.total;
    }
    takePhase(v, e.vapour, 1, SHS_VAPOUR);
  }
  if (e.hasLiquid) {
    Product& l = products[1];
    l.total = 0;
    for (std::size_t i = 0; i < feed.z.size(); ++i) {
      l.flows[i] = std::max(feed.z[i] - products[0].flows[i], 0.0);
      l.total += l.flows[i];
    }
    takePhase(l, e.liquid, 0, SHS_LIQUID);
  }
}

// The run itself; returns the error word.
std::int64_t run(const BlockDef& b, CallRecord& record) {
  const Streams s = streamsOf(b);
  const std::int64_t n = s.components;
  const std::vector<std::string> names = props::companionComponents();
  if (static_cast<std::int64_t>(names.size()) != n || n < 1) return kNoComponents;
  MixedFeed feed;
  if (const std::int64_t error = mixFeeds(b, s, names, feed)) return error;
  const auto parameter = [&](std::int64_t k) {
    const std::int64_t at = EQLB_CURE06[k - 1];
    return at >= 1 && at <= kEqlbParameterWords ? dataWord(b, kEqlbParametersData + at - 1)->real
                                                : std::nan("");
  };
  const double t = parameter(EQLB_TEMPERATURE);
  const double p = parameter(EQLB_PRESSURE);
  record.reals = {t, p, feed.total};
  if (!(feed.total > 0) || !std::isfinite(p) || !(p > 0) || !(t > 0)) return kUnusableFeed;
  if (!react(b, t < missing(), p, feed.z, feed.total)) return kUnusableFeed;

  Equilibrium e;
  if (const std::int64_t error = flashMixture(feed, names, t, p, e)) return error;
  record.reals.push_back(e.fs.temperature);
  record.reals.push_back(e.fs.vapourFraction);
  std::vector<Product> products(static_cast<std::size_t>(s.products));
  for (Product& pr : products) pr.flows.assign(static_cast<std::size_t>(n), 0.0);
  if (s.products == 1) {
    products[0] = mixedProduct(feed, e);
  } else {
    splitProducts(feed, e, products);
  }
  for (std::int64_t k = 1; k <= s.products; ++k) {
    writeProduct(s.stream(b, s.feeds + k), n, products[static_cast<std::size_t>(k - 1)],
                 e.fs.temperature, p);
  }
  return 0;
}

void resetReactor() {
  state() = ReactorState{};
  std::fill(std::begin(DMS_ERRTWO), std::end(DMS_ERRTWO), 0);
  std::fill(std::begin(DMS_GLOBAL), std::end(DMS_GLOBAL), 0);
  std::fill(std::begin(DMS_RPTGLB), std::end(DMS_RPTGLB), 0);
  std::fill(std::begin(EQLB_CURE06), std::end(EQLB_CURE06), 0);
}
const bool kHooked = (refhost::detail::addResetHook(&resetReactor), true);

}  // namespace
}  // namespace xv55::refhost::companion::detail

namespace cd = xv55::refhost::companion::detail;

extern "C" XV55_API void EQLB_IURE06(std::int64_t* status) {
  auto& record = cd::beginRecord(cd::kIure06);
  record.integers.push_back(DMS_GLOBAL[DMS_GLOBAL_BLOCK_BEAD - 1]);
  cd::state().setUpBead = 0;
  if (cd::failureDue(cd::kIure06)) {
    xv55::refhost::detail::report(cd::kIure06, cd::kSeverityError,
                                  "The block cannot be set up (injected failure).");
    if (status) *status = XV55_STATUS_ERROR;
    return;
  }
  const cd::BlockDef* b = cd::runBlock(cd::kIure06);
  if (!b) {
    if (status) *status = XV55_STATUS_ERROR;
    return;
  }
  // The block's real parameters lie in the order of their numbers.
  for (std::int64_t k = 1; k <= EQLB_CURE06_WORDS; ++k) EQLB_CURE06[k - 1] = k;
  cd::state().setUpBead = b->bead;
}

extern "C" XV55_API void ZSTR_CSINIT(std::int64_t* status) {
  auto& record = cd::beginRecord(cd::kCsinit);
  record.integers.push_back(DMS_GLOBAL[DMS_GLOBAL_BLOCK_BEAD - 1]);
  const auto refuse = [&](const std::string& why) {
    xv55::refhost::detail::report(cd::kCsinit, cd::kSeverityError, why);
    if (status) *status = XV55_STATUS_ERROR;
  };
  if (cd::failureDue(cd::kCsinit))
    return refuse("The streams cannot be set up (injected failure).");
  const cd::BlockDef* b = cd::runBlock(cd::kCsinit);
  if (!b) {
    if (status) *status = XV55_STATUS_ERROR;
    return;
  }
  // The streams took the component count of the flowsheet when it was loaded; the run
  // finds out whether they fit the property system's list.
  record.integers.push_back(cd::streamsOf(*b).components);
}

extern "C" XV55_API void EQLB_URE06I(std::int64_t* status) {
  auto& record = cd::beginRecord(cd::kUre06i);
  const std::int64_t bead = DMS_GLOBAL[DMS_GLOBAL_BLOCK_BEAD - 1];
  record.integers.push_back(bead);
  const cd::BlockDef* b = cd::equilibriumBlock(bead);
  if (!b || cd::state().setUpBead != bead) {
    xv55::refhost::detail::report(
        cd::kUre06i, cd::kSeverityError,
        "Bead " + std::to_string(bead) + " was not set up by EQLB_IURE06; nothing run.");
    if (status) *status = XV55_STATUS_ERROR;
    return;
  }
  DmsWord* flags = cd::dataWord(*b, cd::kEqlbFlagsData);
  if (flags && flags[xv55::host::kEqlbReinitialiseFlag - 1].integer != 0) {
    flags[xv55::host::kEqlbReinitialiseFlag - 1].integer = 0;
    ++cd::state().reinitialisations;
  }
  std::int64_t word = 0;
  cd::Injected& pending = cd::state().pending;
  if (cd::failureDue(cd::kUre06i)) {
    word = cd::kRunFailed;
  } else if (pending.times > 0) {
    // An injected state replaces the run: the products stay as they stand.
    --pending.times;
    cd::state().injectedStates[pending.word] = pending.state;
    word = pending.word;
  } else {
    word = cd::run(*b, record);
  }
  cd::setError(*b, word);
  record.integers.push_back(word);
}

extern "C" XV55_API void EQLB_EURE06(const std::int64_t* errorWord, std::int64_t* severity,
                                     char* text, std::int64_t textLength) {
  auto& record = cd::beginRecord(cd::kEure06);
  const std::int64_t word = errorWord ? *errorWord : 0;
  record.integers.push_back(word);
  std::int64_t level = 0;
  std::string message;
  if (word < 0) {
    level = EQLB_FAILURE;
    const auto it = cd::state().injectedStates.find(word);
    if (it != cd::state().injectedStates.end()) {
      level = it->second.severity;
      message = it->second.text;
    } else if (word == cd::kRunFailed) {
      message = "The reactor run failed (injected failure)";
    } else if (word == cd::kUnusableFeed) {
      message = "The feed or the reactor conditions are unusable";
    } else if (word == cd::kNotConverged) {
      message = "No phase equilibrium was found at the reactor conditions";
    } else if (word == cd::kNoComponents) {
      message = "The block's streams do not hold the property system's components";
    } else {
      message = "Unknown error state " + std::to_string(word);
    }
  }
  if (severity) *severity = level;
  if (text && textLength > 0) {
    const auto n = std::min<std::size_t>(message.size(), static_cast<std::size_t>(textLength));
    std::memcpy(text, message.data(), n);
    std::memset(text + n, ' ', static_cast<std::size_t>(textLength) - n);
  }
  record.integers.push_back(level);
  record.texts.push_back(message);
}

extern "C" XV55_API void SHS_LOCATS(const std::int64_t* stream, std::int64_t* base,
                                    std::int64_t* count) {
  auto& record = cd::beginRecord(cd::kLocats);
  const std::int64_t id = stream ? *stream : 0;
  record.integers.push_back(id);
  std::int64_t k = 0;
  const cd::BlockDef* b = cd::failureDue(cd::kLocats) ? nullptr : cd::blockOfStream(id, k);
  std::int64_t location = 0, n = 0;
  if (b) {
    const cd::Streams s = cd::streamsOf(*b);
    location = xv55::refhost::beadBase(b->bead) + cd::blockOffset(*b) + cd::kEqlbStreamAreasAt +
               (k - 1) * s.stride - 1;
    n = s.components;
  } else {
    xv55::refhost::detail::report(cd::kLocats, cd::kSeverityError,
                                  "Stream " + std::to_string(id) +
                                      " is not a stream of an "
                                      "EQLBRX block.");
  }
  if (base) *base = location;
  if (count) *count = n;
  record.integers.push_back(location);
  record.integers.push_back(n);
}

extern "C" XV55_API void SHS_NPHASE(const std::int64_t* stream, std::int64_t* phases) {
  auto& record = cd::beginRecord(cd::kNphase);
  const std::int64_t id = stream ? *stream : 0;
  record.integers.push_back(id);
  std::int64_t k = 0, n = 0;
  if (const cd::BlockDef* b = cd::blockOfStream(id, k)) {
    if (const auto* forced = cd::forcedPhases(*b, k)) {
      n = static_cast<std::int64_t>(forced->size());
    } else if (const DmsWord* w = cd::phaseWords(*b, k)) {
      n = std::clamp<std::int64_t>(w[0].integer, 0, cd::kMaxStreamPhases);
    }
  }
  if (phases) *phases = n;
  record.integers.push_back(n);
}

extern "C" XV55_API void SHS_LPHASE(const std::int64_t* stream, const std::int64_t* phase,
                                    std::int64_t* kind) {
  auto& record = cd::beginRecord(cd::kLphase);
  const std::int64_t id = stream ? *stream : 0;
  const std::int64_t j = phase ? *phase : 0;
  record.integers = {id, j};
  std::int64_t k = 0, result = 0;
  if (const cd::BlockDef* b = cd::blockOfStream(id, k)) {
    if (const auto* forced = cd::forcedPhases(*b, k)) {
      if (j >= 1 && j <= static_cast<std::int64_t>(forced->size())) {
        result = (*forced)[static_cast<std::size_t>(j - 1)];
      }
    } else if (const DmsWord* w = cd::phaseWords(*b, k)) {
      if (j >= 1 && j <= std::clamp<std::int64_t>(w[0].integer, 0, cd::kMaxStreamPhases)) {
        result = w[j].integer;
      }
    }
  }
  if (kind) *kind = result;
  record.integers.push_back(result);
}

namespace xv55::refhost::equilibrium {
namespace {

std::int64_t streamId(std::string_view path, std::string_view block, std::int64_t k, bool product) {
  const cd::BlockDef* b = cd::equilibriumBlock(path, block);
  if (!b) return 0;
  const cd::Streams s = cd::streamsOf(*b);
  if (k < 1 || k > (product ? s.products : s.feeds)) return 0;
  return b->bead * cd::kStreamsPerBead + (product ? s.feeds : 0) + k;
}

}  // namespace

std::int64_t feedStream(std::string_view path, std::string_view block, std::int64_t k) {
  return streamId(path, block, k, false);
}

std::int64_t productStream(std::string_view path, std::string_view block, std::int64_t k) {
  return streamId(path, block, k, true);
}

bool injectReactorError(std::int64_t errorWord, std::int64_t severity, std::string_view text,
                        std::int64_t times) {
  if (errorWord >= 0 || (severity != EQLB_FAILURE && severity != EQLB_WARNING)) return false;
  cd::state().pending = {
      errorWord, {severity, std::string(text)}, std::max<std::int64_t>(times, 0)};
  return true;
}

bool forcePhases(std::string_view path, std::string_view block, std::int64_t product,
                 const std::vector<std::int64_t>& kinds) {
  const cd::BlockDef* b = cd::equilibriumBlock(path, block);
  if (!b || product < 1 || product > cd::streamsOf(*b).products) return false;
  if (kinds.size() > static_cast<std::size_t>(cd::kMaxStreamPhases)) return false;
  for (std::int64_t kind : kinds) {
    if (kind < SHS_VAPOUR || kind > SHS_LIQUID2) return false;
  }
  auto& forced = cd::state().forced;
  if (kinds.empty()) {
    forced.erase({b->bead, product});
  } else {
    forced[{b->bead, product}] = kinds;
  }
  return true;
}

std::int64_t reinitialisations() {
  return cd::state().reinitialisations;
}

}  // namespace xv55::refhost::equilibrium
