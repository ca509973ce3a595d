// The correlation dispatch of the two-phase pipe procedures: conversion to field
// units, the single-phase test, the holdup and pressure-drop keyword tables and
// the section losses.
//
// A correlation is one row of a table and one adapter.  A row names its keyword,
// the procedures that accept it, the optional inputs it reads (mass flow, quality,
// packed bed) and how its result is used; the adapter hands the section's working
// values to the host routine in that routine's argument order.  Names select a row
// by the keyword rule (Text::startsWith); the first row that matches and that the
// procedure accepts wins.  The error flags the host routines return are not
// examined.
#include "pipe/dispatch.hpp"

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "common/finite.hpp"
#include "common/units.hpp"
#include "pipe/pipe_flow.hpp"
#include "print/report.hpp"
#include "xv55/host/pipe_correlations.h"

namespace xv55::pipe {
namespace {

using units::single;

// Floors of the conversion (with kVelocityFloor); they keep the correlations'
// divisions finite.
constexpr double kLiquidFractionFloor = 1e-8;  // no-slip liquid fraction
constexpr double kSurfaceTensionFloor = 1e-5;  // pipe-library unit

// The flow counts as single-phase when |lambda - 0.5| reaches this half-width: a
// single-precision constant kept for compatibility with stored models, so that
// lambda <= 9.9987e-5 or lambda >= 0.99990001 is single-phase (1e-4 is not).
constexpr double kSinglePhaseHalfWidth = single(0.4999f);
constexpr double kSinglePhaseCentre = 0.5;

// Flow-regime number recorded for the "HTFS" holdup step.
constexpr double kHtfsRegime = 12.0;

// Below this no-slip liquid fraction the kinetic-energy ratio of the "Darcy" and
// "Ergun" branches takes the mixture velocity instead of the gas velocity.
constexpr double kGasOnlyLiquidFraction = 1e-6;
// Upper limit of the kinetic-energy ratio (single precision, as stored models).
constexpr double kKineticRatioCap = single(0.9f);

// Which routine of the holdup step the pressure-drop step may reuse.
enum class Reuse : std::uint8_t { None, Slack, Orkiszewski, LockhartMartinelli, HagedornBrown };

// Optional inputs a correlation reads (the stream inputs count always).
enum Reads : std::uint8_t {
  kStreamOnly = 0,
  kMassFlow = 1U << 0U,
  kQuality = 1U << 1U,
  kPackedBed = 1U << 2U,
};

// What one host routine (or a correlation computed here) gives.  In the
// pressure-drop step `holdup` comes in as the holdup step's H_L.
struct RoutineResult {
  double holdup = 0.0;
  double friction = 0.0;      // friction factor or gradient, as the row's form says
  double acceleration = 0.0;  // lbf/ft2 per ft
  double regime = 0.0;
};
using Adapter = void (*)(const Section&, RoutineResult&);

struct HoldupRow {
  std::string_view keyword;
  Procedures accepted;
  std::uint8_t reads;
  Reuse records;  // the pressure-drop step may reuse this call's gradients
  Adapter compute;
};

// What the routine's friction result is.
enum class Form : std::uint8_t {
  DarcyFactor,              // f: gradient f rho_ns v_m^2 / (2 g_c D) / 144 psi/ft
  PoundsPerSquareFootFoot,  // lbf/ft2 per ft: / 144 psi/ft
  PsiPerFoot,
  PascalsPerMetre,
};

// How the acceleration term is formed.
enum class Term : std::uint8_t {
  None,
  KineticByLiquidFraction,  // v_a = v_sG, or v_m when lambda <= 1e-6
  KineticByHoldupName,      // v_a = v_sG when the holdup name is "Beggs-Brill", else v_m
  FromRoutine,
};

struct PressureDropRow {
  std::string_view keyword;
  Procedures accepted;
  std::uint8_t reads;
  bool singlePhase;   // also taken for single-phase flow, whatever the name
  bool noSlipHoldup;  // the procedures report lambda as the holdup in this branch
  Reuse reuses;       // takes the holdup step's gradients when that routine ran
  Form form;
  Term acceleration;
  Adapter compute;
};

// ---- adapters: the section's working values in each routine's argument order ----

const double* const kPi = &units::kPiSingleDigits;

void beggsBrillHoldup(const Section& s, RoutineResult& r) {
  std::int64_t error = 0;
  PIP_PIPBBH(&s.lambda, &s.d, &s.rhoNs, &s.rhoL, &s.vm, &s.sigma, &s.theta, &r.holdup, &r.regime,
             &error);
}

void htfsHoldup(const Section& s, RoutineResult& r) {
  std::int64_t error = 0;
  double slip = 0.0;
  PIP_PIPHTH(&s.massFlow, &s.d, kPi, &s.lambda, &s.rhoL, &s.rhoG, &s.muL, &s.muG, &s.theta, &slip,
             &r.holdup, &error);
  r.regime = kHtfsRegime;
}

void flanigan(const Section& s, RoutineResult& r) {
  PIP_PIPFLN(&s.vsG, &r.holdup);
}

void eaton(const Section& s, RoutineResult& r) {
  PIP_PIPEAT(&s.p, &s.lambda, &s.vm, &s.rhoL, &s.sigma, &s.muL, &s.d, &r.holdup);
}

void hoogendorn(const Section& s, RoutineResult& r) {
  std::int64_t error = 0;
  PIP_PIPHOO(&s.lambda, &s.vm, &r.holdup, &error);
}

void hughmark(const Section& s, RoutineResult& r) {
  std::int64_t error = 0;
  PIP_PIPHMR(&s.lambda, &s.rhoNs, &s.vm, &s.d, &s.muG, &s.muL, &r.holdup, &error);
}

void slack(const Section& s, RoutineResult& r) {
  std::int64_t error = 0;
  PIP_PIPSLK(&s.lambda, &s.rhoL, &s.rhoG, &s.muL, &s.muG, &s.vm, &s.d, &s.roughness, &s.theta,
             &r.holdup, &r.friction, &error);
}

void orkiszewski(const Section& s, RoutineResult& r) {
  std::int64_t error = 0;
  double elevation = 0.0;
  double total = 0.0;
  PIP_PIPORK(&s.p, &s.vm, &s.lambda, &s.rhoL, &s.rhoG, &s.muL, &s.muG, &s.sigma, &s.d, &s.roughness,
             &s.theta, &elevation, &r.friction, &total, &r.acceleration, &r.holdup, &r.regime,
             &error);
}

void lockhartMartinelli(const Section& s, RoutineResult& r) {
  PIP_PIPLMR(&s.d, &s.vsL, &s.vsG, &s.rhoG, &s.rhoL, &s.muG, &s.muL, &r.friction, &r.holdup);
}

void hagedornBrown(const Section& s, RoutineResult& r) {
  std::int64_t error = 0;
  PIP_PIPHBR(&s.theta, &s.d, &s.roughness, &s.p, &s.vsG, &s.vsL, &s.lambda, &s.rhoG, &s.rhoL,
             &s.muG, &s.muL, &s.sigma, &r.holdup, &r.friction, &r.acceleration, &r.regime, &error);
}

void rouhani(const Section& s, RoutineResult& r) {
  r.holdup = rouhaniHoldup(s);
}

void ergun(const Section& s, RoutineResult& r) {
  const double viscosity = s.muNsCentipoise * units::kPascalSecondsPerCentipoise;  // Pa s
  PIP_ERGUN(&s.stream->bed.voidFraction, &s.rhoNsSi, &viscosity, &s.stream->bed.particleDiameter,
            &s.stream->bed.sphericity, &s.stream->velocity, &r.friction);
}

void darcy(const Section& s, RoutineResult& r) {
  const double reynolds = s.rhoNs * s.vm * s.d / s.muNs;
  r.friction = PIPCBR(reynolds, s.roughness);
}

void beggsBrillFriction(const Section& s, RoutineResult& r) {
  std::int64_t error = 0;
  PIP_PIPBBF(&s.lambda, &s.vm, &s.muNs, &s.rhoNs, &s.d, &s.roughness, &r.friction, &r.holdup,
             &error);
}

void htfsFriction(const Section& s, RoutineResult& r) {
  std::int64_t error = 0;
  PIP_PIPHTF(&s.massFlow, &s.d, kPi, &s.lambda, &s.rhoL, &s.rhoG, &s.muL, &s.muG, &s.roughness,
             &s.gc, &s.vsL, &s.vsG, &r.friction, &error);
}

// Hughmark's holdup goes only to the Dukler routine; the reported holdup stays the
// holdup step's.
void dukler(const Section& s, RoutineResult& r) {
  std::int64_t error = 0;
  double holdup = 0.0;
  PIP_PIPHMR(&s.lambda, &s.rhoNs, &s.vm, &s.d, &s.muG, &s.muL, &holdup, &error);
  PIP_PIPDUL(&s.lambda, &s.rhoG, &s.rhoL, &s.vm, &s.muNs, &s.d, &holdup, &r.friction, &error);
}

void angelWelchonRos(const Section& s, RoutineResult& r) {
  std::int64_t error = 0;
  PIP_PIPAWR(&s.d, &s.rhoNs, &s.vm, &r.friction, &error);
}

void friedel(const Section& s, RoutineResult& r) {
  r.friction = friedelGradient(s);
}

// ---- the keyword tables ----

using P = Procedure;
constexpr Procedures kAll{P::IntegratedSection, P::PackedSection, P::Gradient,
                          P::Momentum,          P::Coefficient,   P::HoldupOnly};
constexpr std::string_view kBeggsBrill = "Beggs-Brill";

constexpr HoldupRow kHoldupRows[] = {
    {kBeggsBrill, kAll, kStreamOnly, Reuse::None, &beggsBrillHoldup},
    {"HTFS", {P::Gradient, P::Coefficient, P::HoldupOnly}, kMassFlow, Reuse::None, &htfsHoldup},
    {"Flanigan", kAll, kStreamOnly, Reuse::None, &flanigan},
    {"Eaton", kAll, kStreamOnly, Reuse::None, &eaton},
    {"Hoogendorn", kAll, kStreamOnly, Reuse::None, &hoogendorn},
    {"Hughmark", kAll, kStreamOnly, Reuse::None, &hughmark},
    {"Slack", kAll, kStreamOnly, Reuse::Slack, &slack},
    {"Orkiszewski", kAll, kStreamOnly, Reuse::Orkiszewski, &orkiszewski},
    {"Lockhart-Martinelli", kAll, kStreamOnly, Reuse::LockhartMartinelli, &lockhartMartinelli},
    {"Hagedorn-Brown", kAll, kStreamOnly, Reuse::HagedornBrown, &hagedornBrown},
    {"Rouhani",
     {P::Gradient, P::Momentum, P::Coefficient, P::HoldupOnly},
     kMassFlow | kQuality,
     Reuse::None,
     &rouhani},
};

constexpr PressureDropRow kPressureDropRows[] = {
    {"Ergun",
     {P::PackedSection, P::Gradient, P::Coefficient},
     kPackedBed,
     false,
     false,
     Reuse::None,
     Form::PascalsPerMetre,
     Term::KineticByLiquidFraction,
     &ergun},
    {"Darcy", kAll, kStreamOnly, true, true, Reuse::None, Form::DarcyFactor,
     Term::KineticByLiquidFraction, &darcy},
    {kBeggsBrill, kAll, kStreamOnly, false, false, Reuse::None, Form::DarcyFactor,
     Term::KineticByHoldupName, &beggsBrillFriction},
    {"HTFS",
     {P::Gradient, P::Coefficient},
     kMassFlow,
     false,
     false,
     Reuse::None,
     Form::PascalsPerMetre,
     Term::None,
     &htfsFriction},
    {"Dukler", kAll, kStreamOnly, false, false, Reuse::None, Form::PoundsPerSquareFootFoot,
     Term::None, &dukler},
    {"Slack", kAll, kStreamOnly, false, false, Reuse::Slack, Form::PoundsPerSquareFootFoot,
     Term::None, &slack},
    {"Orkiszewski", kAll, kStreamOnly, false, false, Reuse::Orkiszewski,
     Form::PoundsPerSquareFootFoot, Term::FromRoutine, &orkiszewski},
    {"Angel-Welchon-Ros", kAll, kStreamOnly, false, false, Reuse::None, Form::PsiPerFoot,
     Term::None, &angelWelchonRos},
    {"Lockhart-Martinelli", kAll, kStreamOnly, false, false, Reuse::LockhartMartinelli,
     Form::PsiPerFoot, Term::None, &lockhartMartinelli},
    {"Hagedorn-Brown", kAll, kStreamOnly, false, false, Reuse::HagedornBrown,
     Form::PoundsPerSquareFootFoot, Term::FromRoutine, &hagedornBrown},
    {"Friedel",
     {P::Gradient, P::Momentum, P::Coefficient},
     kMassFlow | kQuality,
     false,
     false,
     Reuse::None,
     Form::PsiPerFoot,
     Term::None,
     &friedel},
};

// ---- names that select nothing ----

// The keywords a procedure accepts from one table, joined by ", " at compile
// time, for the message about a name that selects none of them.
inline constexpr std::size_t kKeywordListLength = 192;
struct KeywordList {
  char chars[kKeywordListLength] = {};
};
constexpr std::size_t kProcedureCount = 6;

template <class Row, std::size_t N>
constexpr KeywordList keywordsOf(const Row (&rows)[N], Procedure procedure) {
  KeywordList out;
  std::size_t at = 0;
  for (const Row& row : rows) {
    if (!row.accepted.contain(procedure)) continue;
    if (at > 0) {
      out.chars[at++] = ',';
      out.chars[at++] = ' ';
    }
    for (char c : row.keyword) out.chars[at++] = c;
  }
  return out;  // a list too long for the buffer does not compile
}

// Index of a procedure among kProcedureCount: the position of its bit.
constexpr std::size_t indexOf(Procedure procedure) {
  return static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(procedure)));
}

