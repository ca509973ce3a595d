// libFuzzer target over the reference host's flowsheet reader.  Each input is the
// text of a flowsheet file, read either into an empty host or over a loaded
// flowsheet (which a refused text must leave as it was).  Lines that name a user
// library are blanked: loading one runs foreign code, which is not the reader's.
// Every input starts from a reset host.
// Run (on a copy of the corpus):
//   cp -r fuzz/corpus/flowsheet /tmp/xv55-fsh && build-fuzz/bin/xv55_fuzz_flowsheet
//   -max_total_time=60 /tmp/xv55-fsh
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "xv55/refhost/companion.hpp"
#include "xv55/refhost/control.hpp"

namespace {

constexpr const char* kLoaded = R"(
components METHANE ETHANE PROPANE
reaction RX FZKIN
block P.T1 TUBRX
  reactions RX
block C1 TRAYCOL
  trays 1 5 sieve 1.5 0.05 1.1 0.15 0.6
block P.D1 EQLBRX
  streams 1 2
)";

// Blanks every line that holds the word "library" in any case.
std::string withoutLibraries(std::string text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (std::size_t at = lower.find("library"); at != std::string::npos;
       at = lower.find("library", at + 1)) {
    const std::size_t begin = lower.find_last_of("\r\n", at);
    const std::size_t first = begin == std::string::npos ? 0 : begin + 1;
    const std::size_t end = std::min(lower.find_first_of("\r\n", at), text.size());
    std::fill(text.begin() + static_cast<std::ptrdiff_t>(first),
              text.begin() + static_cast<std::ptrdiff_t>(end), ' ');
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace cp = xv55::refhost::companion;
  xv55::refhost::reset();
  if (size == 0) return 0;
  // The first byte: whether a flowsheet is loaded first.
  if (data[0] & 1) (void)cp::loadFlowsheet(kLoaded);
  const std::string text =
      withoutLibraries(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  const cp::LoadResult result = cp::loadFlowsheet(text);
  if (!result && result.message.empty()) __builtin_trap();  // a refusal says why
  return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The host's own reports go to standard output.
  if (!std::freopen("/dev/null", "w", stdout)) return 0;
  return 0;
}
