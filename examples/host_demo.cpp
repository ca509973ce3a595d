// A small host: loads build/lib/libxv55.so, installs a printer, and calls
// procedures through the fourteen-argument block, printing values, derivatives
// and the messages the library sends.
#include <dlfcn.h>
#include <linux/limits.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "xv55/host/objects.hpp"
#include "xv55/testing/block_builder.hpp"
#include "xv55/xv55.h"

namespace {

class ConsolePrinter final : public xv55::XvPrinter {
 public:
  void writeLine(const char* line) override { std::printf("    | %s\n", line); }
  void endMessage(std::int32_t severity) override {
    std::printf("    | (end of message, severity %d)\n", severity);
  }
};

std::string libraryPath() {
  char self[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string dir = n > 0 ? std::string(self, static_cast<std::size_t>(n)) : std::string("./x");
  dir = dir.substr(0, dir.rfind('/'));
  return dir + "/../lib/libxv55.so";
}

// The status a procedure returned; the demo starts every call from 0, which no
// procedure writes, so 0 means the procedure left it alone.
void show(const char* title, xv55::BlockBuilder& b) {
  if (b.status == 0) {
    std::printf("  %s: status untouched\n", title);
  } else {
    std::printf("  %s: status %lld\n", title, static_cast<long long>(b.status));
  }
  for (std::int64_t i = 1; i <= b.outputCells(); ++i) {
    std::printf("    out%lld = %.10g", static_cast<long long>(i), b.out(i));
    if (b.callType == 3 || b.callType == 4) {
      std::printf("   d/din:");
      for (std::int64_t j = 1; j <= b.inputColumns(); ++j) {
        const double d = b.derivative(i, j);
        if (d == xv55::BlockBuilder::kUntouched) {
          std::printf(" .");
        } else {
          std::printf(" %.6g", d);
        }
      }
    }
    std::printf("\n");
  }
}

Xv55Entry entryOf(void* lib, const char* name) {
  return reinterpret_cast<Xv55Entry>(dlsym(lib, name));
}

void squareRoot(void* lib) {
  std::printf("\nSigned square root of -4 (XV55IF_SPSQRT)\n");
  xv55::BlockBuilder b;
  b.real(-4.0);
  b.output();
  b.call(entryOf(lib, "XV55IF_SPSQRT"), 4);
  show("y = -sqrt(4)", b);
}

void ramp(void* lib) {
  std::printf("\nClipped ramp from (0, 10) to (2, 20) at x = 1.5 (XV55IF_SPRAMP)\n");
  xv55::BlockBuilder b;
  for (double v : {1.5, 0.0, 2.0, 10.0, 20.0}) b.real(v);
  b.output();
  b.call(entryOf(lib, "XV55IF_SPRAMP"), 4);
  show("y", b);
}

// A 2 x 2 product, then the same with a vector of the wrong length.
void matrixProduct(void* lib) {
  std::printf("\nMatrix times vector, 2 x 2 (XV55IF_SPMATR)\n");
  xv55::BlockBuilder b;
  const double a[] = {1, 3, 2, 4};
  b.reals(a, {2, 2});
  b.reals({10.0, 100.0});
  b.outputs(2);
  b.call(entryOf(lib, "XV55IF_SPMATR"), 4);
  show("Y = A B", b);
  std::printf("\nThe same with mismatched dimensions (A is 2 x 2, B has 3 cells)\n");
  xv55::BlockBuilder bad;
  bad.reals(a, {2, 2});
  bad.reals({1.0, 2.0, 3.0});
  bad.outputs(2);
  bad.call(entryOf(lib, "XV55IF_SPMATR"), 4);
  show("refused", bad);
}

void chokedFlux(void* lib) {
  std::printf("\nChoked mass flux of a flashing liquid (XV55IF_PSIMPINT)\n");
  std::printf("  P0 = 10 bar, Ps = 8 bar, Pb = 1 bar, V0 = 0.001 m3/kg, a = 0.8, n = 1, N = 20\n");
  xv55::BlockBuilder b;
  for (double v : {10.0, 8.0, 1.0, 0.001, 0.8, 1.0, 20.0}) b.real(v);
  b.outputs(1);
  b.output();
  b.output();
  b.call(entryOf(lib, "XV55IF_PSIMPINT"), 0);
  show("G (kg/m2 s), Pm (bar), M", b);
}

}  // namespace

int main() {
  const std::string path = libraryPath();
  void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
    return 1;
  }
  auto init = reinterpret_cast<std::int32_t (*)(const InitBlock*)>(dlsym(lib, "QRInitialize"));
  ConsolePrinter printer;
  const InitBlock block{1, &printer, nullptr, 0};
  std::printf("QRInitialize -> %d\n", init(&block));

  squareRoot(lib);
  ramp(lib);
  matrixProduct(lib);
  chokedFlux(lib);
  dlclose(lib);
  return 0;
}