template <class Row, std::size_t N>
constexpr auto keywordListsOf(const Row (&rows)[N]) {
  struct Lists {
    KeywordList of[kProcedureCount];
  } lists;
  for (std::size_t k = 0; k < kProcedureCount; ++k) {
    lists.of[k] = keywordsOf(rows, static_cast<Procedure>(1U << k));
  }
  return lists;
}

constexpr auto kHoldupKeywords = keywordListsOf(kHoldupRows);
constexpr auto kPressureDropKeywords = keywordListsOf(kPressureDropRows);

// Call sites and names already warned about: a fixed open-addressed table of
// 64-bit keys (0: free).  A key probes kProbeLength slots from its home slot; when
// all are taken by other keys it replaces the one at home, so the table never
// grows, and a site whose key was replaced is warned about once more.
constexpr std::size_t kRememberedNames = 512;  // a power of two
constexpr std::size_t kProbeLength = 8;
std::uint64_t g_warned[kRememberedNames] = {};

enum class Step : std::uint8_t { Holdup, PressureDrop };

// FNV-1a over the name cell's address, the procedure, the step and the name
// without trailing blanks.
std::uint64_t keyOf(Text name, Procedure procedure, Step step) {
  constexpr std::uint64_t kOffset = 14695981039346656037ULL;
  constexpr std::uint64_t kPrime = 1099511628211ULL;
  std::uint64_t key = kOffset;
  const auto mix = [&key](unsigned char byte) { key = (key ^ byte) * kPrime; };
  const auto site = reinterpret_cast<std::uintptr_t>(name.chars().data());
  for (std::size_t k = 0; k < sizeof site; ++k) mix(static_cast<unsigned char>(site >> (8 * k)));
  mix(static_cast<unsigned char>(procedure));
  mix(static_cast<unsigned char>(step));
  std::string_view chars = name.chars();
  while (!chars.empty() && chars.back() == ' ') chars.remove_suffix(1);
  for (char c : chars) mix(static_cast<unsigned char>(c));
  return key == 0 ? 1 : key;
}

