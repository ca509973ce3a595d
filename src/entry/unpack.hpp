// From the fourteen-argument block to a procedure body's own argument list.
//
// A body is a plain function whose parameter types say what each argument is:
//   const R&                               a named argument record (record.hpp): its
//                                          fields, in order, are the arguments below
//   const double&  / const std::int64_t&   a real / integer input cell
//   Text, Unused                           a text input (declared length 40) / an unread input
//   Vector<const T>, Matrix<const T>       an input array (one / two extents from inputSizes)
//   double&, Vector<double>, Matrix<double>
//                                          a real output cell / output array
//   Status, HostContext, Workspace, Jacobian, CallMode, HostCallType
//                                          the trailing arguments the body uses
// Inputs and outputs are taken in parameter order from inputPositions /
// outputPositions, array extents in order from inputSizes / outputSizes.  The
// entry point only computes addresses; it copies no cell.
//
// Derivative columns and rows.  Column j of the derivative matrix is the j-th input
// element counted in argument order over all inputs: a scalar or a text counts one,
// an array the product of its extents, wherever inputPositions places its cells.
// Row i is the i-th output element counted the same way.  The cursor counts them
// while it unpacks, and a record hands each of its fields its first column (input)
// or row (output) in `at`.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <tuple>
#include <type_traits>

#include "common/units.hpp"
#include "entry/views.hpp"
#include "xv55/xv55.h"

namespace xv55::entry {

inline constexpr std::int64_t kCellBytes = 8;

struct ArgumentBlock {
  void* inputs;
  const std::int64_t* inputSizes;
  void* outputs;
  const std::int64_t* outputSizes;
  const std::int64_t* inputPositions;
  const std::int64_t* outputPositions;
  std::int64_t* status;
  const std::int64_t* hostContext;
  double* realWork;
  const std::int64_t* realWorkLength;
  double* derivatives;
  const std::int64_t* derivativeRows;
  const std::int64_t* derivativeColumns;
  std::int64_t* callType;
};

// What one positional argument of a procedure is; used by tools and the fuzzer to
// build well-formed blocks.
enum class ArgKind : std::uint8_t {
  RealIn,
  IntegerIn,
  TextIn,
  UnusedIn,
  RealVectorIn,
  IntegerVectorIn,
  RealMatrixIn,
  IntegerMatrixIn,
  RealOut,
  RealVectorOut,
  RealMatrixOut,
  Trailing,  // status, context, workspace, derivatives, call type: not positional
};

constexpr bool isInput(ArgKind k) {
  return k <= ArgKind::IntegerMatrixIn;
}
constexpr bool isOutput(ArgKind k) {
  return k == ArgKind::RealOut || k == ArgKind::RealVectorOut || k == ArgKind::RealMatrixOut;
}
constexpr int extentsOf(ArgKind k) {
  switch (k) {
    case ArgKind::RealVectorIn:
    case ArgKind::IntegerVectorIn:
    case ArgKind::RealVectorOut:
      return 1;
    case ArgKind::RealMatrixIn:
    case ArgKind::IntegerMatrixIn:
    case ArgKind::RealMatrixOut:
      return 2;
    default:
      return 0;
  }
}

// One positional argument as tools see it: its name and unit (from the body's
// argument record; null for an unnamed parameter) and its kind.
struct ArgumentInfo {
  const char* name;
  const char* unit;
  ArgKind kind;
};

// Element counts never overflow: a hostile extent saturates the count.
constexpr std::int64_t elementsOf(std::int64_t extent) {
  return extent > 0 ? extent : 0;
}
constexpr std::int64_t saturatingProduct(std::int64_t a, std::int64_t b) {
  std::int64_t product = 0;
  return __builtin_mul_overflow(a, b, &product) ? std::numeric_limits<std::int64_t>::max()
                                                : product;
}
constexpr std::int64_t saturatingSum(std::int64_t a, std::int64_t b) {
  std::int64_t sum = 0;
  return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<std::int64_t>::max() : sum;
}

template <class P>
struct Arg;  // one specialisation per parameter type a body may declare

// Walks the block in argument order, counting input and output elements (the
// derivative matrix's columns and rows).
class Cursor {
 public:
  explicit Cursor(const ArgumentBlock& block) : b_(block) {}

  template <class T>
  T* input() {
    return cell<T>(b_.inputs, b_.inputPositions[nextInput_++]);
  }
  template <class T>
  T* output() {
    return cell<T>(b_.outputs, b_.outputPositions[nextOutput_++]);
  }
  std::int64_t inputExtent() { return b_.inputSizes[nextInputSize_++]; }
  std::int64_t outputExtent() { return b_.outputSizes[nextOutputSize_++]; }
  void skipInput() { ++nextInput_; }
  const ArgumentBlock& block() const { return b_; }

