// From the fourteen-argument block to a procedure body's own argument list.
//
// A body is a plain function whose parameter types say what each argument is:
//   const double&  / const std::int64_t&   a real / integer input cell
//   Text, Unused                           a text input (declared length 40) / an unread input
//   Vector<const T>, Matrix<const T>       an input array (one / two extents from inputSizes)
//   double&, Vector<double>                a real output cell / output array
//   Status, HostContext, Workspace, Jacobian, CallMode
//                                          the trailing arguments the body uses
// Inputs and outputs are taken in parameter order from inputPositions /
// outputPositions, array extents in order from inputSizes / outputSizes.  The
// entry point only computes addresses; it copies no cell.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <tuple>

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
  Trailing,  // status, context, workspace, derivatives, call type: not positional
};

constexpr bool isInput(ArgKind k) {
  return k <= ArgKind::IntegerMatrixIn;
}
constexpr int extentsOf(ArgKind k) {
  switch (k) {
    case ArgKind::RealVectorIn:
    case ArgKind::IntegerVectorIn:
    case ArgKind::RealVectorOut:
      return 1;
    case ArgKind::RealMatrixIn:
    case ArgKind::IntegerMatrixIn:
      return 2;
    default:
      return 0;
  }
}

// Walks the block in argument order.
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
};

template <class P>
struct Arg;  // one specialisation per parameter type a body may declare

template <>
struct Arg<const double&> {
  static constexpr ArgKind kind = ArgKind::RealIn;
  static const double& take(Cursor& c) { return *c.input<const double>(); }
};
template <>
struct Arg<const std::int64_t&> {
  static constexpr ArgKind kind = ArgKind::IntegerIn;
  static const std::int64_t& take(Cursor& c) { return *c.input<const std::int64_t>(); }
};
template <>
struct Arg<Text> {
  static constexpr ArgKind kind = ArgKind::TextIn;
  static Text take(Cursor& c) { return Text(c.input<const char>()); }
};
template <>
struct Arg<Unused> {
  static constexpr ArgKind kind = ArgKind::UnusedIn;
  static Unused take(Cursor& c) {
    c.skipInput();
    return {};
  }
};
template <>
struct Arg<Vector<const double>> {
  static constexpr ArgKind kind = ArgKind::RealVectorIn;
  static Vector<const double> take(Cursor& c) {
    const double* data = c.input<const double>();
    return {data, c.inputExtent()};
  }
};
template <>
struct Arg<Vector<const std::int64_t>> {
  static constexpr ArgKind kind = ArgKind::IntegerVectorIn;
  static Vector<const std::int64_t> take(Cursor& c) {
    const std::int64_t* data = c.input<const std::int64_t>();
    return {data, c.inputExtent()};
  }
};
template <>
struct Arg<Matrix<const double>> {
  static constexpr ArgKind kind = ArgKind::RealMatrixIn;
  static Matrix<const double> take(Cursor& c) {
    const double* data = c.input<const double>();
    const std::int64_t rows = c.inputExtent();
    return {data, rows, c.inputExtent()};
  }
};
template <>
struct Arg<Matrix<const std::int64_t>> {
  static constexpr ArgKind kind = ArgKind::IntegerMatrixIn;
  static Matrix<const std::int64_t> take(Cursor& c) {
    const std::int64_t* data = c.input<const std::int64_t>();
    const std::int64_t rows = c.inputExtent();
    return {data, rows, c.inputExtent()};
  }
};
template <>
struct Arg<double&> {
  static constexpr ArgKind kind = ArgKind::RealOut;
  static double& take(Cursor& c) { return *c.output<double>(); }
};
template <>
struct Arg<Vector<double>> {
  static constexpr ArgKind kind = ArgKind::RealVectorOut;
  static Vector<double> take(Cursor& c) {
    double* data = c.output<double>();
    return {data, c.outputExtent()};
  }
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

template <class F>
struct BodyOf;
template <class... P>
struct BodyOf<void (*)(P...)> {
  // The positional arguments of the body, in order.
  static constexpr auto positional() {
    constexpr std::array<ArgKind, sizeof...(P)> all{Arg<P>::kind...};
    constexpr std::size_t n = [&] {
      std::size_t count = 0;
      for (ArgKind k : all) count += k != ArgKind::Trailing;
      return count;
    }();
    std::array<ArgKind, n> out{};
    std::size_t next = 0;
    for (ArgKind k : all) {
      if (k != ArgKind::Trailing) out[next++] = k;
    }
    return out;
  }

  template <auto Body>
  static void call(const ArgumentBlock& block) {
    Cursor cursor(block);
    // Braced initialisation takes the arguments strictly in parameter order.
    std::tuple<P...> args{Arg<P>::take(cursor)...};
    std::apply(Body, args);
  }
};

// What the entry point does after the body returns.
enum class AfterBody {
  Nothing,
  ReportInformation,  // status is set to 1 whatever the body did
};

template <auto Body, AfterBody After>
void enter(const ArgumentBlock& block) {
  BodyOf<decltype(Body)>::template call<Body>(block);
  if constexpr (After == AfterBody::ReportInformation) *block.status = XV55_STATUS_INFORMATION;
}

template <auto Body>
inline constexpr auto kPositional = BodyOf<decltype(Body)>::positional();

// One exported procedure, as the registry lists it.
struct ProcedureInfo {
  const char* name;
  Xv55Entry entry;
  std::span<const ArgKind> arguments;
};

// Every procedure entry point of the library, in export-table order.
std::span<const ProcedureInfo> procedures();

}  // namespace xv55::entry