// Whether this key is new; remembers it.
bool firstWarning(std::uint64_t key) {
  const std::size_t home = key & (kRememberedNames - 1);
  for (std::size_t k = 0; k < kProbeLength; ++k) {
    std::uint64_t& slot = g_warned[(home + k) & (kRememberedNames - 1)];
    if (slot == key) return false;
    if (slot == 0) {
      slot = key;
      return true;
    }
  }
  g_warned[home] = key;
  return true;
}

// A name that selects nothing, warned about once per call site, procedure, step and
// name (`key`, keyOf): the message names the procedure, the name and the keywords it
// accepts.  The message is put together only when it is printed.
void warnUnknownHoldup(const Profile& profile, Text name, std::uint64_t key, Status status) {
  if (!firstWarning(key)) return;
  report(status, kWarning,
         " %s-W-Holdup correlation \"%s\" selects nothing: the no-slip holdup is used.\\n"
         " Accepted: %s\\n",
         profile.name, name.padded<units::kTextLength>(),
         kHoldupKeywords.of[indexOf(profile.procedure)].chars);
}

void warnUnknownPressureDrop(const Profile& profile, Text name, std::uint64_t key, Status status) {
  if (!firstWarning(key)) return;
  report(status, kWarning,
         " %s-W-Pressure-drop correlation \"%s\" selects nothing: no frictional or "
         "acceleration loss is computed.\\n Accepted: %s\\n",
         profile.name, name.padded<units::kTextLength>(),
         kPressureDropKeywords.of[indexOf(profile.procedure)].chars);
}

