// Named argument records: a procedure body declares its inputs and outputs as the
// fields of one struct, in argument order, each with its type and unit:
//
//   XV55_RECORD(SqrtArguments,
//               (const double&, x, "1"),
//               (double&, y, "1"));
//   void SPSQRT(const SqrtArguments& a, Jacobian jac, CallMode mode);
//
// Field types are those of unpack.hpp (const double&, const std::int64_t&, Text,
// Unused, Vector<const T>, Matrix<const T>, double&, Vector<double>, Matrix<double>).
// The unpacker fills the fields in order from the block, so swapping two arguments
// shows in the record, and tools read the names, kinds and units from `kFields`.
//
// Field groups.  Arguments that several records share in the same order are declared
// once as a group, and a record names the group as one member, `(Group, member)`:
//
//   XV55_GROUP(Conditions,
//              (const double&, temperature, "degC"),
//              (const double&, pressure, "bar"));
//   XV55_RECORD(FlashArguments,
//               (Text, blockId, ""),
//               (Conditions, state),
//               (double&, enthalpy, "MJ/kmol"));
//
// The body reads `a.state.temperature`, and a helper takes `const Conditions&`;
// `g.forEachField(visit)` calls `visit(name, value)` for each of a group's fields in
// order, under the field's own name (a held group's fields in its place).  A
// group may itself hold groups.  The group's fields are arguments in their place, in
// their order, and `kFields` lists them flat under their own names ("temperature").
// A record that holds one group twice wraps it in `Prefixed<Group>`: then the
// member's name leads each field's name, the field's first letter in capitals
// (`(Prefixed<Stream>, feed)` lists "feedFlow", "feedTemperature", ...).  Names are
// unique within a record; a clash does not compile.
//
// `at` holds, under each field's name, the field's first derivative column (for an
// input) or row (for an output): `jac.set(a.at.y, a.at.x, dydx)`.  Element k of an
// array field is at `a.at.name + k - 1`.  A group's columns are at
// `a.at.member.field` (`a.at.state.temperature`); they are of type `Group::Cells`,
// which a helper that writes derivatives may take beside the group.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "entry/unpack.hpp"

namespace xv55::entry {

// The descriptions of a record's or group's arguments, one array per field or group,
// laid end to end.
template <std::size_t... N>
constexpr auto joinFields(const std::array<ArgumentInfo, N>&... parts) {
  std::array<ArgumentInfo, (N + ... + 0)> out{};
  std::size_t next = 0;
  ((std::copy(parts.begin(), parts.end(), out.begin() + static_cast<std::ptrdiff_t>(next)),
    next += N),
   ...);
  return out;
}

template <class P>
constexpr std::array<ArgumentInfo, 1> fieldInfo(const char* name, const char* unit) {
  return {ArgumentInfo{name, unit, Arg<P>::kind}};
}

template <std::size_t N>
constexpr bool namesAreUnique(const std::array<ArgumentInfo, N>& fields) {
  for (std::size_t i = 0; i < N; ++i) {
    for (std::size_t j = i + 1; j < N; ++j) {
      if (std::string_view(fields[i].name) == std::string_view(fields[j].name)) return false;
    }
  }
  return true;
}

// A member name as a template argument.
template <std::size_t N>
struct MemberName {
  constexpr MemberName(const char (&s)[N]) {  // NOLINT: converts from a literal
    std::copy(s, s + N, text);
  }
  char text[N] = {};
};

inline constexpr std::size_t kLongestArgumentName = 64;

// `Prefixed<G>` is group G whose fields are listed under the member's name joined to
// theirs ("feed" + "flow" = "feedFlow").
template <class G>
struct Prefixed : G {
  using Cells = typename G::Cells;
  static Prefixed take(Cursor& c, Cells& at) { return Prefixed{G::take(c, at)}; }
};

template <class G, MemberName Prefix>
constexpr auto joinedNames() {
  std::array<std::array<char, kLongestArgumentName>, std::size(G::kFields)> names{};
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string_view head(Prefix.text), tail(G::kFields[i].name);
    if (head.size() + tail.size() >= kLongestArgumentName) throw "argument name too long";
    std::copy(head.begin(), head.end(), names[i].begin());
    names[i][head.size()] =
        tail[0] >= 'a' && tail[0] <= 'z' ? static_cast<char>(tail[0] - 32) : tail[0];
    std::copy(tail.begin() + 1, tail.end(), names[i].begin() + head.size() + 1);
  }
  return names;
}
template <class G, MemberName Prefix>
inline constexpr auto kJoinedNames = joinedNames<G, Prefix>();

// The arguments a group member stands for, as the record lists them.
template <class G, MemberName Member>
struct GroupFields {
  static constexpr auto get() { return G::kFields; }
};
template <class G, MemberName Member>
struct GroupFields<Prefixed<G>, Member> {
  static constexpr auto get() {
    auto fields = G::kFields;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      fields[i].name = kJoinedNames<G, Member>[i].data();
    }
    return fields;
  }
};

}  // namespace xv55::entry

