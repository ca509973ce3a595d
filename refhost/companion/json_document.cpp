// Reading a JSON text with the line of every value: nlohmann-json's event parser builds
// the value while an iterator over the text counts its lines.  Each event comes right
// after the parser has read its token, at most one character further (the one ending a
// number, which lies on the number's line), so the line of the last character read is the
// line of the value.
#include "json_document.hpp"

#include <cstddef>
#include <iterator>
#include <utility>
#include <vector>

namespace xv55::refhost::companion::detail {
namespace {

using nlohmann::json;

struct LineCount {
  std::int64_t ofLastRead = 1;  // the line of the last character read
  std::int64_t ofNext = 1;      // the line of the next one
};

// Walks the text like a pointer and counts the lines it passes.
class CountingIterator {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  CountingIterator(const char* at, LineCount* count) : at_(at), count_(count) {}
  reference operator*() const { return *at_; }
  CountingIterator& operator++() {
    count_->ofLastRead = count_->ofNext;
    if (*at_ == '\n') ++count_->ofNext;
    ++at_;
    return *this;
  }
  CountingIterator operator++(int) {
    CountingIterator before = *this;
    ++*this;
    return before;
  }
  bool operator==(const CountingIterator& other) const { return at_ == other.at_; }
  bool operator!=(const CountingIterator& other) const { return at_ != other.at_; }

 private:
  const char* at_;
  LineCount* count_;
};

// The events of nlohmann-json's parser, turned into the value and its lines.
class Builder {
 public:
  Builder(JsonDocument& document, const LineCount& count) : doc_(document), count_(count) {}

  bool null() { return put(nullptr); }
  bool boolean(bool v) { return put(v); }
  bool number_integer(json::number_integer_t v) { return put(v); }
  bool number_unsigned(json::number_unsigned_t v) { return put(v); }
  bool number_float(json::number_float_t v, const std::string&) { return put(v); }
  bool string(std::string& v) { return put(std::move(v)); }
  bool binary(json::binary_t&) { return false; }  // a JSON text holds none
  bool start_object(std::size_t) { return open(json::object()); }
  bool start_array(std::size_t) { return open(json::array()); }
  bool end_object() { return close(); }
  bool end_array() { return close(); }

  bool key(std::string& k) {
    const Open& parent = open_.back();
    key_ = std::move(k);
    keyPending_ = true;
    if (!parent.value->contains(key_)) return true;
    return refuse(parent.pointer + "/" + pointerToken(key_), "the key is given twice");
  }

  template <class Exception>
  bool parse_error(std::size_t, const std::string&, const Exception& e) {
    // "[json.exception.parse_error.101] parse error at line 3, column 5: syntax error ..."
    // or "[json.exception.out_of_range.406] number overflow parsing '1e400'"
    std::string what = e.what();
    if (const std::size_t id = what.find("] "); id != std::string::npos) what.erase(0, id + 2);
    if (what.rfind("parse error", 0) == 0) {
      if (const std::size_t colon = what.find(": "); colon != std::string::npos) {
        what.erase(0, colon + 2);
      }
    }
    std::string at;
    if (!open_.empty()) {
      at = open_.back().pointer;
      // The value of a key being read: the key is known, the value not yet placed.
      if (open_.back().value->is_object() && keyPending_) at.append("/").append(pointerToken(key_));
    }
    return refuse(at, what);
  }

  std::int64_t line = 0;
  std::string pointer;
  std::string error;

 private:
  struct Open {
    json* value;
    std::string pointer;
  };

  bool refuse(std::string at, std::string why) {
    line = count_.ofLastRead;
    pointer = std::move(at);
    error = std::move(why);
    return false;
  }

  // Places a value in the object or list being read (or as the root) and notes its line.
  json* place(json&& value, std::string& at) {
    json* slot = &doc_.root;
    if (!open_.empty()) {
      Open& parent = open_.back();
      if (parent.value->is_object()) {
        keyPending_ = false;
        at = parent.pointer + "/" + pointerToken(key_);
        slot = &(*parent.value)[key_];
      } else {
        at = parent.pointer + "/" + std::to_string(parent.value->size());
        parent.value->push_back(json());
        slot = &parent.value->back();
      }
    }
    *slot = std::move(value);
    doc_.lines[at] = count_.ofLastRead;
    return slot;
  }

  bool put(json&& value) {
    std::string at;
    place(std::move(value), at);
    return true;
  }

  bool open(json&& value) {
    std::string at;
    json* slot = place(std::move(value), at);
    if (open_.size() == kMaxJsonDepth) {
      return refuse(
          at, "objects and lists nest deeper than " + std::to_string(kMaxJsonDepth) + " levels");
    }
    open_.push_back({slot, std::move(at)});
    return true;
  }

  bool close() {
    open_.pop_back();
    return true;
  }

  JsonDocument& doc_;
  const LineCount& count_;
  std::vector<Open> open_;
  std::string key_;
  bool keyPending_ = false;  // key_ is read, its value not yet
};

}  // namespace

std::int64_t JsonDocument::lineOf(std::string_view pointer) const {
  const auto it = lines.find(pointer);
  return it == lines.end() ? 0 : it->second;
}

std::string pointerToken(std::string_view key) {
  std::string token;
  for (const char c : key) {
    if (c == '~') {
      token += "~0";
    } else if (c == '/') {
      token += "~1";
    } else {
      token += c;
    }
  }
  return token;
}

bool readJsonDocument(std::string_view text, JsonDocument& document, std::int64_t& line,
                      std::string& pointer, std::string& error) {
  document = JsonDocument{};
  LineCount count;
  Builder builder(document, count);
  const CountingIterator first(text.data(), &count), last(text.data() + text.size(), &count);
  if (json::sax_parse(first, last, &builder)) return true;
  line = builder.line;
  pointer = builder.pointer;
  error = builder.error;
  return false;
}

}  // namespace xv55::refhost::companion::detail
