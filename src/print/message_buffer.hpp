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
#include <type_traits>

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

  // The message with the "I64" modifier added to each integer conversion whose value
  // is 64 bits wide (wide[k] for the k-th value), as compiled formats have it: the
  // print path reads an unsized integer conversion as 32 bits.
  template <std::size_t N>
  MessageBuffer widened(const bool (&wide)[N]) const {
    MessageBuffer out;
    std::size_t value = 0;
    for (std::size_t i = 0; i < length_; ++i) {
      out.put(chars_[i]);
      if (chars_[i] != '%') continue;
      if (i + 1 < length_ && chars_[i + 1] == '%') {
        out.put(chars_[++i]);
        continue;
      }
      while (i + 1 < length_ &&
             std::string_view("-+0 #.0123456789").find(chars_[i + 1]) != std::string_view::npos) {
        out.put(chars_[++i]);
      }
      if (i + 1 >= length_ || chars_[i + 1] == '&') continue;
      const bool integer = std::string_view("diouxX").find(chars_[i + 1]) != std::string_view::npos;
      if (integer && value < N && wide[value]) out.stored("I64");
      ++value;
    }
    return out;
  }

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
  constexpr bool wide[] = {std::is_same_v<V, std::int64_t>..., false};
  print::message(code, message.widened(wide).text(), values...);
}

}  // namespace xv55::print
