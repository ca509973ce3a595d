// Packed names: SAIC2ID, DMS_CS2INT and DMS_INT2CS.
//
// A packed word holds 4 characters in its low 4 bytes, the first character lowest,
// and 4 blanks in its high 4 bytes, so that its 8 bytes of memory read as the 4
// characters followed by 4 blanks.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "common/text.hpp"
#include "companion_internal.hpp"
#include "xv55/host/companion.h"

namespace xv55::refhost::companion::detail {
namespace {

constexpr char kBlank = ' ';
constexpr int kBitsPerCharacter = 8;
// The 4 blanks of a packed word's high bytes.
constexpr std::uint64_t kHighBlanks = 0x20202020ULL << 32;
// Longest text DMS_CS2INT packs (the longest fixed-length text of the host's areas).
constexpr std::int64_t kMaxPackedText = HOST_RUN_DIRECTORY_LENGTH;

const Service kSaic2id = refhost::detail::declareService("SAIC2ID", false);
const Service kCs2int = refhost::detail::declareService("DMS_CS2INT", false);
const Service kInt2cs = refhost::detail::declareService("DMS_INT2CS", false);

}  // namespace

char character(std::int64_t word, int i) {
  const auto c =
      static_cast<char>((static_cast<std::uint64_t>(word) >> (kBitsPerCharacter * i)) & 0xFFU);
  return c == '\0' ? kBlank : c;
}

std::int64_t packWord(std::string_view characters) {
  std::uint64_t word = kHighBlanks;
  for (std::size_t i = 0; i < static_cast<std::size_t>(host::kCharactersPerWord); ++i) {
    const char c = i < characters.size() ? characters[i] : kBlank;
    word |= std::uint64_t{static_cast<unsigned char>(c)} << (kBitsPerCharacter * i);
  }
  return static_cast<std::int64_t>(word);
}

PackedName packPair(std::string_view name) {
  const auto perWord = static_cast<std::size_t>(host::kCharactersPerWord);
  return {packWord(name), packWord(name.size() > perWord ? name.substr(perWord) : "")};
}

std::string unpackWords(const std::int64_t* words, std::int64_t count) {
  std::string text;
  if (!words) return text;
  for (std::int64_t w = 0; w < count; ++w) {
    for (int i = 0; i < host::kCharactersPerWord; ++i) text += character(words[w], i);
  }
  return text;
}

std::string_view trimTrailingBlanks(std::string_view text) {
  const auto last = text.find_last_not_of(kBlank);
  return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

std::string withCase(std::string_view text, bool upper) {
  std::string out(text);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    c = static_cast<char>(upper ? std::toupper(u) : std::tolower(u));
  }
  return out;
}

}  // namespace xv55::refhost::companion::detail

namespace xv55::refhost::companion {

std::array<std::int64_t, host::kPackedNameWords> packName(std::string_view name) {
  const detail::PackedName packed = detail::packPair(name);
  return {packed.first, packed.second};
}

std::string unpackName(const std::int64_t* words, std::int64_t count) {
  return std::string(detail::trimTrailingBlanks(detail::unpackWords(words, count)));
}

}  // namespace xv55::refhost::companion

using namespace xv55::refhost::companion::detail;
using xv55::refhost::detail::beginRecord;
using xv55::refhost::detail::kSeverityError;
using xv55::refhost::detail::report;

extern "C" XV55_API void SAIC2ID(const char* text, std::int64_t* packed, std::int64_t textLength) {
  auto& record = beginRecord(kSaic2id);
  const std::string_view name =
      xv55::text::read(text, std::min(textLength, xv55::host::kNameLength));
  record.texts.emplace_back(name);
  record.integers.push_back(textLength);
  if (!packed) return;
  const PackedName words = packPair(name);
  packed[0] = words.first;
  packed[1] = words.second;
}

extern "C" XV55_API void DMS_CS2INT(const char* text, std::int64_t* words,
                                    std::int64_t textLength) {
  auto& record = beginRecord(kCs2int);
  record.integers.push_back(textLength);
  if (textLength > kMaxPackedText) {
    report(kCs2int, kSeverityError,
           "A text of " + std::to_string(textLength) + " characters is longer than " +
               std::to_string(kMaxPackedText) + "; nothing packed.");
    return;
  }
  const std::string_view value = xv55::text::read(text, textLength);
  record.texts.emplace_back(value);
  if (!words || textLength <= 0) return;
  const std::int64_t count =
      (textLength + xv55::host::kCharactersPerWord - 1) / xv55::host::kCharactersPerWord;
  for (std::int64_t w = 0; w < count; ++w) {
    const auto from = static_cast<std::size_t>(w * xv55::host::kCharactersPerWord);
    words[w] = packWord(from < value.size() ? value.substr(from) : std::string_view{});
  }
}

extern "C" XV55_API void DMS_INT2CS(const std::int64_t* words, const std::int64_t* count,
                                    char* text, std::int64_t textLength) {
  auto& record = beginRecord(kInt2cs);
  const std::int64_t n = count ? *count : 0;
  record.integers.push_back(n);
  record.integers.push_back(textLength);
  if (!text || textLength <= 0) return;
  // Only the words whose characters fit the text are read.
  const std::int64_t fitting = textLength / xv55::host::kCharactersPerWord +
                               (textLength % xv55::host::kCharactersPerWord != 0);
  const std::int64_t used = words ? std::clamp<std::int64_t>(n, 0, fitting) : 0;
  const auto length = static_cast<std::size_t>(textLength);
  std::size_t written = 0;
  for (std::int64_t w = 0; w < used; ++w) {
    for (int i = 0; i < xv55::host::kCharactersPerWord && written < length; ++i) {
      text[written++] = character(words[w], i);
    }
  }
  std::memset(text + written, kBlank, length - written);
  record.texts.emplace_back(text, written);
}
