// A message assembled at run time from stored pieces and user text, printed as one
// message (the fixed-text reports of the block and user-routine lookups).
//
// The assembled text goes to the print path as its format, as the stored messages
// always have, so that its "\n" sequences break lines.  Text that comes from the
// user (block names, hierarchy paths, reaction IDs, routine names) is appended with
// its '%' doubled: printed, it reads exactly as given, and it can never start a
// conversion that would read a value the message does not have.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "entry/views.hpp"
#include "print/print.hpp"
#include "print/report.hpp"

namespace xv55::print {

class MessageBuffer {
 public:
  // Room for a 255-character message even if every character were a doubled '%'.
  static constexpr std::size_t kCapacity = 2 * 255;

  // Stored text, as it is.
  MessageBuffer& stored(std::string_view text) {
    for (char c : text) put(c);
    return *this;
  }
  // User text: printed as given.
  MessageBuffer& user(std::string_view text) {
    for (char c : text) {
      if (c == '%') put(c);
      put(c);
    }
    return *this;
  }
  std::string_view text() const { return {chars_, length_}; }

 private:
  void put(char c) {
    if (length_ < kCapacity) chars_[length_++] = c;
  }
  char chars_[kCapacity] = {};
  std::size_t length_ = 0;
};

// Sets status to `code` and prints the assembled message with that severity; the
// values, by address, are those its conversions read.
template <class... V>
void report(Status status, std::int64_t code, const MessageBuffer& message, const V*... values) {
  static_assert(sizeof...(V) <= kMaxMessageValues, "the print path takes five values at most");
  status = code;
  print::message(code, message.text(), values...);
}

}  // namespace xv55::print
