// The kinetics procedures' argument lists as hosts and users see them: every real
// argument carries its unit, and the lists keep the length and order host models
// call them with.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "entry/unpack.hpp"

namespace {

using namespace xv55;

bool isReal(entry::ArgKind k) {
  using K = entry::ArgKind;
  return k == K::RealIn || k == K::RealVectorIn || k == K::RealMatrixIn || k == K::RealOut ||
         k == K::RealVectorOut || k == K::RealMatrixOut;
}

const entry::ProcedureInfo* find(const std::string& name) {
  for (const auto& p : entry::procedures()) {
    if (name == p.name) return &p;
  }
  return nullptr;
}

// Input counts: the reactor and stage members' as docs/kinetics.md states them; the flux
// routines' counted from its list (block identifier, mode, seven values and a
// composition per stream, the values, counts, option and parameter sets).
TEST(KineticsArguments, EveryRealArgumentHasAUnitAndTheInputCountsHold) {
  const std::map<std::string, int> inputs = {
      {"XV55IF_SPRKUSR", 25},       {"XV55IF_SPRKUSR1", 27},       {"XV55IF_SPRKUSR2", 29},
      {"XV55IF_SPRKUSR3", 30},      {"XV55IF_SPRPUSR", 32},        {"XV55IF_SPRPUSR1", 34},
      {"XV55IF_SPRPUSR2", 36},      {"XV55IF_SPRPUSR3", 37},       {"XV55IF_SPBOUSR", 23},
      {"XV55IF_SPRADKUSER", 28},    {"XV55IF_SPRDKUSR", 21},       {"XV55IF_SPRDKUS3", 24},
      {"XV55IF_SPRPDPDZ_USER", 47}, {"XV55IF_SPRPQFLUX_USER", 46}, {"XV55IF_SPRPHLD_USER", 25},
      {"XV55IF_SPBOQFLUX_USER", 18}};
  for (const auto& [name, count] : inputs) {
    const entry::ProcedureInfo* p = find(name);
    ASSERT_NE(p, nullptr) << name;
    int given = 0;
    for (const entry::ArgumentInfo& a : p->arguments) {
      if (entry::isInput(a.kind)) ++given;
      if (isReal(a.kind)) {
        EXPECT_NE(std::string(a.unit), "") << name << " " << a.name;
      }
    }
    EXPECT_EQ(given, count) << name;
  }
}

std::vector<std::string> namesOf(const char* procedure) {
  std::vector<std::string> names;
  for (const entry::ArgumentInfo& a : find(procedure)->arguments) names.emplace_back(a.name);
  return names;
}

// Arguments declared once in shared groups still appear each in its own place.
TEST(KineticsArguments, GroupedArgumentsKeepTheirPlaces) {
  EXPECT_EQ(namesOf("XV55IF_SPRPUSR1"), (std::vector<std::string>{"blockId",
                                                                  "reactionId",
                                                                  "reactorInteger",
                                                                  "tubeCount",
                                                                  "tubeLength",
                                                                  "propertyDivisor",
                                                                  "position",
                                                                  "tubeDiameter",
                                                                  "excludedFraction",
                                                                  "volumeFactor",
                                                                  "referenceTemperature",
                                                                  "temperature",
                                                                  "pressure",
                                                                  "vapourFraction",
                                                                  "liquidSplit",
                                                                  "composition",
                                                                  "flow",
                                                                  "stoichiometry",
                                                                  "integerParameters",
                                                                  "realParameters",
                                                                  "integerWorkCount",
                                                                  "realWorkCount",
                                                                  "userValueCount",
                                                                  "reactionIntegerParameters",
                                                                  "reactionRealParameters",
                                                                  "integerWorkspaceCount",
                                                                  "realWorkspaceCount",
                                                                  "phaseCode",
                                                                  "reactorProperty4",
                                                                  "reactorProperty3",
                                                                  "phaseTest",
                                                                  "reactorProperty5",
                                                                  "reactorProperty6",
                                                                  "unitSet",
                                                                  "rates"}));
  const std::vector<std::string> holdup = namesOf("XV55IF_SPRPHLD_USER");
  EXPECT_EQ(std::vector<std::string>(holdup.begin(), holdup.begin() + 11),
            (std::vector<std::string>{"blockId", "processFlow", "processTemperature",
                                      "processPressure", "processEnthalpy", "processVapourFraction",
                                      "processDensity", "processMolecularWeight",
                                      "processComposition", "option", "tubeCount"}));
  const std::vector<std::string> drop = namesOf("XV55IF_SPRPDPDZ_USER");
  EXPECT_EQ(drop[16], "feedFlow");
  EXPECT_EQ(drop[31], "fluidComposition");
  EXPECT_EQ(drop[32], "liquidViscosity");
}

}  // namespace
