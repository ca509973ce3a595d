#include "metadata.hpp"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <utility>
#include <vector>

#include "common/units.hpp"
#include "xv55/xv55.h"

namespace xv55::tools {

using entry::ArgKind;

namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

constexpr std::string_view kPrefix = "XV55IF_";

// What `describe` shows as an argument's extent.
std::string extentText(ArgKind kind) {
  switch (entry::extentsOf(kind)) {
    case 1:
      return "n";
    case 2:
      return "rows x columns";
    default:
      return kind == ArgKind::TextIn ? std::to_string(units::kTextLength) + " characters" : "1";
  }
}

}  // namespace

namespace {
void prettyInto(const Json& v, int indent, std::string& out) {
  const auto flat = [](const Json& list) {
    return std::none_of(list.begin(), list.end(), [](const Json& e) { return e.is_structured(); });
  };
  const std::string pad(static_cast<std::size_t>(indent) + 2, ' ');
  if (v.is_object() && !v.empty()) {
    out += "{\n";
    bool first = true;
    for (const auto& item : v.items()) {
      out += (first ? "" : ",\n") + pad + Json(item.key()).dump() + ": ";
      prettyInto(item.value(), indent + 2, out);
      first = false;
    }
    out += "\n" + std::string(static_cast<std::size_t>(indent), ' ') + "}";
  } else if (v.is_array() && !v.empty() && !flat(v)) {
    out += "[\n";
    for (std::size_t k = 0; k < v.size(); ++k) {
      out += (k ? ",\n" : "") + pad;
      prettyInto(v[k], indent + 2, out);
    }
    out += "\n" + std::string(static_cast<std::size_t>(indent), ' ') + "]";
  } else if (v.is_array()) {
    out += "[";
    for (std::size_t k = 0; k < v.size(); ++k) out += (k ? ", " : "") + v[k].dump();
    out += "]";
  } else {
    out += v.dump();
  }
}
}  // namespace

std::string pretty(const Json& value) {
  std::string out;
  prettyInto(value, 0, out);
  return out + "\n";
}

namespace {

// The library's message without its "[json.exception.kind.N] " tag.
std::string withoutTag(const char* what) {
  std::string text = what;
  if (!text.empty() && text.front() == '[') {
    const std::size_t end = text.find("] ");
    if (end != std::string::npos) text.erase(0, end + 2);
  }
  return text;
}

std::string tooDeep(const std::string& what) {
  return what + " is nested more than " + std::to_string(kMaxJsonDepth) + " levels deep";
}

}  // namespace

Json parseJson(std::string_view text, const std::string& source) {
  struct TooDeep {};
  const Json::parser_callback_t bounded = [](int depth, Json::parse_event_t event, Json&) {
    if (depth >= kMaxJsonDepth &&
        (event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start)) {
      throw TooDeep{};
    }
    return true;
  };
  try {
    return Json::parse(text.begin(), text.end(), bounded);
  } catch (const TooDeep&) {
    throw UsageError(tooDeep(source));
  } catch (const Json::parse_error& e) {
    throw UsageError(source + " is not valid JSON: " + withoutTag(e.what()));
  } catch (const Json::out_of_range& e) {
    throw UsageError(source + " holds a number beyond the range of reals: " + withoutTag(e.what()));
  }
}

void requireDepth(const Json& value, const std::string& what) {
  // Depth first with a stack of its own, so that the check itself needs none.
  std::vector<std::pair<const Json*, int>> open = {{&value, 1}};
  while (!open.empty()) {
    const auto [v, depth] = open.back();
    open.pop_back();
    if (!v->is_structured()) continue;
    if (depth > kMaxJsonDepth) throw UsageError(tooDeep(what));
    for (const Json& child : *v) open.emplace_back(&child, depth + 1);
  }
}

const entry::ProcedureInfo& findProcedure(std::string_view name) {
  for (const entry::ProcedureInfo& p : entry::procedures()) {
    const std::string_view full = p.name;
    if (sameIgnoringCase(full, name) || sameIgnoringCase(full.substr(kPrefix.size()), name)) {
      return p;
    }
  }
  throw UsageError("unknown procedure '" + std::string(name) + "' (xv55 list shows them all)");
}

