// The property system's shared state and its control interface.
#include "state.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <vector>

#include "services.hpp"
#include "xv55/host/data_management.h"
#include "xv55/host/flash_monitors.h"

namespace xv55::refhost::properties::detail {
namespace {

constexpr std::size_t kVolumeQueue = 64;

struct Context {
  std::vector<std::string> names;  // the model's own set, empty: the whole companion list
  std::vector<int> positions;      // their companion positions (0: not in the list)
  bool own = false;                // the model has its own set
  std::int64_t base = 0, words = 0;
  StreamArea area;
};

struct State {
  std::vector<int> companion;  // table ids
  std::map<std::int64_t, Context> contexts;
  std::map<int, std::int64_t> failStatus;  // service -> status of an injected failure
  Derivative vapourMode = Derivative::Fill, liquidMode = Derivative::Fill;
  std::array<double, kVolumeQueue> volumes{};
  std::size_t volumeHead = 0, volumeCount = 0;
  std::string context;
};

State& state() {
  static State s;
  return s;
}

void releaseArea(Context& c) {
  refhost::detail::releaseHostWords(c.base, c.words);
  c.base = c.words = 0;
  c.area = StreamArea{};
}

void releaseAreas() {
  for (auto& [key, c] : state().contexts) releaseArea(c);
}

void resetProperties() {
  State& s = state();
  // The store has been emptied by the core reset: forget the areas without giving back.
  s = State{};
  PPBASE_ESDPDV[0] = 0.0;
  std::fill(PPBASE_PHASE, PPBASE_PHASE + kPhaseWords, 0.0);
}

const bool kHooked = (refhost::detail::addResetHook(&resetProperties), services(), true);

std::vector<int> positionsOf(const std::vector<std::string>& names, bool& ok) {
  std::vector<int> positions;
  ok = true;
  const auto& companion = state().companion;
  for (const auto& name : names) {
    const int id = findComponent(name);
    const auto it = std::find(companion.begin(), companion.end(), id);
    const int position = it == companion.end() ? 0 : static_cast<int>(it - companion.begin()) + 1;
    if (id < 0 || position == 0 ||
        std::find(positions.begin(), positions.end(), position) != positions.end()) {
      ok = false;
    }
    positions.push_back(position);
  }
  return positions;
}

bool resolveNames(const std::vector<std::string>& names, Set& set) {
  if (names.empty() || names.size() > static_cast<std::size_t>(kMaxComponents)) return false;
  set.n = 0;
  for (const auto& name : names) {
    const int id = findComponent(name);
    if (id < 0) return false;
    set.c[set.n++] = &component(id);
  }
  return true;
}

bool normalised(const std::vector<double>& z, int n, double* x) {
  if (z.size() != static_cast<std::size_t>(n)) return false;
  double sum = 0;
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(z[i]) || z[i] < 0) return false;
    sum += z[i];
  }
  if (!(sum > 0)) return false;
  for (int i = 0; i < n; ++i) x[i] = z[i] / sum;
  return true;
}

bool validState(double t, double p) {
  return t >= kMinTemperature && t <= kMaxTemperature && p > 0 && p <= kMaxPressure;
}

FlashState flashState(std::int64_t code, const FlashResult& r, int n) {
  FlashState out;
  out.returnCode = code;
  if (code != kFlashOk) return out;
  out.temperature = r.t;
  out.pressure = r.p;
  out.vapourFraction = r.beta;
  out.enthalpy = r.h;
  out.liquid.assign(r.x, r.x + n);
  out.vapour.assign(r.y, r.y + n);
  out.iterations = r.iterations;
  return out;
}

}  // namespace

int companionSize() {
  return static_cast<int>(state().companion.size());
}

int companionComponent(int position) {
  return state().companion[static_cast<std::size_t>(position - 1)];
}

int modelPosition(std::int64_t hostContext, int i, int& count) {
  const State& s = state();
  const auto it = s.contexts.find(hostContext);
  if (it == s.contexts.end() || !it->second.own) {
    count = companionSize();
    return i >= 1 && i <= count ? i : 0;
  }
  const auto& positions = it->second.positions;
  count = static_cast<int>(positions.size());
  return i >= 1 && i <= count ? positions[static_cast<std::size_t>(i - 1)] : 0;
}

