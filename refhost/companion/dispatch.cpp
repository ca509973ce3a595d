// User routines: registration in this process, user libraries, SAIGPNTR and DMS_DOCALL.
//
// SAIGPNTR looks a routine up by its name (trailing blanks dropped): first among the
// routines registered in this process (without regard to case), then in the user
// libraries in flowsheet order, each tried under the spellings NAME as stored, upper
// case, lower case, lower case with a trailing underscore and upper case with one.  A
// resolved routine gets a handle for DMS_DOCALL; the same routine gets the same handle
// again.  Handles count up from 1 and are not reused before reset(): loading a
// flowsheet forgets those handed out, so a stale handle is recognised.
#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "companion_internal.hpp"
#include "xv55/host/companion.h"

namespace xv55::refhost::companion::detail {
namespace {

constexpr std::int64_t kFirstRoutineHandle = 1;
// Auxiliary word of SAIGPNTR for a routine registered in this process; a routine of a
// user library gets the library's place in the flowsheet (1, 2, ...).
constexpr std::int64_t kInProcess = 0;

const Service kGpntr = refhost::detail::declareService("SAIGPNTR");
const Service kDocall = refhost::detail::declareService("DMS_DOCALL");

struct Routine {
  std::string name;
  Xv55UserRoutine function = nullptr;
  std::int64_t source = kInProcess;
};

struct DispatchState {
  std::map<std::string, Xv55UserRoutine, std::less<>> registered;  // upper-case names
  std::vector<Library> libraries;
  std::map<std::int64_t, Routine> handles;
  // Names resolved since registrations or libraries last changed: SAIGPNTR is called
  // on every evaluation of a procedure and then neither searches nor allocates.
  std::map<std::string, std::int64_t, std::less<>> resolved;
  std::int64_t nextHandle = kFirstRoutineHandle;
  Dispatch last;
};

DispatchState& dispatch() {
  static DispatchState s;
  return s;
}

// The routine of that name, or one with a null function.
Routine resolve(const std::string& name) {
  DispatchState& s = dispatch();
  const std::string upper = withCase(name, true);
  if (auto it = s.registered.find(upper); it != s.registered.end()) {
    return {name, it->second, kInProcess};
  }
  const std::string lower = withCase(name, false);
  const std::array<std::string, 5> spellings = {name, upper, lower, lower + "_", upper + "_"};
  for (std::size_t i = 0; i < s.libraries.size(); ++i) {
    for (const std::string& symbol : spellings) {
      if (void* found = dlsym(s.libraries[i].handle, symbol.c_str())) {
        return {name, reinterpret_cast<Xv55UserRoutine>(found), static_cast<std::int64_t>(i) + 1};
      }
    }
  }
  return {name, nullptr, kInProcess};
}

std::int64_t handleOf(const Routine& routine) {
  DispatchState& s = dispatch();
  for (const auto& [handle, known] : s.handles) {
    if (known.function == routine.function && known.name == routine.name) return handle;
  }
  const std::int64_t handle = s.nextHandle++;
  s.handles.emplace(handle, routine);
  return handle;
}

}  // namespace

bool openLibraries(const std::vector<LibraryDef>& entries, std::vector<Library>& opened,
                   LoadResult& result) {
  for (const LibraryDef& entry : entries) {
    void* handle = dlopen(entry.path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* why = dlerror();
      result = loadError(
          entry.line, entry.where,
          "cannot load user library '" + entry.path + "': " + (why ? why : "unknown reason"));
      closeLibraries(opened);
      return false;
    }
    opened.push_back({entry.path, handle});
  }
  return true;
}

void closeLibraries(std::vector<Library>& libraries) {
  for (const Library& library : libraries) dlclose(library.handle);
  libraries.clear();
}

void replaceLibraries(std::vector<Library>&& libraries) {
  DispatchState& s = dispatch();
  closeLibraries(s.libraries);
  s.libraries = std::move(libraries);
  s.handles.clear();
  s.resolved.clear();
}

void resetDispatch() {
  DispatchState& s = dispatch();
  closeLibraries(s.libraries);
  s = DispatchState{};
}

}  // namespace xv55::refhost::companion::detail

namespace xv55::refhost::companion {

bool registerRoutine(std::string_view name, Xv55UserRoutine routine) {
  if (name.empty() || name.size() > static_cast<std::size_t>(host::kNameLength) ||
      !std::all_of(name.begin(), name.end(), [](char c) { return c > ' ' && c < '\x7F'; })) {
    return false;
  }
  detail::DispatchState& s = detail::dispatch();
  const std::string key = detail::withCase(name, true);
  if (routine) {
    s.registered[key] = routine;
  } else {
    s.registered.erase(key);
  }
  s.resolved.clear();
  return true;
}

Dispatch lastDispatch() {
  return detail::dispatch().last;
}

}  // namespace xv55::refhost::companion

using namespace xv55::refhost::companion::detail;
using xv55::refhost::detail::beginRecord;
using xv55::refhost::detail::failureDue;
using xv55::refhost::detail::kSeverityError;
using xv55::refhost::detail::report;

extern "C" XV55_API void SAIGPNTR(const std::int64_t* packedName, std::int64_t* handle,
                                  std::int64_t* auxiliary, std::int64_t* status) {
  auto& record = beginRecord(kGpntr);
  const std::string name(
      trimTrailingBlanks(unpackWords(packedName, packedName ? xv55::host::kPackedNameWords : 0)));
  record.texts.push_back(name);
  DispatchState& s = dispatch();
  std::int64_t h = 0;
  if (!name.empty() && !failureDue(kGpntr)) {
    if (const auto known = s.resolved.find(name); known != s.resolved.end()) {
      h = known->second;
    } else if (const Routine routine = resolve(name); routine.function) {
      h = handleOf(routine);
      s.resolved.emplace(name, h);
    }
  }
  const std::int64_t source = h ? s.handles.at(h).source : kInProcess;
  record.integers = {h, source};
  if (handle) *handle = h;
  if (auxiliary) *auxiliary = source;
  if (!h && status) *status = XV55_STATUS_ERROR;
}

extern "C" XV55_API void DMS_DOCALL(const std::int64_t* handle, XV55_USER_PARAMETERS) {
  auto& record = beginRecord(kDocall);
  DispatchState& s = dispatch();
  const std::int64_t h = handle ? *handle : 0;
  record.integers.push_back(h);
  const std::array<void*, XV55_USER_ARGUMENT_COUNT> arguments = {XV55_USER_ARGUMENTS};
  for (void* a : arguments)
    record.integers.push_back(static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(a)));
  ++s.last.calls;
  s.last.handle = h;
  s.last.arguments = arguments;
  const auto it = s.handles.find(h);
  s.last.routine = it == s.handles.end() ? std::string{} : it->second.name;
  if (it == s.handles.end()) {
    report(kDocall, kSeverityError,
           "Handle " + std::to_string(h) + " names no resolved routine; nothing called.");
    return;
  }
  if (failureDue(kDocall)) {
    report(kDocall, kSeverityError,
           "Routine " + it->second.name + " not called (injected failure).");
    return;
  }
  // The routine may come back into the host; nothing of the table is used after it.
  const Xv55UserRoutine routine = it->second.function;
  routine(XV55_USER_ARGUMENTS);
}
