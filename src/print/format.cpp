// XvPrint: expands a printf-like format whose values are all passed by address
// into lines of at most 256 characters, for the host printer or standard output.
//
// Formats come from stored models written for a platform whose C runtime sizes
// integers and characters differently from this one: "%d", "%ld" and "%Ld" read a
// 32-bit integer, "%hd" a 16-bit one and "%I64d" a 64-bit one; "%lc" and "%ls" read
// 16-bit characters; "%p" prints 16 upper-case hexadecimal digits.  Each value is
// read at that size and printed as that platform prints it.
#include <charconv>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "print/print.hpp"
#include "xv55/xv55.h"

namespace xv55::print {
namespace {

constexpr int kLineCapacity = 256;
constexpr int kMaxWidth = 512;
constexpr int kDefaultWidth = 40;
constexpr int kConversionSlack = 20;
constexpr int kBridgeBudget = 5;
constexpr int kOpenBudget = 9999;
constexpr int kMaxPrecision = 1000000;
// Source line numbers the formatter's diagnostics quote (hosts match on them).
constexpr int kBadFormatLine = 691;
constexpr int kExceptionLine = 680;

constexpr std::string_view kTooMany = "BAD FORMATTING (too many format specifiers)>>>";
constexpr std::string_view kCheckFormat = "BAD FORMATTING (check format string)>>>";
constexpr std::string_view kWidthTooLarge = "BAD FORMATTING (width exceeds 512 characters)>>>";
constexpr std::string_view kWidthDigits = "BAD FORMATTING (width digits expected)>>>";
constexpr std::string_view kPrecisionDigits = "BAD FORMATTING (precision digits expected)>>>";
constexpr std::string_view kUnknownType = "BAD FORMATTING (unrecognized type specifier)>>>";

// Process-wide state of the print path (one host thread at a time).
struct State {
  char line[kLineCapacity + 1] = {};
  int length = 0;
  bool pending = false;
  bool bridgeActive = false;
  XvPrinter* printer = nullptr;
  char* buffer = nullptr;  // grown on demand, never shrunk
  std::size_t bufferCapacity = 0;
  char stringValue[kTrimmedCapacity + 1] = {};  // a fixed-length %s value, trimmed
};
State g;

// ---- line assembly ----

XV55_CALLS_HOST_OBJECT void emitLine() {
  g.line[g.length] = '\0';
  if (g.printer) {
    g.printer->writeLine(g.line);
  } else {
    std::printf("%s\n", g.line);
    std::fflush(stdout);
  }
  g.length = 0;
  g.pending = false;
}

bool isLetterOrDigit(char c) {
  const auto u = static_cast<unsigned char>(c);
  // Bytes of multi-byte characters count as letters, so a wrap never splits one.
  return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u >= 0x80;
}

// The full line is broken at its last blank outside double quotes, else at its
// last other punctuation outside quotes, else after 256 characters; the break
// character starts the next line.
void wrapLine() {
  int lastBlank = 0;
  int lastOther = 0;
  bool quoted = false;
  for (int i = 0; i < kLineCapacity; ++i) {
    const char c = g.line[i];
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    if (quoted || i == 0) continue;
    if (c == ' ') {
      lastBlank = i;
    } else if (!isLetterOrDigit(c)) {
      lastOther = i;
    }
  }
  const int cut = lastBlank > 0 ? lastBlank : (lastOther > 0 ? lastOther : kLineCapacity);
  char rest[kLineCapacity];
  const int restLength = kLineCapacity - cut;
  std::memcpy(rest, g.line + cut, static_cast<std::size_t>(restLength));
  g.length = cut;
  emitLine();
  std::memcpy(g.line, rest, static_cast<std::size_t>(restLength));
  g.length = restLength;
}

void append(char c) {
  if (c == '\n') {
    emitLine();
    return;
  }
  if (g.length >= kLineCapacity) wrapLine();
  g.line[g.length++] = c;
  g.pending = true;
}

void append(std::string_view text) {
  for (char c : text) append(c);
}

// ---- values ----

// Where the value addresses come from: the caller's variable list, or the
// bridge's five addresses.
class Values {
 public:
  explicit Values(va_list* list) : list_(list) {}
  Values(const void* const* fixed, int count) : fixed_(fixed), count_(count) {}
  const void* next() {
    if (fixed_) return used_ < count_ ? fixed_[used_++] : nullptr;
    return va_arg(*list_, const void*);
  }