// The first row of a table that the procedure accepts and whose keyword the name
// starts with.
template <class Row, std::size_t N>
const Row* rowNamed(const Row (&rows)[N], Procedure procedure, Text name) {
  for (const Row& row : rows) {
    if (row.accepted.contain(procedure) && name.startsWith(row.keyword)) return &row;
  }
  return nullptr;
}

// ---- names resolved once per call site ----

// What a name selects from one table, and for a name that selects nothing its
// warning key (keyOf).
template <class Row>
struct Selection {
  const Row* row = nullptr;
  std::uint64_t unknownKey = 0;
};

// The selections of recent call sites of one table, direct-mapped by the address of
// the name cell.  An entry holds the site, the procedure, the declared length and
// the name's characters up to its NUL or declared length; a call whose name differs
// in any of them selects afresh and takes the entry over.  Names longer than an
// entry holds, and missing names, are selected on every call.
constexpr std::size_t kRememberedSites = 64;  // a power of two
constexpr std::size_t kKeptNameLength = 40;

template <class Row>
struct SiteEntry {
  const char* site = nullptr;  // nullptr: free
  std::int64_t declaredLength = 0;
  Procedure procedure{};
  std::uint8_t length = 0;
  char chars[kKeptNameLength] = {};
  Selection<Row> selection;
};

