// Message output: the one formatter behind XvPrint and XvPrintPadded.
//
// Procedure bodies print through message(), which behaves exactly as
// XvPrintPadded: the text is a blank-padded format whose trailing blanks are
// dropped, the two characters backslash and n end a line, and at most five values
// are passed by address.
#pragma once

#include <cstdint>
#include <string_view>

#include "xv55/host/objects.hpp"

namespace xv55::print {

// The printer that receives every line; nullptr sends lines to standard output.
void setHostPrinter(XvPrinter* printer);
XvPrinter* hostPrinter();

// Prints one message with the given severity (the low 32 bits are used).
void message(std::int64_t severity, std::string_view text, const void* a1 = nullptr,
             const void* a2 = nullptr, const void* a3 = nullptr, const void* a4 = nullptr,
             const void* a5 = nullptr);

// Longest text the bridge keeps after trimming; a longer text is cut there.
inline constexpr std::size_t kTrimmedCapacity = 1023;

}  // namespace xv55::print

// Host objects may be built by hand by a host written in C (a table of operations
// without type information), so functions that call into them are exempt from the
// sanitizer's dynamic-type check.
#if defined(__GNUC__) || defined(__clang__)
#define XV55_CALLS_HOST_OBJECT __attribute__((no_sanitize("vptr")))
#else
#define XV55_CALLS_HOST_OBJECT
#endif