bool streamArea(std::int64_t hostContext, StreamArea& area, std::string& why) {
  State& s = state();
  const std::int64_t ncomp = companionSize();
  if (ncomp == 0) {
    why = "No companion component list is set.";
    return false;
  }
  if (DMS_NCOMP[0] != ncomp) {
    why = "DMS_NCOMP holds " + std::to_string(DMS_NCOMP[0]) + " but the companion list has " +
          std::to_string(ncomp) + " components.";
    return false;
  }
  Context& c = s.contexts[hostContext];
  for (std::size_t i = 0; i < c.positions.size(); ++i) {
    if (c.own && c.positions[i] == 0) {
      why = "Model component " + c.names[i] + " is not in the companion component list.";
      return false;
    }
  }
  const std::int64_t nc = c.own ? static_cast<std::int64_t>(c.positions.size()) : ncomp;
  const std::int64_t width = std::max(nc, ncomp);
  const std::int64_t words = nc + kMappingHeader + nc + kDescriptorWords + kOptionWords +
                             kCountWords + kWorkVectors * width;
  if (c.base == 0) {
    c.base = refhost::detail::reserveHostWords(words);
    if (c.base == 0) {
      why = "The store cannot hold the " + std::to_string(words) + " words of the stream area.";
      return false;
    }
    c.words = words;
    std::int64_t* loc = c.area.locations;
    loc[0] = c.base;
    loc[1] = loc[0] + nc;
    loc[2] = loc[1] + kMappingHeader + nc;
    loc[3] = loc[2] + kDescriptorWords;
    loc[4] = loc[3] + kOptionWords;
    loc[5] = loc[4] + kCountWords;
  }
  // The host's words are rewritten on every call; the work vectors are the caller's.
  const std::int64_t* loc = c.area.locations;
  for (std::int64_t i = 1; i <= nc; ++i) {
    const std::int64_t position = c.own ? c.positions[static_cast<std::size_t>(i - 1)] : i;
    host::plex(loc[0] + i).integer = position;
    host::plex(loc[1] + kMappingHeader + i).integer = position;
  }
  host::plex(loc[1] + 1).integer = kMappingTag;
  host::plex(loc[1] + 2).integer = nc;
  host::plex(loc[1] + 3).integer = ncomp;
  host::plex(loc[2] + 1).integer = kConventionalStream;
  host::plex(loc[2] + 2).integer = kToleranceExponent;
  const std::int64_t options[kOptionWords] = {kPengRobinson, 0, 0, 0, kPengRobinson, 0};
  for (std::int64_t i = 0; i < kOptionWords; ++i) host::plex(loc[3] + 1 + i).integer = options[i];
  host::plex(loc[4] + 1).integer = nc;
  host::plex(loc[4] + 2).integer = ncomp;
  host::plex(loc[4] + 3).integer = width;
  host::plex(loc[4] + 4).integer = kWorkVectors;
  area = c.area;
  return true;
}

bool failed(Service service, std::int64_t& status) {
  if (!refhost::detail::failureDue(service)) return false;
  const auto& map = state().failStatus;
  const auto it = map.find(static_cast<int>(service));
  status = it == map.end() ? 4 : it->second;
  return true;
}

bool injectedFailure(Service service, std::string_view text, std::int64_t* status) {
  std::int64_t code = 0;
  if (!failed(service, code)) return false;
  fail(service, 4, text);
  if (status) *status = code;
  return true;
}

Derivative derivativeMode(Service monitor) {
  return monitor == services().vmthrm ? state().vapourMode : state().liquidMode;
}

bool nextQueuedVolume(double& volume) {
  State& s = state();
  if (s.volumeCount == 0) return false;
  volume = s.volumes[s.volumeHead];
  s.volumeHead = (s.volumeHead + 1) % kVolumeQueue;
  --s.volumeCount;
  return true;
}

const std::string& currentContext() {
  return state().context;
}

void setCurrentContext(std::string_view text) {
  state().context.assign(text);
}

void fail(Service service, std::int64_t severity, std::string_view text) {
  // Statuses 3 and 4 are both errors of the call.
  if (severity >= 3) severity = refhost::detail::kSeverityError;
  const std::string& context = state().context;
  if (context.empty()) {
    refhost::detail::report(service, static_cast<std::int32_t>(severity), text);
    return;
  }
  std::string line(text);
  line += " (in ";
  line += context;
  line += ")";
  refhost::detail::report(service, static_cast<std::int32_t>(severity), line);
}

std::string number(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6g", value);
  return buffer;
}