// Whether the field at `start` holds exactly the entry's characters, read no further
// than its NUL or declared length: the kept characters hold no NUL, so a shorter
// name stops the loop at its NUL.
template <class Row>
bool sameName(const SiteEntry<Row>& entry, const char* start) {
  for (std::size_t k = 0; k < entry.length; ++k) {
    if (start[k] != entry.chars[k]) return false;
  }
  return entry.length == entry.declaredLength || start[entry.length] == '\0';
}

template <class Row, std::size_t N>
Selection<Row> selectAtSite(SiteEntry<Row> (&sites)[kRememberedSites], const Row (&rows)[N],
                            Procedure procedure, Step step, Text name) {
  const char* start = name.chars().data();
  const auto address = reinterpret_cast<std::uintptr_t>(start);
  SiteEntry<Row>& entry =
      sites[((address >> 3U) ^ static_cast<std::uintptr_t>(procedure)) & (kRememberedSites - 1)];
  if (entry.site == start && start && entry.procedure == procedure &&
      entry.declaredLength == name.declaredLength() && sameName(entry, start)) {
    return entry.selection;
  }
  Selection<Row> selection;
  selection.row = rowNamed(rows, procedure, name);
  if (!selection.row) selection.unknownKey = keyOf(name, procedure, step);
  const std::string_view chars = name.chars();
  if (start && chars.size() <= kKeptNameLength) {
    entry.site = start;
    entry.declaredLength = name.declaredLength();
    entry.procedure = procedure;
    entry.length = static_cast<std::uint8_t>(chars.size());
    std::memcpy(entry.chars, chars.data(), chars.size());
    entry.selection = selection;
  }
  return selection;
}

SiteEntry<HoldupRow> g_holdupSites[kRememberedSites];
SiteEntry<PressureDropRow> g_pressureDropSites[kRememberedSites];

Selection<HoldupRow> selectHoldup(Procedure procedure, Text name) {
  return selectAtSite(g_holdupSites, kHoldupRows, procedure, Step::Holdup, name);
}

// In single-phase flow a row that is also taken for single-phase flow wins over the
// row named further down the table.
const PressureDropRow* selectPressureDrop(Procedure procedure, const PressureDropRow* named,
                                          bool singlePhase) {
  if (!singlePhase) return named;
  for (const PressureDropRow& row : kPressureDropRows) {
    if (&row == named) return named;
    if (row.singlePhase && row.accepted.contain(procedure)) return &row;
  }
  return nullptr;
}

