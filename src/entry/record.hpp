// Named argument records: a procedure body declares its inputs and outputs as the
// fields of one struct, in argument order, each with its type and unit:
//
//   XV55_RECORD(SqrtArguments,
//               (const double&, x, ""),
//               (double&, y, ""));
//   void SPSQRT(const SqrtArguments& a, Jacobian jac, CallMode mode);
//
// Field types are those of unpack.hpp (const double&, const std::int64_t&, Text,
// Unused, Vector<const T>, Matrix<const T>, double&, Vector<double>, Matrix<double>).
// The unpacker fills the fields in order from the block, so swapping two arguments
// shows in the record, and tools read the names, kinds and units from `kFields`.
//
// `at` holds, under each field's name, the field's first derivative column (for an
// input) or row (for an output): `jac.set(a.at.y, a.at.x, dydx)`.  Element k of an
// array field is at `a.at.name + k - 1`.
#pragma once

#include <cstdint>

#include "entry/unpack.hpp"

// ---- a for-each over parenthesised field descriptions (type, name, unit) ----
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

// ---- what each field description expands to ----
#define XV55_RECORD_MEMBER(type, name, unit) type name;
#define XV55_RECORD_CELL(type, name, unit) std::int64_t name;
#define XV55_RECORD_INFO(type, name, unit) \
  ::xv55::entry::ArgumentInfo{#name, unit, ::xv55::entry::Arg<type>::kind},
#define XV55_RECORD_TAKE(type, name, unit) c.template field<type>(at.name),

#define XV55_RECORD(Name, ...)                                      \
  struct Name {                                                     \
    XV55_FOR_EACH(XV55_RECORD_MEMBER, __VA_ARGS__)                  \
    struct Cells {                                                  \
      XV55_FOR_EACH(XV55_RECORD_CELL, __VA_ARGS__)                  \
    } at;                                                           \
    static constexpr ::xv55::entry::ArgumentInfo kFields[] = {      \
        XV55_FOR_EACH(XV55_RECORD_INFO, __VA_ARGS__)};              \
    static Name take(::xv55::entry::Cursor& c) {                    \
      Cells at;                                                     \
      return Name{XV55_FOR_EACH(XV55_RECORD_TAKE, __VA_ARGS__) at}; \
    }                                                               \
  }
