// State shared by the property services: the companion component list, the models'
// component sets and stream areas, and what tests asked of the services.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "internal.hpp"
#include "thermo.hpp"
#include "xv55/refhost/properties.hpp"

namespace xv55::refhost::properties::detail {

using refhost::detail::Service;

// Property method codes of an option set (word 1, and word 5 for free water).
inline constexpr std::int64_t kPengRobinson = 1;
// Stream class of the stream-type descriptor.
inline constexpr std::int64_t kConventionalStream = 1;
// Default flash tolerance exponent of the descriptor: 10^-8.
inline constexpr std::int64_t kToleranceExponent = 8;
// Tag of a mapping block, so that SAISAO and SAIASO recognise one.
inline constexpr std::int64_t kMappingTag = 5523;
// Work vectors of a stream area.
inline constexpr std::int64_t kWorkVectors = 8;
// Words of the option set, the descriptor and the count block.
inline constexpr std::int64_t kOptionWords = 6;
inline constexpr std::int64_t kDescriptorWords = 2;
inline constexpr std::int64_t kCountWords = 4;
inline constexpr std::int64_t kMappingHeader = 3;
// Words of PPBASE_PHASE.
inline constexpr int kPhaseWords = 8;

// The companion list as table ids.
int companionSize();
int companionComponent(int position);  // position 1-based; table id

// Stream area of a context, laid out in the store; 0 locations when it cannot be formed.
struct StreamArea {
  std::int64_t locations[6] = {};
};
// Creates (or reuses) the area of a context; false (with a reason) when impossible.
bool streamArea(std::int64_t hostContext, StreamArea& area, std::string& why);
// Model component i (1-based) of a context: its companion position, 0 when none.
int modelPosition(std::int64_t hostContext, int i, int& count);

// Injected failures with their status.
bool failed(Service service, std::int64_t& status);
// An injected failure of a service that returns a status: reports text as an error and
// gives status (when there is one) the injected value; true when one was due.
bool injectedFailure(Service service, std::string_view text, std::int64_t* status);
Derivative derivativeMode(Service monitor);
bool nextQueuedVolume(double& volume);

// The context named by SAIPEH, for reports.
const std::string& currentContext();
void setCurrentContext(std::string_view text);

// Reports of a service, with the property context appended when one is set.
void fail(Service service, std::int64_t severity, std::string_view text);

// Resolves an index list into a component set with a normalised composition; returns 0,
// or the status 4 after a report.  Negative fractions count as zero.
std::int64_t resolve(Service service, const std::int64_t* count, const std::int64_t* indices,
                     const double* fractions, Set& set, double* x);
// Checks temperature and pressure (SI); 0 or 4 after a report.
std::int64_t checkState(Service service, const double* t, const double* p);
// Checks an option set; 0 or 4 after a report.
std::int64_t checkOptionSet(Service service, const std::int64_t* optionSet);

// Text of a number for reports.
std::string number(double value);

}  // namespace xv55::refhost::properties::detail
