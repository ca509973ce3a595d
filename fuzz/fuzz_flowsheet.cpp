// libFuzzer target over the reference host's flowsheet reader.  Each input is a flag
// byte and the JSON text of a flowsheet file, read either into an empty host or over a
// loaded flowsheet (which a refused text must leave as it was).  A text that names user
// libraries is skipped: loading one runs foreign code, which is not the reader's.
// Every input starts from a reset host.
// Run (on a copy of the corpus):
//   cp -r fuzz/corpus/flowsheet /tmp/xv55-fsh && build-fuzz/bin/xv55_fuzz_flowsheet
//   -max_total_time=60 /tmp/xv55-fsh
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "xv55/refhost/control.hpp"
#include "xv55/refhost/companion.hpp"
#include "xv55/refhost/control.hpp"

namespace {

constexpr const char* kLoaded = R"({
  "components": ["METHANE", "ETHANE", "PROPANE"],
  "reactions": [{"id": "RX", "routine": "FZKIN"}],
  "blocks": [
    {"id": "P.T1", "type": "TUBRX", "reactions": ["RX"]},
    {"id": "C1", "type": "TRAYCOL",
     "trays": [{"first": 1, "last": 5, "type": "sieve", "diameter": 1.5, "weirHeight": 0.05,
                "weirLength": 1.1, "downcomerArea": 0.15, "spacing": 0.6}]},
    {"id": "P.D1", "type": "EQLBRX", "streams": {"feeds": 1, "products": 2}}
  ]
})";

// Whether the text is a JSON object that names user libraries (however its key is
// spelt in escapes): loading one runs foreign code, which is not the reader's.
bool namesLibraries(const std::string& text) {
  const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
  return document.is_object() && document.contains("libraries");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace cp = xv55::refhost::companion;
  xv55::refhost::reset();
  if (size == 0) return 0;
  // The first byte: whether a flowsheet is loaded first.
  if (data[0] & 1) (void)cp::loadFlowsheet(kLoaded);
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (namesLibraries(text)) return 0;
  const cp::LoadResult result = cp::loadFlowsheet(text);
  if (!result && result.message.empty()) __builtin_trap();  // a refusal says why
  return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The host's own reports go to standard output.
  if (!std::freopen("/dev/null", "w", stdout)) return 0;
  return 0;
}
