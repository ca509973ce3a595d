// How procedure bodies report: one call sets `status` and prints the message with
// that status as its severity, the message's values checked against its format by
// the compiler.
//
//   report(status, kError, " Number of curves is greater than the maximum allowed (%d).\\n",
//          kMaxCurves);
//
// The format is the stored message text: the two characters backslash and n end a
// line, values are printed by the print path's conversions.  Every conversion but
// "%%" and "%&" takes one value, in order: e, E, f, g, G a double; d, i, o, u, x, X
// an integer; s a text (a NUL-terminated character array or a `text::Padded`).  The
// print path reads an integer conversion without a size modifier as 32 bits, so a
// 64-bit value's conversion is given the "I64" modifier when the message is
// compiled: "%d" prints a count of -4294967295 as it is, not as its low half.  A
// 32-bit value takes no modifier; "h", "l" and "L" are not used with values.  The
// print bridge has a budget of five units: each conversion takes one and a text
// takes a second while any is left (so two texts and a number fill it); %c, which
// would skip a value through the bridge, is not used.  A format whose conversions
// do not match its values, or exceed the budget, does not compile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "common/text.hpp"
#include "entry/views.hpp"
#include "init/options.hpp"
#include "print/print.hpp"
#include "xv55/xv55.h"

namespace xv55 {

// Status codes, which are also the severities of the messages that go with them.
inline constexpr std::int64_t kInformation = XV55_STATUS_INFORMATION;
inline constexpr std::int64_t kWarning = XV55_STATUS_WARNING;
inline constexpr std::int64_t kError = XV55_STATUS_ERROR;

namespace print {

inline constexpr std::size_t kMaxMessageValues = 5;

namespace detail {

enum class ValueKind { Real, Integer, Integer64, Text };

template <class T>
struct ValueOf;  // what a message value is, and the address the print path reads
template <>
struct ValueOf<double> {
  static constexpr ValueKind kind = ValueKind::Real;
  static const void* address(const double& v) { return &v; }
};
template <>
struct ValueOf<std::int64_t> {
  static constexpr ValueKind kind = ValueKind::Integer64;
  static const void* address(const std::int64_t& v) { return &v; }
};
template <>
struct ValueOf<std::int32_t> {
  static constexpr ValueKind kind = ValueKind::Integer;
  static const void* address(const std::int32_t& v) { return &v; }
};
template <>
struct ValueOf<const char*> {
  static constexpr ValueKind kind = ValueKind::Text;
  static const void* address(const char* const& v) { return v; }
};
template <std::size_t N>
struct ValueOf<char[N]> {
  static constexpr ValueKind kind = ValueKind::Text;
  static const void* address(const char (&v)[N]) { return v; }
};
template <std::size_t N>
struct ValueOf<text::Padded<N>> {
  static constexpr ValueKind kind = ValueKind::Text;
  static const void* address(const text::Padded<N>& v) { return v.chars; }
};

// Reached only when a format does not match its values: the call is then not a
// constant expression and the program does not compile.
void formatDoesNotMatchItsValues();

constexpr bool isOneOf(char c, std::string_view set) {
  return set.find(c) != std::string_view::npos;
}

// Longest message format, after the "I64" modifiers are added.
inline constexpr std::size_t kMaxFormatLength = 512;

// The kinds of value the conversions of a format read, in order, and where each
// conversion's type character stands; count is set to the number of conversions
// (kMaxMessageValues + 1 when there are more).
struct Conversions {
  ValueKind kinds[kMaxMessageValues + 1] = {};
  std::size_t typeAt[kMaxMessageValues + 1] = {};
  bool sized[kMaxMessageValues + 1] = {};  // written with a size modifier
  std::size_t count = 0;
};

constexpr Conversions conversionsOf(std::string_view f) {
  Conversions out;
  std::size_t budget = kMaxMessageValues;
  std::size_t i = 0;
  while (i < f.size()) {
    if (f[i] != '%') {
      ++i;
      continue;
    }
    ++i;
    if (i < f.size() && f[i] == '%') {
      ++i;
      continue;
    }
    while (i < f.size() && isOneOf(f[i], "-+0 #")) ++i;
    while (i < f.size() && f[i] >= '0' && f[i] <= '9') ++i;
    if (i < f.size() && f[i] == '.') {
      ++i;
      while (i < f.size() && f[i] >= '0' && f[i] <= '9') ++i;
    }
    bool sized = false;
    if (f.substr(i, 3) == "I64") {
      i += 3;
      sized = true;
    } else if (i < f.size() && isOneOf(f[i], "hlL")) {
      ++i;
      sized = true;
    }
    if (i >= f.size()) formatDoesNotMatchItsValues();
    const std::size_t typeAt = i;
    const char type = f[i++];
    if (type == '&') continue;
    ValueKind kind{};
    if (isOneOf(type, "eEfgG")) {
      kind = ValueKind::Real;
    } else if (isOneOf(type, "diouxX")) {
      kind = ValueKind::Integer;
    } else if (type == 's') {
      kind = ValueKind::Text;
    } else {
      formatDoesNotMatchItsValues();
    }
    if (budget == 0) formatDoesNotMatchItsValues();
    --budget;
    if (kind == ValueKind::Text && budget > 0) --budget;
    out.typeAt[out.count] = typeAt;
    out.sized[out.count] = sized;
    out.kinds[out.count++] = kind;
  }
  return out;
}

}  // namespace detail

// A message format whose conversions the compiler has checked against the value
// types A..., with the "I64" modifier added to the conversion of each 64-bit
// integer.
template <class... A>
class Format {
 public:
  template <std::size_t N>
  consteval Format(const char (&text)[N]) {  // NOLINT: implicit by design
    const std::string_view given(text, N - 1);
    const detail::Conversions c = detail::conversionsOf(given);
    constexpr detail::ValueKind expected[] = {detail::ValueOf<A>::kind..., detail::ValueKind{}};
    if (c.count != sizeof...(A)) detail::formatDoesNotMatchItsValues();
    std::size_t from = 0;
    for (std::size_t k = 0; k < sizeof...(A); ++k) {
      const bool wide = expected[k] == detail::ValueKind::Integer64;
      const detail::ValueKind kind = wide ? detail::ValueKind::Integer : expected[k];
      if (c.kinds[k] != kind) detail::formatDoesNotMatchItsValues();
      if (kind != detail::ValueKind::Integer) continue;
      // Integers are printed at their own size, which the conversion then states.
      if (c.sized[k]) detail::formatDoesNotMatchItsValues();
      if (!wide) continue;
      copy(given.substr(from, c.typeAt[k] - from));
      copy("I64");
      from = c.typeAt[k];
    }
    copy(given.substr(from));
  }
  constexpr std::string_view text() const { return {text_, length_}; }