std::string_view kindName(ArgKind kind) {
  switch (kind) {
    case ArgKind::RealIn:
    case ArgKind::RealOut:
      return "real";
    case ArgKind::IntegerIn:
      return "integer";
    case ArgKind::TextIn:
      return "text";
    case ArgKind::UnusedIn:
      return "unused";
    case ArgKind::RealVectorIn:
    case ArgKind::RealVectorOut:
      return "real vector";
    case ArgKind::IntegerVectorIn:
      return "integer vector";
    case ArgKind::RealMatrixIn:
    case ArgKind::RealMatrixOut:
      return "real matrix";
    case ArgKind::IntegerMatrixIn:
      return "integer matrix";
    case ArgKind::Trailing:
      break;
  }
  return "trailing";
}

std::string argumentNames(const entry::ProcedureInfo& procedure, bool inputs) {
  std::string list;
  for (const entry::ArgumentInfo& a : procedure.arguments) {
    if (entry::isInput(a.kind) != inputs) continue;
    if (!list.empty()) list += ", ";
    list += a.name ? a.name : "?";
  }
  return list;
}

int countInputs(const entry::ProcedureInfo& procedure) {
  return static_cast<int>(std::count_if(procedure.arguments.begin(), procedure.arguments.end(),
                                        [](const auto& a) { return entry::isInput(a.kind); }));
}
std::string unitText(const entry::ArgumentInfo& argument) {
  if (argument.unit && *argument.unit) return argument.unit;
  switch (argument.kind) {
    case ArgKind::IntegerIn:
    case ArgKind::IntegerVectorIn:
    case ArgKind::IntegerMatrixIn:
      return "1";
    case ArgKind::TextIn:
      return "text";
    case ArgKind::UnusedIn:
      return "unused";
    default:
      return "";
  }
}

int countOutputs(const entry::ProcedureInfo& procedure) {
  return static_cast<int>(procedure.arguments.size()) - countInputs(procedure);
}

Json describeJson(const entry::ProcedureInfo& procedure) {
  Json inputs = Json::array();
  Json outputs = Json::array();
  for (const entry::ArgumentInfo& a : procedure.arguments) {
    Json arg = {{"name", a.name ? a.name : ""},
                {"kind", kindName(a.kind)},
                {"extents", entry::extentsOf(a.kind)},
                {"unit", unitText(a)}};
    (entry::isInput(a.kind) ? inputs : outputs).push_back(std::move(arg));
  }
  return {{"name", procedure.name}, {"inputs", inputs}, {"outputs", outputs}};
}

Json catalogueJson() {
  Json all = Json::array();
  for (const entry::ProcedureInfo& p : entry::procedures()) all.push_back(describeJson(p));
  return {{"textLength", units::kTextLength},
          {"callTypes",
           {{"values", XV55_CALL_VALUES},
            {"setup", XV55_CALL_SETUP},
            {"cleanup", XV55_CALL_CLEANUP},
            {"derivatives", XV55_CALL_DERIVATIVES},
            {"both", XV55_CALL_VALUES_AND_DERIVATIVES}}},
          {"procedures", all}};
}

std::string describeText(const entry::ProcedureInfo& procedure) {
  std::size_t nameWidth = 4;
  for (const auto& a : procedure.arguments) {
    nameWidth = std::max(nameWidth, std::string_view(a.name ? a.name : "").size());
  }
  std::ostringstream out;
  const int ins = countInputs(procedure);
  const int outs = countOutputs(procedure);
  out << procedure.name << ": " << ins << (ins == 1 ? " input, " : " inputs, ") << outs
      << (outs == 1 ? " output\n" : " outputs\n");
  for (const bool inputs : {true, false}) {
    out << (inputs ? "inputs" : "outputs") << ":\n";
    int k = 0;
    for (const auto& a : procedure.arguments) {
      if (entry::isInput(a.kind) != inputs) continue;
      const std::string name = a.name ? a.name : "";
      ++k;
      out << "  " << k << (k < 10 ? "  " : " ") << name << std::string(nameWidth - name.size(), ' ')
          << "  " << kindName(a.kind)
          << std::string(15 - std::min<std::size_t>(14, kindName(a.kind).size()), ' ')
          << extentText(a.kind);
      if (const std::string unit = unitText(a); !unit.empty()) out << "  [" << unit << "]";
      out << "\n";
    }
  }
  return out.str();
}

std::string listText() {
  std::ostringstream out;
  for (const entry::ProcedureInfo& p : entry::procedures()) {
    const std::string name = p.name;
    out << name << std::string(name.size() < 22 ? 22 - name.size() : 1, ' ') << "("
        << argumentNames(p, true) << ") -> (" << argumentNames(p, false) << ")\n";
  }
  return out.str();
}

}  // namespace xv55::tools
