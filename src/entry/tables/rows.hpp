// The rows of a family's export table, written as the family's namespace, what the entry
// point does after the body returns, and the procedures' names, each name once:
//
//   XV55_ROWS(X, pipe, Nothing, SPPINT, SPPINT3)
//
// stands for X(SPPINT, pipe::SPPINT, Nothing) X(SPPINT3, pipe::SPPINT3, Nothing): each
// entry point is named after its body.
#pragma once

#define XV55_ROWS(X, family, after, ...) \
  __VA_OPT__(XV55_ROWS_EXPAND(XV55_ROWS_EACH(X, family, after, __VA_ARGS__)))

// One row, then the rest through a deferred call; XV55_ROWS_EXPAND rescans the text
// enough times for a family of up to 80 procedures.
#define XV55_ROWS_EACH(X, family, after, name, ...) \
  X(name, family::name, after)                      \
  __VA_OPT__(XV55_ROWS_AGAIN XV55_ROWS_PARENS(X, family, after, __VA_ARGS__))
#define XV55_ROWS_AGAIN() XV55_ROWS_EACH
#define XV55_ROWS_PARENS ()
#define XV55_ROWS_EXPAND(...) XV55_ROWS_EXPAND4(XV55_ROWS_EXPAND4(XV55_ROWS_EXPAND4(__VA_ARGS__)))
#define XV55_ROWS_EXPAND4(...) XV55_ROWS_EXPAND3(XV55_ROWS_EXPAND3(XV55_ROWS_EXPAND3(__VA_ARGS__)))
#define XV55_ROWS_EXPAND3(...) XV55_ROWS_EXPAND2(XV55_ROWS_EXPAND2(XV55_ROWS_EXPAND2(__VA_ARGS__)))
#define XV55_ROWS_EXPAND2(...) XV55_ROWS_EXPAND1(XV55_ROWS_EXPAND1(XV55_ROWS_EXPAND1(__VA_ARGS__)))
#define XV55_ROWS_EXPAND1(...) __VA_ARGS__