  // Output and input elements counted so far: once every argument is taken, the
  // derivative matrix's rows and columns.
  std::int64_t rowsCounted() const { return nextRow_ - 1; }
  std::int64_t columnsCounted() const { return nextColumn_ - 1; }

  // The argument just taken occupies this many columns (inputs) or rows (outputs).
  void countColumns(std::int64_t elements) { nextColumn_ = saturatingSum(nextColumn_, elements); }
  void countRows(std::int64_t elements) { nextRow_ = saturatingSum(nextRow_, elements); }

  // The first column (input) or row (output) of the next argument of kind T.
  template <class T>
  std::int64_t start() const {
    return isOutput(Arg<T>::kind) ? nextRow_ : nextColumn_;
  }
  // One field of a record: records its first column (or row) in `at`, then takes it.
  template <class T>
  decltype(auto) field(std::int64_t& at) {
    at = start<T>();
    return Arg<T>::take(*this);
  }

 private:
  template <class T>
  static T* cell(void* base, std::int64_t position) {
    return reinterpret_cast<T*>(static_cast<std::byte*>(base) + (position - 1) * kCellBytes);
  }

  const ArgumentBlock& b_;
  std::int64_t nextInput_ = 0;
  std::int64_t nextOutput_ = 0;
  std::int64_t nextInputSize_ = 0;
  std::int64_t nextOutputSize_ = 0;
  std::int64_t nextColumn_ = 1;
  std::int64_t nextRow_ = 1;
};

template <>
struct Arg<const double&> {
  static constexpr ArgKind kind = ArgKind::RealIn;
  static const double& take(Cursor& c) {
    c.countColumns(1);
    return *c.input<const double>();
  }
};
template <>
struct Arg<const std::int64_t&> {
  static constexpr ArgKind kind = ArgKind::IntegerIn;
  static const std::int64_t& take(Cursor& c) {
    c.countColumns(1);
    return *c.input<const std::int64_t>();
  }
};
template <>
struct Arg<Text> {
  static constexpr ArgKind kind = ArgKind::TextIn;
  static Text take(Cursor& c) {
    c.countColumns(1);  // a text is one element, whatever cells its characters fill
    return Text(c.input<const char>(), units::kTextLength);
  }
};
template <>
struct Arg<Unused> {
  static constexpr ArgKind kind = ArgKind::UnusedIn;
  static Unused take(Cursor& c) {
    c.countColumns(1);
    c.skipInput();
    return {};
  }
};
template <>
struct Arg<double&> {
  static constexpr ArgKind kind = ArgKind::RealOut;
  static double& take(Cursor& c) {
    c.countRows(1);
    return *c.output<double>();
  }
};
// Array arguments.  An input's elements are `const T`, its extents are input sizes and
// its elements derivative columns; an output's are T, output sizes and rows.
template <class E>
struct ArrayArg {
  static constexpr bool kInput = std::is_const_v<E>;
  static E* first(Cursor& c) {
    if constexpr (kInput) {
      return c.template input<E>();
    } else {
      return c.template output<E>();
    }
  }
  static std::int64_t extent(Cursor& c) { return kInput ? c.inputExtent() : c.outputExtent(); }
  static void count(Cursor& c, std::int64_t elements) {
    if constexpr (kInput) {
      c.countColumns(elements);
    } else {
      c.countRows(elements);
    }
  }
  // The array's first cell, then its N extents (first dimension first); its elements
  // are counted.
  template <class View, std::size_t N>
  static View take(Cursor& c) {
    E* data = first(c);
    std::array<std::int64_t, N> extents{};
    std::int64_t elements = 1;
    for (std::int64_t& e : extents) {
      e = extent(c);
      elements = saturatingProduct(elements, elementsOf(e));
    }
    count(c, elements);
    return std::apply([data](auto... e) { return View{data, e...}; }, extents);
  }
};
// The kinds of the arrays of each element type: real and integer inputs, real outputs.
template <class E>
struct ArrayKinds;
template <>
struct ArrayKinds<const double> {
  static constexpr ArgKind vector = ArgKind::RealVectorIn, matrix = ArgKind::RealMatrixIn;
};
template <>
struct ArrayKinds<const std::int64_t> {
  static constexpr ArgKind vector = ArgKind::IntegerVectorIn, matrix = ArgKind::IntegerMatrixIn;
};
template <>
struct ArrayKinds<double> {
  static constexpr ArgKind vector = ArgKind::RealVectorOut, matrix = ArgKind::RealMatrixOut;
};
template <class E>
struct Arg<Vector<E>> {
  static constexpr ArgKind kind = ArrayKinds<E>::vector;
  static Vector<E> take(Cursor& c) { return ArrayArg<E>::template take<Vector<E>, 1>(c); }
};
template <class E>
struct Arg<Matrix<E>> {
  static constexpr ArgKind kind = ArrayKinds<E>::matrix;
  static Matrix<E> take(Cursor& c) { return ArrayArg<E>::template take<Matrix<E>, 2>(c); }
};

// A named argument record (record.hpp), passed to the body by const reference.
template <class R>
concept ArgumentRecord = requires(Cursor& c) {
  { R::kFields } -> std::convertible_to<std::span<const ArgumentInfo>>;
  { R::take(c) } -> std::same_as<R>;
};
template <ArgumentRecord R>
struct Arg<const R&> {
  static constexpr ArgKind kind = ArgKind::Trailing;  // not itself positional
  static R take(Cursor& c) { return R::take(c); }
};
template <>
struct Arg<Status> {
  static constexpr ArgKind kind = ArgKind::Trailing;
  static Status take(Cursor& c) { return Status(c.block().status); }
};
template <>
struct Arg<HostContext> {
  static constexpr ArgKind kind = ArgKind::Trailing;
  static HostContext take(Cursor& c) { return HostContext(*c.block().hostContext); }
};
template <>
struct Arg<Workspace> {
  static constexpr ArgKind kind = ArgKind::Trailing;
  static Workspace take(Cursor& c) { return {c.block().realWork, *c.block().realWorkLength}; }
};
template <>
struct Arg<Jacobian> {
  static constexpr ArgKind kind = ArgKind::Trailing;
  static Jacobian take(Cursor& c) {
    return {c.block().derivatives, *c.block().derivativeRows, *c.block().derivativeColumns};
  }
};
template <>
struct Arg<CallMode> {
  static constexpr ArgKind kind = ArgKind::Trailing;
  static CallMode take(Cursor& c) { return CallMode(*c.block().callType); }
};

// The host's own callType cell, not a copy: the user-routine interfaces pass it on by
// address (everything else reads its call type through CallMode, a copy).
class HostCallType {
 public:
  explicit HostCallType(std::int64_t* cell) : cell_(cell) {}
  // What the host asks of this call.
  CallMode mode() const { return CallMode(*cell_); }
  // The host's cell itself.
  std::int64_t* address() const { return cell_; }

