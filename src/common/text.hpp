// Fixed-width texts: reading a text argument and matching it against a keyword.
//
// A text argument is a field of a declared length (40 characters for the
// procedures' character arguments) whose characters run from the argument's
// first cell on.  It is read up to its NUL or its declared length, whichever
// comes first, and never past either; a shorter text compares as if it were
// blank-padded to its declared length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "common/units.hpp"

namespace xv55::text {

// The characters of the field that starts at `start`: up to its NUL or its declared
// length.  A missing field or a non-positive length reads as empty.
inline std::string_view read(const char* start, std::int64_t declaredLength) {
  if (!start || declaredLength <= 0) return {};
  return {start, strnlen(start, static_cast<std::size_t>(declaredLength))};
}

// Character k (1-based) of the blank-padded field whose characters are `chars`.
constexpr char paddedAt(std::string_view chars, std::int64_t k) {
  return k >= 1 && k <= static_cast<std::int64_t>(chars.size())
             ? chars[static_cast<std::size_t>(k - 1)]
             : ' ';
}

// The keyword rule of every name the procedures compare (curve types, correlation
// names, spline methods, block types, reaction IDs): the name's leading characters
// equal the keyword exactly, case-sensitive, over the keyword's own length; what
// follows is not examined.  A keyword longer than the field never matches.
constexpr bool matchesKeyword(std::string_view name, std::string_view keyword,
                              std::int64_t declaredLength = units::kTextLength) {
  if (static_cast<std::int64_t>(keyword.size()) > declaredLength) return false;
  if (name.size() >= keyword.size()) return name.substr(0, keyword.size()) == keyword;
  // A shorter name is followed by blanks.
  return keyword.substr(0, name.size()) == name &&
         keyword.find_first_not_of(' ', name.size()) == std::string_view::npos;
}

// matchesKeyword(read(start, declaredLength), keyword, declaredLength), reading the
// field only as far as the keyword reaches.
constexpr bool fieldMatchesKeyword(const char* start, std::int64_t declaredLength,
                                   std::string_view keyword) {
  if (static_cast<std::int64_t>(keyword.size()) > declaredLength) return false;
  if (!start) return keyword.find_first_not_of(' ') == std::string_view::npos;  // empty
  // One test per character while they agree; a keyword holds no NUL, so the field's
  // end is always a disagreement.
  for (std::size_t k = 0; k < keyword.size(); ++k) {
    if (start[k] != keyword[k]) {  // a shorter name is followed by blanks
      return start[k] == '\0' && keyword.find_first_not_of(' ', k) == std::string_view::npos;
    }
  }
  return true;
}

// paddedAt(read(start, declaredLength), k), reading the field only up to character k.
inline char fieldAt(const char* start, std::int64_t declaredLength, std::int64_t k) {
  if (!start || k < 1 || k > declaredLength) return ' ';
  const auto n = static_cast<std::size_t>(k);
  return std::memchr(start, '\0', n) ? ' ' : start[n - 1];
}

// The first N characters of a blank-padded field, NUL-terminated: what a message
// prints for a name (for example a curve type "as given, 12 characters").
template <std::size_t N>
struct Padded {
  char chars[N + 1];
  const char* c_str() const { return chars; }
  std::string_view view() const { return {chars, N}; }
};

template <std::size_t N>
constexpr Padded<N> padded(std::string_view chars) {
  Padded<N> out{};
  for (std::size_t k = 0; k < N; ++k)
    out.chars[k] = paddedAt(chars, static_cast<std::int64_t>(k) + 1);
  out.chars[N] = '\0';
  return out;
}

}  // namespace xv55::text
