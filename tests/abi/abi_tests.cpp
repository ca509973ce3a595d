// The library as a host sees it: loaded with dlopen, called through a hand-built
// fourteen-argument block, initialised with a printer of the host's.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "xv55/host/objects.hpp"
#include "xv55/xv55.h"

namespace {

class Library {
 public:
  Library() : handle_(dlopen(XV55_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL)) {}
  ~Library() {
    if (handle_) dlclose(handle_);
  }
  template <class F>
  F get(const char* name) const {
    return reinterpret_cast<F>(dlsym(handle_, name));
  }
  bool loaded() const { return handle_ != nullptr; }

 private:
  void* handle_;
};

class Printer final : public xv55::XvPrinter {
 public:
  void writeLine(const char* line) override { lines.emplace_back(line); }
  void endMessage(std::int32_t severity) override { severities.push_back(severity); }
  std::vector<std::string> lines;
  std::vector<std::int32_t> severities;
};

class Abi : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib.loaded()) << dlerror();
    auto init = lib.get<int32_t (*)(const InitBlock*)>("QRInitialize");
    ASSERT_NE(init, nullptr);
    const InitBlock block{1, &printer, nullptr, 0};
    ASSERT_EQ(init(&block), 1);
  }
  void TearDown() override {
    const InitBlock block{1, nullptr, nullptr, 0};
    lib.get<int32_t (*)(const InitBlock*)>("QRInitialize")(&block);
  }
  Library lib;
  Printer printer;
};

TEST_F(Abi, SignedSquareRootThroughARawBlock) {
  auto entry = lib.get<Xv55Entry>("XV55IF_SPSQRT");
  ASSERT_NE(entry, nullptr);
  // The input sits in cell 3 of the host's array, the output in cell 2.
  double inputs[4] = {0, 0, -4.0, 0};
  double outputs[2] = {0, 0};
  const std::int64_t inPos[] = {3}, outPos[] = {2}, sizes[] = {0};
  std::int64_t status = 0, callType = 4;
  const std::int64_t context = 0, workLength = 0, rows = 1, columns = 1;
  double work[1] = {0};
  double derivatives[1] = {-1};
  entry(inputs, sizes, outputs, sizes, inPos, outPos, &status, &context, work, &workLength,
        derivatives, &rows, &columns, &callType);
  EXPECT_EQ(std::vector<double>({outputs[0], outputs[1], derivatives[0]}),
            (std::vector<double>{0.0, -2.0, 0.25}));
  EXPECT_EQ(callType, 4);  // the host's copies are left alone
  EXPECT_EQ(rows, 1);
}

TEST_F(Abi, InitialisationDataIsTheLibrarysCopy) {
  auto data = lib.get<InitBlock* (*)()>("GetDLLInitializationData");
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data()->version, 1);
  EXPECT_EQ(data()->printer, &printer);
  auto* kind = lib.get<std::int64_t*>("SAIPRNAM");
  ASSERT_NE(kind, nullptr);
  EXPECT_EQ(*kind, 0);
}

}  // namespace