 private:
  std::int64_t* cell_;
};
template <>
struct Arg<HostCallType> {
  static constexpr ArgKind kind = ArgKind::Trailing;
  static HostCallType take(Cursor& c) { return HostCallType(c.block().callType); }
};

// What the unpacker keeps for a parameter: the record itself for a record, the
// reference or view otherwise.
template <class P>
struct StoredAs {
  using type = P;
};
template <ArgumentRecord R>
struct StoredAs<const R&> {
  using type = R;
};

// The positional arguments one parameter stands for (a record's fields, or the
// parameter itself, unnamed).
template <class P>
constexpr std::size_t positionalCount() {
  if constexpr (ArgumentRecord<std::remove_cvref_t<P>>) {
    return std::size(std::remove_cvref_t<P>::kFields);
  } else {
    return Arg<P>::kind == ArgKind::Trailing ? 0 : 1;
  }
}
template <class P, std::size_t N>
constexpr void appendPositional(std::array<ArgumentInfo, N>& out, std::size_t& next) {
  if constexpr (ArgumentRecord<std::remove_cvref_t<P>>) {
    for (const ArgumentInfo& f : std::remove_cvref_t<P>::kFields) out[next++] = f;
  } else if constexpr (Arg<P>::kind != ArgKind::Trailing) {
    out[next++] = {nullptr, "", Arg<P>::kind};
  }
}

// What a body may return: a body that rejects its input says so, so that an
// entry point that reports information after every call leaves the failure
// standing.
enum class Outcome {
  Done,
  Rejected,
};

// Whether the host's derivative matrix holds the rows x columns a body with
// derivatives writes (counted by the cursor).  Negative extents never fit; an
// empty shape fits any matrix with non-negative extents, even without storage.
inline bool derivativeShapeFits(const ArgumentBlock& block, std::int64_t rows,
                                std::int64_t columns) {
  const std::int64_t givenRows = *block.derivativeRows;
  const std::int64_t givenColumns = *block.derivativeColumns;
  if (rows > 0 && columns > 0) {  // then the given extents are positive as well
    return block.derivatives != nullptr && givenRows >= rows && givenColumns >= columns;
  }
  return givenRows >= 0 && givenColumns >= 0;
}

// Refuses a call whose derivative matrix is too small (status 4, one message);
// out of line, so that the entry points carry only the test.  It takes the status
// cell alone: handing it the block would make every entry point lay the block out
// in memory.
void refuseDerivativeShape(std::int64_t* status, const char* procedure, std::int64_t rows,
                           std::int64_t columns);

template <class F>
struct BodyOf;
template <class Result, class... P>
struct BodyOf<Result (*)(P...)> {
  static_assert(std::is_void_v<Result> || std::is_same_v<Result, Outcome>,
                "a procedure body returns nothing or an Outcome");

