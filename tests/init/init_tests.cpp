// Initialisation: the block, the fallback options handler and its proxy, and
// solver-option requests.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "print/print.hpp"
#include "support/capture_printer.hpp"
#include "xv55/host/objects.hpp"
#include "xv55/xv55.h"

namespace {

using xv55::testing::CapturePrinter;

// Answers every request with `outcome`, the integer given, 2.5 and the text given.
struct Handler final : QSMOptionsHandler {
  explicit Handler(std::int32_t o, std::int64_t i = 0, const char* t = nullptr)
      : outcome(o), integer(i), text(t) {}
  std::int32_t request(std::int32_t, std::int64_t* intResult, double* valueResult,
                       const char** textResult) override {
    ++calls;
    *intResult = integer;
    *valueResult = 2.5;
    if (text) *textResult = text;
    return outcome;
  }
  std::int32_t outcome;
  std::int64_t integer;
  const char* text;
  int calls = 0;
};

// Each test starts from a library with no printer and no options handler.
class Init : public ::testing::Test {
 protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  static void reset() {
    const InitBlock none{1, nullptr, nullptr, 0};
    QRInitialize(&none);
    std::memset(GetDLLInitializationData(), 0, sizeof(InitBlock));
  }
  static void install(void* printer, void* handler) {
    const InitBlock block{1, printer, handler, 0};
    ASSERT_EQ(QRInitialize(&block), 1);
  }
  // Outcome of a request into the given result cells and text buffer.
  static std::int64_t request(std::int64_t code, std::int64_t* integer = nullptr,
                              double* value = nullptr, char* text = nullptr,
                              std::int64_t length = 0) {
    std::int64_t i = -5, outcome = 9;
    double v = -5.0;
    char none[1] = {};
    QSM_RQST_F(&code, integer ? integer : &i, value ? value : &v, text ? text : none, &outcome,
               &length);
    return outcome;
  }
};

TEST_F(Init, AcceptsVersionsOneToThreeAndRefusesOthersKeepingTheEarlierState) {
  CapturePrinter printer;
  Handler handler(0, 5);
  for (std::int64_t version : {3, 1, 2}) {
    const InitBlock block{version, &printer, &handler, 77};
    ASSERT_EQ(QRInitialize(&block), 1);
    EXPECT_EQ(GetDLLInitializationData()->version, version);
    EXPECT_EQ(GetDLLInitializationData()->extra, 77);
  }
  const InitBlock bad{4, nullptr, nullptr, 0};
  const InitBlock high{(std::int64_t{1} << 32) | 9, nullptr, nullptr, 0};  // low half is 9
  for (const InitBlock* refused : {&bad, &high, static_cast<const InitBlock*>(nullptr)}) {
    EXPECT_EQ(QRInitialize(refused), 0);
  }
  EXPECT_EQ(GetDLLInitializationData()->version, 2);
  EXPECT_EQ(xv55::print::hostPrinter(), &printer);
  std::int64_t integer = 0;
  EXPECT_EQ(request(20, &integer), 0);
  EXPECT_EQ(integer, 5);
}

// The registered handler answers what the host's handler does not; registering again
// replaces it but keeps the host's, and the proxy never forwards to itself.
TEST_F(Init, ProxyAsksTheHostFirstAndTheFallbackOnlyWhenTheHostDoesNotAnswer) {
  Handler silent(XV55_OPTION_NOT_ANSWERED), answering(0, 8), fallback(3, 11), second(2);
  EXPECT_EQ(RegisterDummyOptionsHandler(&fallback), 1);  // before initialisation
  EXPECT_EQ(GetDLLInitializationData()->version, 1);
  std::int64_t integer = 0;
  EXPECT_EQ(request(31, &integer), 3);
  install(nullptr, &silent);
  EXPECT_EQ(RegisterDummyOptionsHandler(&fallback), 0);
  EXPECT_EQ(request(20, &integer), 3);
  EXPECT_EQ(integer, 11);
  EXPECT_EQ(silent.calls, 1);
  EXPECT_EQ(RegisterDummyOptionsHandler(&second), 0);
  EXPECT_EQ(request(31), 2);
  EXPECT_EQ(silent.calls, 2);
  EXPECT_EQ(fallback.calls, 2);
  RegisterDummyOptionsHandler(GetDLLInitializationData()->optionsHandler);
  EXPECT_EQ(request(31), -1);

  install(nullptr, &answering);
  RegisterDummyOptionsHandler(&fallback);
  EXPECT_EQ(request(20, &integer), 0);
  EXPECT_EQ(integer, 8);
  EXPECT_EQ(fallback.calls, 2);
  install(nullptr, &silent);
  RegisterDummyOptionsHandler(nullptr);
  EXPECT_EQ(request(18), -1);
}

TEST_F(Init, RequestCopiesTheTextAnswerTerminatedAndWithinTheBuffer) {
  Handler host(0, 0, "a long option text");
  install(nullptr, &host);
  char text[8];
  for (std::int64_t length : {6, 0}) {
    std::memset(text, '#', sizeof text);
    EXPECT_EQ(request(18, nullptr, nullptr, text, length), 0);
    EXPECT_EQ(std::string(text, 7), length == 6 ? std::string("a lon\0#", 7) : "#######");
  }
}

TEST_F(Init, RequestWithoutAHandlerIsRefusedWithAMessage) {
  CapturePrinter printer;
  install(&printer, nullptr);
  std::int64_t integer = 7;
  double value = 3.5;
  EXPECT_EQ(request(20, &integer, &value), -1);
  EXPECT_EQ(integer, 0);
  EXPECT_EQ(value, 0.0);
  EXPECT_EQ(printer.lines,
            std::vector<std::string>{"QSM Solver options not available, QSM_RQST_F 20 refused"});
  EXPECT_EQ(printer.severities, std::vector<std::int32_t>{XV55_SEVERITY_OPTIONS_ERROR});
}

}  // namespace
