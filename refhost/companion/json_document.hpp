// A JSON text read into a value together with the line of every value in it, so that a
// reader of the value can say where in the text a refused value stands.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace xv55::refhost::companion::detail {

struct JsonDocument {
  nlohmann::json root;
  // JSON pointer (RFC 6901) of each value -> line of its text (1-based).  An object or
  // a list is on the line of its opening bracket.
  std::map<std::string, std::int64_t, std::less<>> lines;

  // The line of the value at `pointer`; 0 when there is none.
  std::int64_t lineOf(std::string_view pointer) const;
};

// Objects and lists may nest this deep at most.
inline constexpr std::size_t kMaxJsonDepth = 16;

// Reads a JSON text (a UTF-8 byte-order mark first is skipped).  False when the text is
// not JSON, nests too deep or repeats a key of an object: then `line`, `pointer` (of the
// value being read, may be empty) and `error` say where and why.
bool readJsonDocument(std::string_view text, JsonDocument& document, std::int64_t& line,
                      std::string& pointer, std::string& error);

// A pointer token: "~" and "/" escaped as "~0" and "~1".
std::string pointerToken(std::string_view key);

}  // namespace xv55::refhost::companion::detail