  // The positional arguments of the body, in order.
  static constexpr auto positional() {
    constexpr std::size_t n = (positionalCount<P>() + ... + 0);
    std::array<ArgumentInfo, n> out{};
    std::size_t next = 0;
    (appendPositional<P>(out, next), ...);
    return out;
  }

  // A body that writes derivatives declares a Jacobian.
  static constexpr bool kWritesDerivatives = (std::is_same_v<P, Jacobian> || ...);

  // Takes the parameters one after the other, in order, each into a local of its
  // own (a record is built in place), and calls the body with them: nothing is
  // copied on the way.  Once all are taken the cursor knows the derivative
  // matrix's shape; a call that asks for derivatives into a smaller matrix is
  // refused before the body runs.
  template <auto Body, class... Remaining>
  struct Taker;
  template <auto Body>
  struct Taker<Body> {
    template <class... Taken>
    static Outcome call(Cursor& cursor, const char* procedure, Taken&... taken) {
      if constexpr (kWritesDerivatives) {
        const ArgumentBlock& block = cursor.block();
        if (CallMode(*block.callType).wantsDerivatives() &&
            !derivativeShapeFits(block, cursor.rowsCounted(), cursor.columnsCounted()))
            [[unlikely]] {
          refuseDerivativeShape(block.status, procedure, cursor.rowsCounted(),
                                cursor.columnsCounted());
          return Outcome::Rejected;
        }
      } else {
        (void)cursor;
        (void)procedure;
      }
      if constexpr (std::is_void_v<Result>) {
        Body(taken...);
        return Outcome::Done;
      } else {
        return Body(taken...);
      }
    }
  };
  template <auto Body, class Next, class... Rest>
  struct Taker<Body, Next, Rest...> {
    template <class... Taken>
    static Outcome call(Cursor& cursor, const char* procedure, Taken&... taken) {
      typename StoredAs<Next>::type next = Arg<Next>::take(cursor);
      return Taker<Body, Rest...>::call(cursor, procedure, taken..., next);
    }
  };

  template <auto Body>
  static Outcome call(const ArgumentBlock& block, const char* procedure) {
    Cursor cursor(block);
    return Taker<Body, P...>::call(cursor, procedure);
  }
};

// What the entry point does after the body returns.
enum class AfterBody {
  Nothing,
  // status is set to 1, unless the body rejected its input (status 4 then stands).
  ReportInformation,
};

// `procedure` is the entry point's name, for the refusal of a derivative matrix
// that is too small.
template <auto Body, AfterBody After>
void enter(const ArgumentBlock& block, const char* procedure = "") {
  const Outcome outcome = BodyOf<decltype(Body)>::template call<Body>(block, procedure);
  if constexpr (After == AfterBody::ReportInformation) {
    if (outcome != Outcome::Rejected) *block.status = XV55_STATUS_INFORMATION;
  }
}

template <auto Body>
inline constexpr auto kPositional = BodyOf<decltype(Body)>::positional();

// Whether every positional argument of a body is named (tools list them by name):
// only a record's fields carry names, so every positional parameter must be a record.
// Decided from the parameter types, not by comparing name addresses with null, which
// a compiler that keeps null-pointer checks (as the sanitizers do) cannot evaluate at
// compile time for names built in a constant.
template <class P>
constexpr bool namedParameter() {
  return ArgumentRecord<std::remove_cvref_t<P>> || Arg<P>::kind == ArgKind::Trailing;
}
template <class F>
struct AllNamed;
template <class Result, class... P>
struct AllNamed<Result (*)(P...)> {
  static constexpr bool value = (namedParameter<P>() && ...);
};
template <auto Body>
constexpr bool allNamed() {
  return AllNamed<decltype(Body)>::value;
}

// One exported procedure, as the registry lists it.
struct ProcedureInfo {
  const char* name;
  Xv55Entry entry;
  std::span<const ArgumentInfo> arguments;
  bool writesDerivatives = false;  // for call types 3 and 4, into a matrix of the call's shape
};

// Every procedure entry point of the library, in export-table order.
std::span<const ProcedureInfo> procedures();

}  // namespace xv55::entry