// ---- conversion ----

bool streamFinite(const Stream& s) {
  return allFinite({s.diameter, s.angle, s.roughness, s.velocity, s.pressure, s.liquidFraction,
                    s.liquidDensity, s.gasDensity, s.surfaceTension, s.liquidViscosity,
                    s.gasViscosity});
}

bool optionalInputsFinite(const Stream& s, unsigned reads) {
  return ((reads & kMassFlow) == 0 || std::isfinite(s.massFlow)) &&
         ((reads & kQuality) == 0 || std::isfinite(s.quality)) &&
         ((reads & kPackedBed) == 0 ||
          allFinite({s.bed.voidFraction, s.bed.sphericity, s.bed.particleDiameter}));
}

void convert(const Profile& profile, const Stream& in, Section& s) {
  s.stream = &in;
  s.d = in.diameter / units::kMetresPerFoot;
  s.vm = atLeast(std::fabs(in.velocity), kVelocityFloor) / units::kMetresPerFoot;
  s.p = in.pressure * units::kPascalsPerBar / units::kPascalsPerPsi;
  s.lambda = atLeast(in.liquidFraction, kLiquidFractionFloor);
  s.rhoL = in.liquidDensity * units::kPoundsPerCubicFootPerKgPerCubicMetre;
  s.rhoG = in.gasDensity * units::kPoundsPerCubicFootPerKgPerCubicMetre;
  s.sigma =
      atLeast(in.surfaceTension * units::kPipeSurfaceTensionPerModelUnit, kSurfaceTensionFloor);
  s.muL = in.liquidViscosity / profile.centipoisePerFieldUnit;
  s.muG = in.gasViscosity / profile.centipoisePerFieldUnit;
  s.theta = profile.foldsInclination ? std::asin(std::sin(in.angle)) : in.angle;
  s.roughness = in.roughness;
  s.vsL = s.lambda * s.vm;
  s.vsG = (1.0 - s.lambda) * s.vm;
  s.rhoNs = s.lambda * s.rhoL + (1.0 - s.lambda) * s.rhoG;
  s.muNs = s.lambda * s.muL + (1.0 - s.lambda) * s.muG;
  s.gc = PIP_PCONST[0];
  s.massFlow = in.massFlow * units::kPoundsPerSecondPerKgPerHour;
  s.rhoNsSi = s.lambda * in.liquidDensity + (1.0 - s.lambda) * in.gasDensity;
  s.muNsCentipoise = s.lambda * in.liquidViscosity + (1.0 - s.lambda) * in.gasViscosity;
}

// The friction term of the pressure-drop routine's result, in the form its row names.
void frictionOf(const PressureDropRow& row, const Section& s, const RoutineResult& drop,
                Evaluation& e) {
  switch (row.form) {
    case Form::DarcyFactor:
      e.friction = drop.friction * s.rhoNs * s.vm * s.vm / (2.0 * s.gc * s.d) /
                   units::kSquareInchesPerSquareFoot;
      break;
    case Form::PoundsPerSquareFootFoot:
      e.friction = drop.friction / units::kSquareInchesPerSquareFoot;
      break;
    case Form::PsiPerFoot:
      e.friction = drop.friction;
      break;
    case Form::PascalsPerMetre:
      e.friction = drop.friction;
      e.frictionPascalsPerMetre = true;
      break;
  }
}

// How the acceleration term is formed: from the kinetic-energy ratio with the velocity
// the row names, or as the routine's own gradient.
void accelerationOf(const PressureDropRow& row, const HoldupRow* holdupRow, const Section& s,
                    const RoutineResult& drop, Evaluation& e) {
  switch (row.acceleration) {
    case Term::None:
      break;
    case Term::KineticByLiquidFraction:
      e.acceleration = Acceleration::Kinetic;
      e.kineticVelocity = s.lambda <= kGasOnlyLiquidFraction ? s.vm : s.vsG;
      break;
    case Term::KineticByHoldupName:
      e.acceleration = Acceleration::Kinetic;
      e.kineticVelocity = holdupRow && holdupRow->keyword == kBeggsBrill ? s.vsG : s.vm;
      break;
    case Term::FromRoutine:
      e.acceleration = Acceleration::FromRoutine;
      e.accelerationGradient = drop.acceleration;
      break;
  }
}

}  // namespace

