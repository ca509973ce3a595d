// The control interface: call records, injected failures, the print path and reset.
#include <array>
#include <cstdio>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "internal.hpp"

// The library's formatter, when the library is loaded in this process.  Weak, so that
// the reference host also runs without it (its lines then go to standard output).
extern "C" void XvPrint(std::int32_t severity, const char* format, ...) __attribute__((weak));

namespace xv55::refhost {
namespace detail {
namespace {

constexpr std::size_t kCoreServices = static_cast<std::size_t>(Service::Count);
constexpr std::size_t kRecordCap = 4096;

constexpr std::array<const char*, kCoreServices> kCoreNames = {
    "GPTEMP",     "GPPRES",     "GPMFLO",      "GPMASS",       "GPVOL",
    "GPLEN",      "GPMRHO",     "GPRHO",       "GPSPH",        "GPIOUT",
    "DMS_ALLOCR", "DMS_ALLOCI", "DMS_LOCATR",  "DMS_LOCATI",   "DMS_ATFREE",
    "DMS_IRRCHK", "DMS_ERRPRT", "ZMTH_SPLINE", "PPPETM_PCINTP"};

struct ServiceSlot {
  std::string name;
  bool canFail = true;
  CallRecord record;
  std::int64_t failures = 0;
};

struct ControlState {
  // Core services first, in the order of the enumeration; declared ones after.
  // A deque keeps every slot at its address while services are declared.
  std::deque<ServiceSlot> services;
  std::deque<std::string> lines;
  std::vector<void (*)()> resetHooks;

  ControlState() {
    for (std::size_t i = 0; i < kCoreServices; ++i) {
      services.push_back({kCoreNames[i], static_cast<Service>(i) != Service::GPIOUT, {}, 0});
    }
  }
};

ControlState& state() {
  static ControlState s;
  return s;
}

std::size_t index(Service service) {
  return static_cast<std::size_t>(service);
}

ServiceSlot* lookup(std::string_view name) {
  for (ServiceSlot& slot : state().services) {
    if (slot.name == name) return &slot;
  }
  return nullptr;
}

}  // namespace

const char* serviceName(Service service) {
  return state().services[index(service)].name.c_str();
}

Service declareService(std::string_view name, bool canFail) {
  auto& services = state().services;
  for (std::size_t i = 0; i < services.size(); ++i) {
    if (services[i].name == name) return static_cast<Service>(i);
  }
  services.push_back({std::string(name), canFail, {}, 0});
  return static_cast<Service>(services.size() - 1);
}

void addResetHook(void (*hook)()) {
  state().resetHooks.push_back(hook);
}

CallRecord& beginRecord(Service service) {
  CallRecord& record = state().services[index(service)].record;
  ++record.calls;
  record.integers.clear();
  record.reals.clear();
  record.texts.clear();
  return record;
}

void recordReals(CallRecord& record, const double* values, std::int64_t count) {
  if (!values || count <= 0) return;
  const auto n =
      static_cast<std::size_t>(count) < kRecordCap ? static_cast<std::size_t>(count) : kRecordCap;
  record.reals.insert(record.reals.end(), values, values + n);
}

bool failureDue(Service service) {
  std::int64_t& remaining = state().services[index(service)].failures;
  if (remaining <= 0) return false;
  --remaining;
  return true;
}

void printLine(std::int32_t severity, std::string_view line) {
  ControlState& s = state();
  if (s.lines.size() >= kReportLineCapacity) s.lines.pop_front();
  s.lines.emplace_back(line);
  const std::string& text = s.lines.back();
  if (&XvPrint != nullptr) {
    // Values go by address: for %s the address is the text itself.
    XvPrint(severity, "%s", text.c_str());
  } else {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
  }
}

void report(Service service, std::int32_t severity, std::string_view text) {
  const char letter = severity == kSeverityError ? 'E' : severity == kSeverityWarning ? 'W' : 'I';
  std::string line = " ";
  line += serviceName(service);
  line += '-';
  line += letter;
  line += '-';
  line += text;
  printLine(severity, line);
}

void resetReportLines() {
  state().lines.clear();
}

}  // namespace detail

using detail::Service;

void reset() {
  detail::ControlState& s = detail::state();
  for (auto& slot : s.services) {
    slot.record = CallRecord{};
    slot.failures = 0;
  }
  s.lines.clear();
  detail::resetUnits();
  detail::resetStore();
  detail::resetErrors();
  for (auto* hook : s.resetHooks) hook();
}

bool injectFailure(std::string_view service, std::int64_t times) {
  detail::ServiceSlot* slot = detail::lookup(service);
  if (!slot || !slot->canFail) return false;
  slot->failures = times > 0 ? times : 0;
  return true;
}

CallRecord lastCall(std::string_view service) {
  const detail::ServiceSlot* slot = detail::lookup(service);
  return slot ? slot->record : CallRecord{};
}

std::vector<std::string> reportLines() {
  const auto& lines = detail::state().lines;
  return {lines.begin(), lines.end()};
}

void clearReportLines() {
  detail::resetReportLines();
}

}  // namespace xv55::refhost