std::int64_t resolve(Service service, const std::int64_t* count, const std::int64_t* indices,
                     const double* fractions, Set& set, double* x) {
  if (!count || !indices || !fractions) {
    fail(service, 4, "A count, index list or composition is missing.");
    return 4;
  }
  const std::int64_t n = *count;
  if (n < 1 || n > kMaxComponents) {
    fail(service, 4,
         "Component count " + std::to_string(n) + " is outside 1 to " +
             std::to_string(kMaxComponents) + ".");
    return 4;
  }
  const int ncomp = companionSize();
  double sum = 0;
  for (std::int64_t j = 0; j < n; ++j) {
    const std::int64_t position = indices[j];
    if (position < 1 || position > ncomp) {
      fail(service, 4,
           "Index " + std::to_string(position) + " of entry " + std::to_string(j + 1) +
               " is not a position of the companion component list (1 to " + std::to_string(ncomp) +
               ").");
      return 4;
    }
    if (!std::isfinite(fractions[j])) {
      fail(service, 4, "The mole fraction of entry " + std::to_string(j + 1) + " is not a number.");
      return 4;
    }
    x[j] = std::max(fractions[j], 0.0);
    sum += x[j];
    set.c[j] = &component(companionComponent(static_cast<int>(position)));
  }
  if (!(sum > 0)) {
    fail(service, 4, "The mole fractions sum to zero.");
    return 4;
  }
  set.n = static_cast<int>(n);
  for (std::int64_t j = 0; j < n; ++j) x[j] /= sum;
  return 0;
}

std::int64_t checkState(Service service, const double* t, const double* p) {
  if (!t || !p) {
    fail(service, 4, "The temperature or pressure is missing.");
    return 4;
  }
  if (!(*t >= kMinTemperature && *t <= kMaxTemperature)) {
    fail(service, 4,
         "Temperature " + number(*t) + " K is outside " + number(kMinTemperature) + " to " +
             number(kMaxTemperature) + " K.");
    return 4;
  }
  if (!(*p > 0 && *p <= kMaxPressure)) {
    fail(service, 4,
         "Pressure " + number(*p) + " Pa is outside 0 (excluded) to " + number(kMaxPressure) +
             " Pa.");
    return 4;
  }
  return 0;
}

std::int64_t checkOptionSet(Service service, const std::int64_t* optionSet) {
  if (!optionSet || *optionSet != kPengRobinson) {
    fail(service, 4,
         "Unknown property option set " + (optionSet ? std::to_string(*optionSet) : "(missing)") +
             "; the reference host knows 1 (Peng-Robinson).");
    return 4;
  }
  return 0;
}

}  // namespace xv55::refhost::properties::detail

