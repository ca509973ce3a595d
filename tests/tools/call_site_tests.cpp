// Inputs by name laid out as the block a host passes, and the results read back by
// name: kinds, extents, labels and the mistakes a user makes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

#include "call_site.hpp"
#include "check.hpp"
#include "entry/record.hpp"
#include "session.hpp"

namespace {

using xv55::tools::CallSite;
using xv55::tools::findProcedure;
using xv55::tools::Json;
using xv55::tools::Session;
using xv55::tools::UsageError;

// The message of the UsageError that f throws ("" when none).
template <class F>
std::string usageError(F f) {
  try {
    f();
  } catch (const UsageError& e) {
    return e.what();
  }
  return "";
}

// A matrix input laid out column-major with a label per element; a refused call keeps
// its outputs and writes no derivative; non-finite values are named.
TEST(CallSite, LaysOutMatricesColumnMajorReportsRefusalsAndNamesNonFiniteValues) {
  Session session;
  CallSite site(findProcedure("spmatr"), 0);
  site.set(Json::parse(R"({"a": [[1, 3, 5], [2, 4, 6]], "b": [1, 1.5, 2], "y": 2})"));
  const auto r = site.call(session, 4);
  EXPECT_EQ(site.columnLabels(),
            (std::vector<std::string>{"a[1,1]", "a[2,1]", "a[1,2]", "a[2,2]", "a[1,3]", "a[2,3]",
                                      "b[1]", "b[2]", "b[3]"}));
  EXPECT_EQ(site.rowLabels(), (std::vector<std::string>{"y[1]", "y[2]"}));
  EXPECT_EQ(site.column("a[2,3]"), 6);
  const Json out = site.resultJson(r);
  EXPECT_EQ(out["outputs"]["y"], Json::parse("[15.5, 20.0]"));
  EXPECT_EQ(out["derivatives"]["matrix"][1][5], 2.0);  // dy(2)/da(2,3) = b(3)
  EXPECT_EQ(out["derivatives"]["matrix"][0][7], 3.0);  // dy(1)/db(2) = a(1,2)

  site.set(Json::parse(R"({"a": [[1, 2]], "b": [1], "y": [7]})"));
  const auto refused = site.call(session, 0);
  EXPECT_EQ(refused.status, 4);
  EXPECT_EQ(refused.messages.size(), 1u);
  EXPECT_EQ(refused.outputs, std::vector<double>{7.0});  // not reached: kept as given
  EXPECT_TRUE(refused.derivatives.empty());              // values only: nothing written

  CallSite root(findProcedure("spsqrt"), 0);
  root.set("x", Json("-inf"));
  EXPECT_EQ(root.resultJson(root.call(session, 4))["outputs"]["y"], "nan");
  root.set("x", 0.0);
  EXPECT_EQ(root.resultJson(root.call(session, 4))["derivatives"]["matrix"][0][0], "inf");
}

// A probe with a matrix output between a vector and a scalar output, unpacked by the
// library's own entry mechanics: m(i, j) = (10 i + j) x, v(k) = k x, s = x^2.  A
// values-only call of type 0 with x = 0 writes nothing, so what was given shows.
XV55_RECORD(ProbeArguments,
            (const double&, x, ""),
            (xv55::Vector<double>, v, ""),
            (xv55::Matrix<double>, m, "mol/mol"),
            (double&, s, ""));
void probeBody(const ProbeArguments& a, xv55::Jacobian jac, xv55::CallMode mode) {
  const bool write = mode.wantsValues() && a.x != 0.0;
  for (std::int64_t j = 1; j <= a.m.columns(); ++j) {
    for (std::int64_t i = 1; i <= a.m.rows(); ++i) {
      const auto row = a.at.m + xv55::Matrix<double>::cellOf(i, j, a.m.rows()) - 1;
      if (write) a.m(i, j) = static_cast<double>(10 * i + j) * a.x;
      if (mode.wantsDerivatives()) jac.set(row, a.at.x, static_cast<double>(10 * i + j));  // dm/dx
    }
  }
  for (std::int64_t k = 1; k <= a.v.size(); ++k) {
    if (write) a.v(k) = static_cast<double>(k) * a.x;
    if (mode.wantsDerivatives()) jac.set(a.at.v + k - 1, a.at.x, static_cast<double>(k));  // dv/dx
  }
  if (write) a.s = a.x * a.x;
  if (mode.wantsDerivatives()) jac.set(a.at.s, a.at.x, 2.0 * a.x);  // ds/dx
}
void probeEntry(XV55_ENTRY_PARAMS) {
  xv55::entry::enter<&probeBody, xv55::entry::AfterBody::Nothing>(
      {inputs, inputSizes, outputs, outputSizes, inputPositions, outputPositions, status,
       hostContext, realWork, realWorkLength, derivatives, derivativeRows, derivativeColumns,
       callType});
}
const xv55::entry::ProcedureInfo kProbe{"XV55IF_TESTMATRIX", &probeEntry,
                                        xv55::entry::kPositional<&probeBody>};

TEST(MatrixOutput, CellsAndLabelsLandWhereTheProcedureWritesThem) {
  Session session;
  CallSite site(kProbe, 0);
  site.set(Json::parse(R"({"x": 2, "v": 2, "m": [2, 3]})"));
  const auto r = site.call(session, 4);
  EXPECT_EQ(site.rowLabels(),
            (std::vector<std::string>{"v[1]", "v[2]", "m[1,1]", "m[2,1]", "m[1,2]", "m[2,2]",
                                      "m[1,3]", "m[2,3]", "s"}));
  const Json out = site.resultJson(r);
  EXPECT_EQ(out["outputs"]["m"], Json::parse("[[22, 24, 26], [42, 44, 46]]"));
  EXPECT_EQ(out["outputs"]["v"], Json::parse("[2, 4]"));
  EXPECT_EQ(out["outputs"]["s"], 4.0);
  // The derivative rows in the order of the labels: dv[k]/dx = k, dm[i,j]/dx = 10 i + j.
  EXPECT_EQ(out["derivatives"]["matrix"],
            Json::parse("[[1], [2], [11], [21], [12], [22], [13], [23], [4]]"));
  xv55::tools::CheckSettings settings;
  settings.pointsAround = 1;
  EXPECT_TRUE(xv55::tools::checkSite(site, session, settings).ok);

  // Contents given as rows are stored column-major and come back as rows.
  site.set(Json::parse(R"({"x": 0, "m": [[1, 2, 3], [4, 5, 6]]})"));
  const auto kept = site.call(session, 0);
  EXPECT_EQ(std::vector<double>(kept.outputs.begin() + 2, kept.outputs.begin() + 5),
            (std::vector<double>{1, 4, 2}));
  EXPECT_EQ(site.outputsJson(kept)["m"], Json::parse("[[1, 2, 3], [4, 5, 6]]"));
  // Empty shapes: no rows, or rows without columns.
  site.set("m", Json::parse("[0, 3]"));
  EXPECT_EQ(site.outputsJson(site.call(session, 4))["m"], Json::array());
  site.set("m", Json::parse("[2, 0]"));
  EXPECT_EQ(site.outputsJson(site.call(session, 4))["m"], Json::parse("[[], []]"));
  EXPECT_EQ(site.rowLabels(), (std::vector<std::string>{"v[1]", "v[2]", "s"}));
}

TEST(CallSite, KeepsOutputCellsAndWorkspaceFromCallToCall) {
  Session session;
  CallSite ramp(findProcedure("spramp"), 3);
  ramp.set(Json::parse(R"({"x": 2.5, "x1": 1, "x2": 3, "y1": 10, "y2": 20})"));
  EXPECT_EQ(ramp.call(session, 0).outputs[0], 17.5);
  ramp.set("x", 2.0);  // a new layout; the output cell keeps 17.5 ...
  const auto r = ramp.call(session, 3);
  EXPECT_EQ(r.outputs[0], 17.5);
  EXPECT_EQ(r.derivatives[1], (17.5 - 20.0) / 2.0);  // ... which a derivative-only call reads
  ramp.set("y", 16.0);                               // unless given again
  EXPECT_EQ(ramp.call(session, 3).derivatives[1], -2.0);
  ramp.block().work[2] = 42.0;
  ramp.set("x", 1.0);
  ramp.prepare();
  EXPECT_EQ(ramp.block().work.size(), 3u);
  EXPECT_EQ(ramp.block().work[2], 42.0);
}

// Values at the edges of what a call site takes: refused with a message that starts
// so, or accepted ("").  How the command line shows such messages is tested there.
TEST(CallSite, RefusesWhatTheProcedureCannotTake) {
  const auto refusal = [](const xv55::entry::ProcedureInfo& p, const std::string& inputs) {
    return usageError([&] {
      CallSite site(p, 0);
      site.set(Json::parse(inputs));
      site.prepare();
    });
  };
  const std::string m = R"({"x": 1, "v": 1, "m": )";
  const std::pair<std::string, std::string> probeCases[] = {
      {"[3, 2.0]}", ""},
      {"[]}", ""},
      {R"([["nan", 1]]})", ""},
      {"[2.5, 3]}", "the shape [2.5,3] is not [rows, columns]"},
      {"[4194304, 2]}", "the shape [4194304,2] is not"},
      {"[18446744073709551615, 1]}", "the shape [18446744073709551615,1] is not"},
      {"[1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20]}",
       "expected its shape [rows, columns] or a list of its rows, got "
       "[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,..."},
      {"[[1, 2], [3]]}", "rows of different lengths (2 and 1)"},
  };
  const auto expect = [](const std::string& got, const std::string& start) {
    EXPECT_EQ(start.empty() ? got : got.substr(0, start.size()), start);
  };
  for (const auto& [value, message] : probeCases) {
    SCOPED_TRACE(value);
    expect(refusal(kProbe, m + value),
           message.empty() ? "" : "XV55IF_TESTMATRIX: output m: " + message);
  }
  EXPECT_EQ(refusal(kProbe, R"({"x": 1, "v": 1})"),
            "XV55IF_TESTMATRIX: output m needs its shape (m=[rows,columns] or a list of rows)");
  const std::tuple<const char*, const char*, std::string> cases[] = {
      {"spramp", R"({"x": 1, "x1": 1, "x2": 3, "y1": 10, "y2": 20})", ""},
      {"sprecv", R"({"x": [1], "n": 2.5, "y": 1})",
       "XV55IF_SPRECV: input n: expected an integer, got the number 2.5"},
      {"sprecv", R"({"x": [1], "n": 18446744073709551615, "y": 1})",
       "XV55IF_SPRECV: input n: the integer 18446744073709551615 is out of range"},
      {"sprecv", R"({"x": [1], "n": 2})",
       "XV55IF_SPRECV: output y needs its number of cells (y=N or a list)"},
      {"sprecv", R"({"x": [1], "n": 2, "y": -1})",
       "XV55IF_SPRECV: output y: expected its number of cells (0 to 4194304) or a list of its "
       "contents, got the number -1"},
      {"spmatr", "[1]", "inputs of XV55IF_SPMATR are a JSON object of name: value, not a list"},
      // Empty arrays are arrays of extent 0; an integer-valued real is an integer.
      {"sprecv", R"({"x": [], "n": 2.0, "y": []})", ""},
      {"spmatr", R"({"a": [], "b": [], "y": 0})", ""},
      // A derivative matrix too large to lay out is refused before anything is allocated.
      {"sprecv", R"({"x": [1, 1, 1, 1, 1], "n": 1, "y": 4194304})",
       "XV55IF_SPRECV: the derivative matrix would have 4194304 x 6 elements"},
      {"sprecv", R"({"x": [1], "n": 1, "y": 4194305})",
       "XV55IF_SPRECV: output y: expected its number of cells"},
  };
  for (const auto& [procedure, inputs, message] : cases) {
    SCOPED_TRACE(inputs);
    expect(refusal(findProcedure(procedure), inputs), message);
  }
}

TEST(CallSite, TextsAndCommandLineValues) {
  const xv55::entry::ArgumentInfo text{"type", "", xv55::entry::ArgKind::TextIn};
  const xv55::entry::ArgumentInfo real{"x", "", xv55::entry::ArgKind::RealIn};
  EXPECT_EQ(xv55::tools::commandLineValue(text, "\"quoted\""), "quoted");
  EXPECT_EQ(xv55::tools::commandLineValue(real, "[1, 2]"), Json::parse("[1, 2]"));
  EXPECT_EQ(xv55::tools::commandLineValue(real, "nan"), "nan");
  const xv55::entry::ProcedureInfo& p = findProcedure("spramp");
  EXPECT_EQ(xv55::tools::checkValue(p, text, std::string(40, 'a')).text.size(), 40u);
  EXPECT_NE(usageError([&] { xv55::tools::checkValue(p, text, std::string(41, 'a')); }), "");
  EXPECT_NE(usageError([&] { xv55::tools::checkValue(p, text, 3); }), "");
  EXPECT_EQ(xv55::tools::callTypeOf("Set-up"), 1);
}

}  // namespace