 private:
  consteval void copy(std::string_view part) {
    if (length_ + part.size() > detail::kMaxFormatLength) detail::formatDoesNotMatchItsValues();
    for (char ch : part) text_[length_++] = ch;
  }

  char text_[detail::kMaxFormatLength] = {};
  std::size_t length_ = 0;
};

template <class T>
using MessageValue = std::remove_cvref_t<T>;

// Prints a message with the given severity and leaves `status` alone (messages the
// procedures print with severity 0, and traces).
template <class... A>
void note(std::int64_t severity, Format<MessageValue<A>...> format, const A&... values) {
  message(severity, format.text(), detail::ValueOf<MessageValue<A>>::address(values)...);
}

}  // namespace print

// Sets `status` to `code` and prints the message with that severity.
template <class... A>
void report(Status status, std::int64_t code, print::Format<print::MessageValue<A>...> format,
            const A&... values) {
  status = code;
  print::note(code, format, values...);
}

// A warning shown once per solver marker: when the marker remembered in `marker`
// says it is due (init::warningDueForMarker), status 2 and the message; otherwise
// nothing.  Returns whether it was issued.
template <class... A>
bool warnOncePerMarker(double* marker, Status status,
                       print::Format<print::MessageValue<A>...> format, const A&... values) {
  if (!init::warningDueForMarker(marker)) return false;
  report(status, kWarning, format, values...);
  return true;
}

}  // namespace xv55