 private:
  va_list* list_ = nullptr;
  const void* const* fixed_ = nullptr;
  int count_ = 0;
  int used_ = 0;
};

template <class T>
T load(const void* address) {
  T value;
  std::memcpy(&value, address, sizeof value);
  return value;
}

void growBuffer(std::size_t capacity) {
  if (g.bufferCapacity >= capacity) return;
  delete[] g.buffer;
  g.buffer = nullptr;
  g.bufferCapacity = 0;
  g.buffer = new char[capacity];
  g.bufferCapacity = capacity;
}

// 16-bit characters (with surrogate pairs) as UTF-8.
void appendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::string wideToUtf8(const void* address) {
  std::string out;
  const auto* p = static_cast<const unsigned char*>(address);
  for (;; p += 2) {
    std::uint32_t unit = load<std::uint16_t>(p);
    if (unit == 0) break;
    if (unit >= 0xD800 && unit < 0xDC00) {
      const std::uint32_t low = load<std::uint16_t>(p + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        p += 2;
      }
    }
    appendUtf8(out, unit);
  }
  return out;
}

// ---- one conversion ----

struct Conversion {
  std::string_view text;  // as written, from the '%'
  std::string_view flags;
  int width = -1;
  int precision = -1;
  char modifier = 0;  // 'h', 'l', 'L', 'I' (for "I64") or 0
  char type = 0;
};

// Parses the conversion at format[0] == '%'.  On failure returns the error
// text; on success fills conversion and returns an empty view.
std::string_view parse(const char* format, Conversion& conversion) {
  const char* p = format + 1;
  const char* flagsStart = p;
  while (*p && std::strchr("-+0 #", *p)) ++p;
  conversion.flags = std::string_view(flagsStart, static_cast<std::size_t>(p - flagsStart));
  if (*p == '*') return kWidthDigits;
  if (*p >= '0' && *p <= '9') {
    long width = 0;
    while (*p >= '0' && *p <= '9') {
      if (width <= kMaxWidth) width = width * 10 + (*p - '0');
      ++p;
    }
    if (width > kMaxWidth) return kWidthTooLarge;
    conversion.width = static_cast<int>(width);
  }
  if (*p == '.') {
    ++p;
    if (!(*p >= '0' && *p <= '9')) return kPrecisionDigits;
    long precision = 0;
    while (*p >= '0' && *p <= '9') {
      if (precision <= kMaxPrecision) precision = precision * 10 + (*p - '0');
      ++p;
    }
    conversion.precision =
        static_cast<int>(precision > kMaxPrecision ? kMaxPrecision + 1 : precision);
  }
  if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
    conversion.modifier = 'I';
    p += 3;
  } else if (*p == 'h' || *p == 'l' || *p == 'L') {
    conversion.modifier = *p++;
  }
  if (*p == '\0' || !std::strchr("cdiouxXfeEgGps&", *p)) return kUnknownType;
  conversion.type = *p++;
  conversion.text = std::string_view(format, static_cast<std::size_t>(p - format));
  return {};
}

// The format this runtime needs for the same output: flags, width and precision
// as written, a length modifier for the value as read, and the type.
// Each flag is kept once (repeating a flag changes nothing), which bounds the
// length of the result.
constexpr std::size_t kNativeCapacity = 32;
void nativeFormat(const Conversion& conversion, const char* lengthModifier, char type, char* out) {
  std::string_view flags = "-+0 #";
  std::size_t n = 0;
  out[n++] = '%';
  for (char flag : flags) {
    if (conversion.flags.find(flag) != std::string_view::npos) out[n++] = flag;
  }
  if (conversion.width >= 0)
    n += std::to_chars(out + n, out + kNativeCapacity, conversion.width).ptr - (out + n);
  if (conversion.precision >= 0) {
    out[n++] = '.';
    n += std::to_chars(out + n, out + kNativeCapacity, conversion.precision).ptr - (out + n);
  }
  for (const char* m = lengthModifier; *m; ++m) out[n++] = *m;
  out[n++] = type;
  out[n] = '\0';
}

enum class Outcome { Ok, Failed };

// Formats one value into the conversion buffer; result is its length.
template <class... V>
Outcome formatInto(const Conversion& conversion, const char* modifier, char type, int& result,
                   V... value) {
  char native[kNativeCapacity];
  nativeFormat(conversion, modifier, type, native);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  result = std::snprintf(g.buffer, g.bufferCapacity, native, value...);
#pragma GCC diagnostic pop
  // A text that does not fit the buffer is a failure, as is any error.
  if (result < 0 || static_cast<std::size_t>(result) >= g.bufferCapacity) return Outcome::Failed;
  return Outcome::Ok;
}

// d, i (signed) and o, u, x, X (unsigned): 32 bits, 16 with 'h', 64 with "I64".
Outcome convertInteger(const Conversion& conversion, const void* address, int& length) {
  const char type = conversion.type;
  if (type == 'd' || type == 'i') {
    if (conversion.modifier == 'h') {
      return formatInto(conversion, "", type, length,
                        static_cast<int>(load<std::int16_t>(address)));
    }
    if (conversion.modifier == 'I') {
      return formatInto(conversion, "ll", type, length,
                        static_cast<long long>(load<std::int64_t>(address)));
    }
    return formatInto(conversion, "", type, length, static_cast<int>(load<std::int32_t>(address)));
  }
  if (conversion.modifier == 'h') {
    return formatInto(conversion, "", type, length,
                      static_cast<unsigned>(load<std::uint16_t>(address)));
  }
  if (conversion.modifier == 'I') {
    return formatInto(conversion, "ll", type, length,
                      static_cast<unsigned long long>(load<std::uint64_t>(address)));
  }
  return formatInto(conversion, "", type, length,
                    static_cast<unsigned>(load<std::uint32_t>(address)));
}

// The conversion applied to a text: flags and width kept, no precision.
Outcome convertAsText(const Conversion& conversion, const char* text, int& length) {
  Conversion asText = conversion;
  asText.precision = -1;
  return formatInto(asText, "", 's', length, text);
}

// c: one byte, or (wide) one UTF-16 unit written as UTF-8.
Outcome convertCharacter(const Conversion& conversion, const void* address, bool wide, int& length,
                         bool& emptyIsText) {
  if (wide) {
    const std::uint16_t unit = load<std::uint16_t>(address);
    emptyIsText = unit == 0;
    std::string text;
    if (unit != 0) appendUtf8(text, unit);
    return convertAsText(conversion, text.c_str(), length);
  }
  const unsigned char c = load<unsigned char>(address);
  emptyIsText = c == 0;
  // The NUL itself never enters the line; the field's padding does.
  if (c == 0) return convertAsText(conversion, "", length);
  return formatInto(conversion, "", 'c', length, static_cast<int>(c));
}

// s: a NUL-terminated text, (wide) UTF-16 written as UTF-8, or from the padded
// bridge a fixed-length text cut at its NUL with its trailing blanks dropped.
Outcome convertString(const Conversion& conversion, const void* address, bool wide, int& length,
                      bool& emptyIsText) {
  std::string utf8;
  const char* text = static_cast<const char*>(address);
  if (wide) {
    utf8 = wideToUtf8(address);
    text = utf8.c_str();
  } else if (g.bridgeActive) {
    std::size_t n = strnlen(text, kTrimmedCapacity);
    while (n > 0 && text[n - 1] == ' ') --n;
    std::memcpy(g.stringValue, text, n);
    g.stringValue[n] = '\0';
    text = g.stringValue;
  }
  const std::size_t n = std::strlen(text);
  emptyIsText = n == 0;
  growBuffer(n + 1);
  return formatInto(conversion, "", 's', length, text);
}

// Converts one value.  emptyIsText: an empty result is a valid (empty) text.
Outcome convert(const Conversion& conversion, const void* address, int& length, bool& emptyIsText) {
  emptyIsText = false;
  if (conversion.precision > kMaxPrecision) return Outcome::Failed;
  const bool wide = conversion.modifier == 'l' || conversion.modifier == 'L';
  switch (conversion.type) {
    case 'e':
    case 'E':
    case 'f':
    case 'g':
    case 'G':
      return formatInto(conversion, "", conversion.type, length, load<double>(address));
    case 'd':
    case 'i':
    case 'o':
    case 'u':
    case 'x':
    case 'X':
      return convertInteger(conversion, address, length);
    case 'c':
      return convertCharacter(conversion, address, wide, length, emptyIsText);
    case 's':
      return convertString(conversion, address, wide, length, emptyIsText);
    case 'p': {
      char digits[17];
      std::snprintf(digits, sizeof digits, "%016llX",
                    static_cast<unsigned long long>(
                        reinterpret_cast<std::uintptr_t>(load<const void*>(address))));
      return convertAsText(conversion, digits, length);
    }
    default:
      return Outcome::Failed;
  }
}

void writeDiagnostic(const char* format, int line) {
  std::printf(format, line);
  std::fflush(stdout);
}

// Appends one parsed conversion with its value, using up the budget of values;
// returns the error text that stands in its place, or an empty view.
std::string_view place(const Conversion& conversion, Values& values, int& budget) {
  growBuffer(static_cast<std::size_t>((conversion.width >= 0 ? conversion.width : kDefaultWidth) +
                                      kConversionSlack));
  if (conversion.type == '&') {
    g.pending = false;
    return {};
  }
  if (budget <= 0) {
    writeDiagnostic("XvPrint() Bad format at line %d\n", kBadFormatLine);
    return kTooMany;
  }
  --budget;
  const void* address = values.next();
  if (g.bridgeActive && conversion.type == 'c' && budget > 0) {
    values.next();  // the character's length, passed along with it
    --budget;
  }
  if (g.bridgeActive && conversion.type == 's' && budget > 0) --budget;
  int length = 0;
  bool emptyIsText = false;
  if (!address || convert(conversion, address, length, emptyIsText) == Outcome::Failed ||
      (length < 1 && !emptyIsText)) {
    return kCheckFormat;
  }
  append(std::string_view(g.buffer, static_cast<std::size_t>(length)));
  return {};
}

// The formatter proper.
XV55_CALLS_HOST_OBJECT void run(std::int32_t severity, const char* format, Values& values) {
  if (!g.printer && severity < 0) std::fputs("Error: ", stdout);
  int budget = g.bridgeActive ? kBridgeBudget : kOpenBudget;
  bool conversions = true;
  g.pending = true;

  const char* p = format ? format : "";
  while (*p) {
    if (p[0] == '\\' && p[1] == 'n') {
      append('\n');
      p += 2;
      continue;
    }
    if (p[0] == '%' && p[1] == '%') {
      append('%');
      p += 2;
      continue;
    }
    if (p[0] != '%' || !conversions) {
      append(*p++);
      continue;
    }

    Conversion conversion;
    std::string_view error = parse(p, conversion);
    if (error.empty()) {
      try {
        error = place(conversion, values, budget);
      } catch (...) {
        writeDiagnostic("XvPrint() Exception caught at line %d\n", kExceptionLine);
      }
    }
    if (!error.empty()) {
      // The error text stands where the faulty conversion stood; the rest of
      // the format follows as plain text, starting with the '%' itself.
      append(error);
      conversions = false;
      continue;
    }
    p += conversion.text.size();
  }

  if (g.pending) emitLine();
  if (g.printer) g.printer->endMessage(severity);
  g.bridgeActive = false;
}

void bridge(std::int32_t severity, const char* text, std::size_t length,
            const void* const addresses[5]) {
  // A NUL inside the text ends it; otherwise trailing blanks are dropped.
  std::size_t n = strnlen(text, length);
  if (n == length) {
    while (n > 0 && text[n - 1] == ' ') --n;
  }
  if (n > kTrimmedCapacity) n = kTrimmedCapacity;
  // A local copy, so that a printer that prints again cannot change the format
  // being walked.
  char copy[kTrimmedCapacity + 1];
  std::memcpy(copy, text, n);
  copy[n] = '\0';
  g.bridgeActive = true;
  Values values(addresses, 5);
  run(severity, copy, values);
  g.bridgeActive = false;
}

}  // namespace

void setHostPrinter(XvPrinter* printer) {
  g.printer = printer;
}
XvPrinter* hostPrinter() {
  return g.printer;
}

void message(std::int64_t severity, std::string_view text, const void* a1, const void* a2,
             const void* a3, const void* a4, const void* a5) {
  const void* const addresses[5] = {a1, a2, a3, a4, a5};
  bridge(static_cast<std::int32_t>(severity), text.data(), text.size(), addresses);
}

}  // namespace xv55::print

extern "C" XV55_API void XvPrint(std::int32_t severity, const char* format, ...) {
  va_list list;
  va_start(list, format);
  xv55::print::Values values(&list);
  xv55::print::run(severity, format, values);
  va_end(list);
}

extern "C" XV55_API void XvPrintPadded(const std::int64_t* severity, const char* text,
                                       const void* a1, const void* a2, const void* a3,
                                       const void* a4, const void* a5, std::int64_t textLength) {
  const void* const addresses[5] = {a1, a2, a3, a4, a5};
  const std::int32_t level = severity ? static_cast<std::int32_t>(*severity) : 0;
  xv55::print::bridge(level, text ? text : "",
                      text && textLength > 0 ? static_cast<std::size_t>(textLength) : 0, addresses);
}