void forgetUnknownNames() {
  std::memset(g_warned, 0, sizeof g_warned);
}

Evaluation evaluate(const Profile& profile, const Stream& stream, Text holdupName,
                    const Text* pressureDropName, std::initializer_list<double> procedureInputs,
                    Status status) {
  PIP_PIPBL1();
  PIP_PIPBL2();
  PIP_PIPFFC();

  Evaluation e;
  if (!streamFinite(stream) || !allFinite(procedureInputs)) return e;
  const Section& s = e.section;
  convert(profile, stream, e.section);

  const bool singlePhase = std::fabs(s.lambda - kSinglePhaseCentre) >= kSinglePhaseHalfWidth;
  const Selection<HoldupRow> holdupSelection =
      singlePhase ? Selection<HoldupRow>{} : selectHoldup(profile.procedure, holdupName);
  const HoldupRow* holdupRow = holdupSelection.row;
  Selection<PressureDropRow> dropSelection;
  if (pressureDropName) {
    dropSelection = selectAtSite(g_pressureDropSites, kPressureDropRows, profile.procedure,
                                 Step::PressureDrop, *pressureDropName);
  }
  const PressureDropRow* dropRow =
      selectPressureDrop(profile.procedure, dropSelection.row, singlePhase);
  const unsigned reads = (holdupRow ? holdupRow->reads : 0U) | (dropRow ? dropRow->reads : 0U);
  if (!optionalInputsFinite(stream, reads)) return e;
  e.valid = true;
  if (!singlePhase && !holdupRow) {
    warnUnknownHoldup(profile, holdupName, holdupSelection.unknownKey, status);
  }
  if (pressureDropName && !dropRow) {
    warnUnknownPressureDrop(profile, *pressureDropName, dropSelection.unknownKey, status);
  }

  // Holdup step.
  RoutineResult held;
  held.holdup = s.lambda;
  e.slipDensity = s.rhoNs;
  if (holdupRow) {
    holdupRow->compute(s, held);
    e.slipDensity = s.rhoL * held.holdup + (1.0 - held.holdup) * s.rhoG;
  }
  e.holdup = held.holdup;
  e.reportedHoldup = held.holdup;
  e.holdupCorrelated = holdupRow != nullptr;
  if (!dropRow) return e;  // unknown name: no friction, no acceleration
  e.pressureDropKeyword = dropRow->keyword;

  // Pressure-drop step.
  RoutineResult drop;
  drop.holdup = held.holdup;
  if (dropRow->reuses != Reuse::None && holdupRow && holdupRow->records == dropRow->reuses) {
    drop = held;
  } else {
    dropRow->compute(s, drop);
  }
  if (dropRow->noSlipHoldup) e.reportedHoldup = s.lambda;

  frictionOf(*dropRow, s, drop, e);
  accelerationOf(*dropRow, holdupRow, s, drop, e);
  return e;
}

SectionLosses sectionLosses(const Evaluation& e, double lengthMetres) {
  const Section& s = e.section;
  const double length = lengthMetres / units::kMetresPerFoot;  // ft
  SectionLosses out;
  out.friction = e.frictionPascalsPerMetre ? e.friction * lengthMetres / units::kPascalsPerPsi
                                           : e.friction * length;
  switch (e.acceleration) {
    case Acceleration::None:
      break;
    case Acceleration::Kinetic: {
      const double elevation =
          length * e.slipDensity * std::sin(s.theta) / units::kSquareInchesPerSquareFoot;
      const double uncapped = e.kineticVelocity * e.slipDensity * s.vm /
                              (s.gc * s.p * units::kSquareInchesPerSquareFoot);
      const double ratio = atMost(uncapped, kKineticRatioCap);
      out.acceleration = (elevation + out.friction) * ratio / (1.0 - ratio);
      out.kineticRatio = ratio;
      out.kineticRatioCapped = uncapped > kKineticRatioCap;
      break;
    }
    case Acceleration::FromRoutine:
      out.acceleration = e.accelerationGradient * length / units::kSquareInchesPerSquareFoot;
      break;
  }
  return out;
}

}  // namespace xv55::pipe