// ---- a for-each over parenthesised field descriptions ----
#define XV55_PARENS ()
#define XV55_EXPAND(...) XV55_EXPAND4(XV55_EXPAND4(XV55_EXPAND4(XV55_EXPAND4(__VA_ARGS__))))
#define XV55_EXPAND4(...) XV55_EXPAND3(XV55_EXPAND3(XV55_EXPAND3(XV55_EXPAND3(__VA_ARGS__))))
#define XV55_EXPAND3(...) XV55_EXPAND2(XV55_EXPAND2(XV55_EXPAND2(XV55_EXPAND2(__VA_ARGS__))))
#define XV55_EXPAND2(...) XV55_EXPAND1(XV55_EXPAND1(XV55_EXPAND1(XV55_EXPAND1(__VA_ARGS__))))
#define XV55_EXPAND1(...) __VA_ARGS__
#define XV55_FOR_EACH(macro, ...) __VA_OPT__(XV55_EXPAND(XV55_FOR_EACH_HELPER(macro, __VA_ARGS__)))
#define XV55_FOR_EACH_HELPER(macro, first, ...) \
  macro first __VA_OPT__(XV55_FOR_EACH_AGAIN XV55_PARENS(macro, __VA_ARGS__))
#define XV55_FOR_EACH_AGAIN() XV55_FOR_EACH_HELPER

// A description is a field (type, name, unit) or a group member (Group, name): the
// number of its elements picks the expansion.
#define XV55_CONCAT(a, b) XV55_CONCAT_(a, b)
#define XV55_CONCAT_(a, b) a##b
#define XV55_ARITY(...) XV55_ARITY_(__VA_ARGS__, 3, 2, 1, )
#define XV55_ARITY_(a, b, c, n, ...) n
#define XV55_BY_ARITY(what, ...) XV55_CONCAT(what, XV55_ARITY(__VA_ARGS__))(__VA_ARGS__)

// ---- what each description expands to ----
#define XV55_RECORD_MEMBER(...) XV55_BY_ARITY(XV55_RECORD_MEMBER, __VA_ARGS__)
#define XV55_RECORD_MEMBER3(type, name, unit) type name;
#define XV55_RECORD_MEMBER2(group, name) group name;
#define XV55_RECORD_CELL(...) XV55_BY_ARITY(XV55_RECORD_CELL, __VA_ARGS__)
#define XV55_RECORD_CELL3(type, name, unit) std::int64_t name;
#define XV55_RECORD_CELL2(group, name) typename group::Cells name;
#define XV55_RECORD_INFO(...) XV55_BY_ARITY(XV55_RECORD_INFO, __VA_ARGS__)
#define XV55_RECORD_INFO3(type, name, unit) ::xv55::entry::fieldInfo<type>(#name, unit),
#define XV55_RECORD_INFO2(group, name) ::xv55::entry::GroupFields<group, #name>::get(),
#define XV55_RECORD_TAKE(...) XV55_BY_ARITY(XV55_RECORD_TAKE, __VA_ARGS__)
#define XV55_RECORD_TAKE3(type, name, unit) c.template field<type>(at.name),
#define XV55_RECORD_TAKE2(group, name) group::take(c, at.name),

#define XV55_RECORD_VISIT(...) XV55_BY_ARITY(XV55_RECORD_VISIT, __VA_ARGS__)
#define XV55_RECORD_VISIT3(type, name, unit) visit(#name, name);
#define XV55_RECORD_VISIT2(group, name) name.forEachField(visit);

#define XV55_RECORD_FIELDS(...)                                                                   \
  static constexpr auto kFields = ::xv55::entry::joinFields(                                      \
      XV55_FOR_EACH(XV55_RECORD_INFO, __VA_ARGS__) std::array<::xv55::entry::ArgumentInfo, 0>{}); \
  static_assert(::xv55::entry::namesAreUnique(kFields), "two arguments share a name");

#define XV55_RECORD(Name, ...)                                      \
  struct Name {                                                     \
    XV55_FOR_EACH(XV55_RECORD_MEMBER, __VA_ARGS__)                  \
    struct Cells {                                                  \
      XV55_FOR_EACH(XV55_RECORD_CELL, __VA_ARGS__)                  \
    } at;                                                           \
    XV55_RECORD_FIELDS(__VA_ARGS__)                                 \
    static Name take(::xv55::entry::Cursor& c) {                    \
      Cells at;                                                     \
      return Name{XV55_FOR_EACH(XV55_RECORD_TAKE, __VA_ARGS__) at}; \
    }                                                               \
  }

// A group: its fields, their columns (`Cells`) and their descriptions; `take` fills
// the fields and their columns in order.  A group may have no fields (a record
// template's member that some of its records do without).
#define XV55_GROUP(Name, ...)                                                                 \
  struct Name {                                                                               \
    XV55_FOR_EACH(XV55_RECORD_MEMBER, __VA_ARGS__)                                            \
    struct Cells {                                                                            \
      XV55_FOR_EACH(XV55_RECORD_CELL, __VA_ARGS__)                                            \
    };                                                                                        \
    XV55_RECORD_FIELDS(__VA_ARGS__)                                                           \
    static Name take([[maybe_unused]] ::xv55::entry::Cursor& c, [[maybe_unused]] Cells& at) { \
      return Name{XV55_FOR_EACH(XV55_RECORD_TAKE, __VA_ARGS__)};                              \
    }                                                                                         \
    template <class Visit>                                                                    \
    void forEachField([[maybe_unused]] Visit&& visit) const {                                 \
      XV55_FOR_EACH(XV55_RECORD_VISIT, __VA_ARGS__)                                           \
    }                                                                                         \
  }