namespace xv55::refhost::properties {

using detail::state;

std::vector<std::string> tableComponents() {
  std::vector<std::string> names;
  for (int i = 0; i < detail::componentCount(); ++i) names.emplace_back(detail::component(i).name);
  return names;
}

bool componentData(std::string_view name, ComponentData& out) {
  const int id = detail::findComponent(name);
  if (id < 0) return false;
  const detail::Component& c = detail::component(id);
  out = ComponentData{c.name,   c.formula, c.mw, c.tc,
                      c.pc,     c.omega,   c.hf, {c.cp[0], c.cp[1], c.cp[2], c.cp[3], c.cp[4]},
                      c.cpTmin, c.cpTmax};
  return true;
}

bool setCompanionComponents(const std::vector<std::string>& names) {
  if (names.size() > static_cast<std::size_t>(kMaxComponents)) return false;
  std::vector<int> ids;
  for (const auto& name : names) {
    const int id = detail::findComponent(name);
    if (id < 0 || std::find(ids.begin(), ids.end(), id) != ids.end()) return false;
    ids.push_back(id);
  }
  detail::releaseAreas();
  auto& s = state();
  s.companion = std::move(ids);
  // Model sets name companion components: find them again in the new list.
  for (auto& [key, c] : s.contexts) {
    bool ok = false;
    c.positions = detail::positionsOf(c.names, ok);
  }
  DMS_NCOMP[0] = static_cast<std::int64_t>(s.companion.size());
  return true;
}

std::vector<std::string> companionComponents() {
  std::vector<std::string> names;
  for (int id : state().companion) names.emplace_back(detail::component(id).name);
  return names;
}

bool setModelComponents(std::int64_t hostContext, const std::vector<std::string>& names) {
  bool ok = false;
  auto positions = detail::positionsOf(names, ok);
  if (!ok || positions.empty() || positions.size() > static_cast<std::size_t>(kMaxComponents)) {
    return false;
  }
  detail::Context& c = state().contexts[hostContext];
  detail::releaseArea(c);
  c.positions = std::move(positions);
  c.names = names;
  c.own = true;
  return true;
}

std::vector<std::int64_t> modelIndices(std::int64_t hostContext) {
  std::vector<std::int64_t> out;
  int count = 0;
  detail::modelPosition(hostContext, 1, count);
  for (int i = 1; i <= count; ++i) out.push_back(detail::modelPosition(hostContext, i, count));
  return out;
}

bool phaseState(const std::vector<std::string>& names, const std::vector<double>& x,
                double temperature, double pressure, Root root, PhaseState& out) {
  detail::Set set;
  double xn[detail::kMaxComponents];
  if (!detail::resolveNames(names, set) || !detail::normalised(x, set.n, xn) ||
      !detail::validState(temperature, pressure)) {
    return false;
  }
  detail::PureAtT pure;
  detail::pureAtT(set, temperature, pure);
  detail::Phase ph;
  const auto r = root == Root::Vapour   ? detail::Root::Vapour
                 : root == Root::Liquid ? detail::Root::Liquid
                                        : detail::Root::Stable;
  if (!detail::evaluatePhase(set, pure, xn, pressure, r, ph)) return false;
  detail::Properties pr;
  detail::phaseProperties(set, pure, xn, pressure, ph, pr);
  double lnPhi[detail::kMaxComponents];
  detail::lnFugacity(set, pure, ph, lnPhi);
  out.volume = pr.v;
  out.compressibility = pr.z;
  out.enthalpy = pr.h;
  out.entropy = pr.s;
  out.cp = pr.cp;
  out.cv = pr.cv;
  out.dVdT = pr.dVdT;
  out.dPdV = pr.dPdV;
  out.dPdT = pr.dPdT;
  out.lnPhi.assign(lnPhi, lnPhi + set.n);
  out.vapour = detail::looksVapour(set, xn, temperature, ph);
  return true;
}

FlashState flashTP(const std::vector<std::string>& names, const std::vector<double>& z,
                   double temperature, double pressure) {
  detail::Set set;
  double zn[detail::kMaxComponents];
  if (!detail::resolveNames(names, set) || !detail::normalised(z, set.n, zn) ||
      !detail::validState(temperature, pressure)) {
    return {};
  }
  detail::FlashResult r;
  const auto code = detail::flashTP(set, zn, temperature, pressure, detail::FlashSettings{}, r);
  return detail::flashState(code, r, set.n);
}

FlashState flashPH(const std::vector<std::string>& names, const std::vector<double>& z,
                   double pressure, double enthalpy, double temperatureGuess) {
  detail::Set set;
  double zn[detail::kMaxComponents];
  if (!detail::resolveNames(names, set) || !detail::normalised(z, set.n, zn) ||
      !detail::validState(300.0, pressure) || !std::isfinite(enthalpy)) {
    return {};
  }
  detail::FlashResult r;
  const auto code =
      detail::flashPH(set, zn, enthalpy, pressure, temperatureGuess, detail::FlashSettings{}, r);
  return detail::flashState(code, r, set.n);
}

double rachfordRice(const std::vector<double>& z, const std::vector<double>& k) {
  const auto n = z.size();
  if (n == 0 || n != k.size() || n > static_cast<std::size_t>(kMaxComponents)) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  double beta = 0;
  if (!detail::rachfordRice(static_cast<int>(n), z.data(), k.data(), beta)) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  return beta;
}

bool setDerivativeMode(std::string_view monitor, Derivative mode) {
  if (monitor == "PPMON_VMTHRM") {
    state().vapourMode = mode;
  } else if (monitor == "PPMON_LMTHMY") {
    state().liquidMode = mode;
  } else {
    return false;
  }
  return true;
}

bool injectStatus(std::string_view service, std::int64_t status, std::int64_t times) {
  if (status == 0 || !detail::isPropertyService(service)) return false;
  if (!refhost::injectFailure(service, times)) return false;
  state().failStatus[static_cast<int>(refhost::detail::declareService(service))] = status;
  return true;
}

bool queueVolumes(const std::vector<double>& volumes) {
  auto& s = state();
  if (s.volumeCount + volumes.size() > detail::kVolumeQueue) return false;
  for (double v : volumes) {
    s.volumes[(s.volumeHead + s.volumeCount) % detail::kVolumeQueue] = v;
    ++s.volumeCount;
  }
  return true;
}

std::string propertyContext() {
  return state().context;
}

}  // namespace xv55::refhost::properties
