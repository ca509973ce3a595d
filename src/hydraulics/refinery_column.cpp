// Refinery column hydraulics: one stage of a REFINECOL block (a main column with side
// strippers, each a section of its own) rated by the host's tray rating routine.
//
// The stage tables are laid out on each call, one entry per stage of the whole block
// (the stages of all sections, plus one when the block asks for it), all zero but the
// addressed stage's entry.  Their size comes from the block's section stage counts and
// is bounded by kMaxStages; their storage is kept for the run and grows only when a
// block has more stages than any before it (at most 15 x kMaxStages reals).
#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "host/services.hpp"
#include "hydraulics/hydraulics.hpp"
#include "hydraulics/rating.hpp"
#include "print/message_buffer.hpp"
#include "print/report.hpp"
#include "xv55/host/columns.h"

namespace xv55::hydraulics {
namespace {

using namespace detail;

// The block's sections as its tray record lists them.
struct Sections {
  std::int64_t count = 0;
  std::int64_t stages[host::kMaxColumnSections] = {};
  std::int64_t total = 0;  // entries of the stage tables
};

// Reads the section stage counts; false when the record holds no usable list.
bool readSections(const ColumnBlock& block, Sections& s) {
  const std::int64_t record = host::kTrayRecordAt;
  s.count = block.word(record + host::kRecordStagesWord).integer;
  if (s.count < 0 || s.count > host::kMaxColumnSections) return false;
  std::int64_t sum = 0;
  for (std::int64_t k = 0; k < s.count; ++k) {
    const std::int64_t n = block.word(record + host::kRecordSectionStagesWord + k).integer;
    if (n < 0 || n > kMaxStages - sum) return false;
    s.stages[k] = n;
    sum += n;
  }
  if (block.word(record + host::kRecordExtraEntryWord).integer == 1) ++sum;
  if (sum > kMaxStages) return false;
  s.total = std::max<std::int64_t>(sum, 1);
  return true;
}

void reportHoldupFailure(const ColumnBlock& block, std::int64_t section, std::int64_t stage,
                         Status status) {
  print::MessageBuffer m;
  m.stored("GPHYDRP-Fatal Error\\nLiquid holdup failed to converge during")
      .stored("rigorous hydraulics calculations\\n");
  const std::int64_t stripper = section - 1;
  if (section == 1) {
    m.stored("for main column stage %d in Refinecol block ");
  } else {
    m.stored("for stage %d of stripper %d in Refinecol block ");
  }
  m.user(block.id.nameText());
  print::report(status, kError, m, &stage, &stripper);
}

// The stage tables of one call, laid out in storage kept from call to call: table t
// holds entries t * total ... t * total + total - 1.
struct StageTablesOfCall {
  double* storage = nullptr;
  std::int64_t total = 0;
  double* operator()(Table t) const { return storage + t * static_cast<std::size_t>(total); }
};

// Lays the tables out for `total` stages, all zero but entry `global` (1-based), which
// takes the stage's quantities; false (reported) when there is no storage.
bool layOutTables(const StageEntry& e, std::int64_t total, std::int64_t global, Status status,
                  StageTablesOfCall& tables) {
  static std::vector<double> storage;
  const std::size_t words = static_cast<std::size_t>(total) * kTables;
  if (storage.size() < words) {
    try {
      storage.resize(words);
    } catch (const std::bad_alloc&) {
      report(status, kError,
             "SPHYDRP-F-No storage for the stage tables of %d stages; rigorous hydraulic "
             "calculations skipped.\\n",
             total);
      return false;
    }
  }
  std::fill_n(storage.begin(), words, 0.0);
  tables = {storage.data(), total};
  for (std::size_t k = 0; k < kTables; ++k) {
    if (k != kStageWork) tables(static_cast<Table>(k))[global - 1] = e[k];
  }
  return true;
}

// The section and stage numbers: finite inputs, both from 1 on (else reported).
bool sectionAndStage(const RefineryColumnArguments& a, Status status, std::int64_t& section,
                     std::int64_t& stage) {
  const NamedInput sectionInput[] = {{2, "section number", a.section}};
  if (!inputsAreFinite("SPHYDRP", sectionInput, status) ||
      !inputsAreFinite("SPHYDRP", stageInputsOf(a.selection, a.conditions, 3), status)) {
    return false;
  }
  section = wholeNumber(a.section);
  stage = wholeNumber(a.selection.stage);
  if (section < 1 || stage < 1) {
    report(status, kError,
           "SPHYDRP-F-Section %g, stage %g: section and stage numbers start at 1; rigorous "
           "hydraulic calculations skipped.\\n",
           a.section, a.selection.stage);
    return false;
  }
  return true;
}

// The block's sections, and the stage's index among all the block's stages; false
// (reported) when the block's record is unusable or has no such section or stage.
bool placeStage(const ColumnBlock& block, std::int64_t section, std::int64_t stage, Status status,
                Sections& s, std::int64_t& global) {
  const text::Padded<8> name = text::padded<8>(block.id.nameText());
  if (!readSections(block, s)) {
    report(status, kError,
           "SPHYDRP-F-The section stage counts of Refinecol block %s are unusable (at most %d "
           "sections of %d stages in all); rigorous hydraulic calculations skipped.\\n",
           name, host::kMaxColumnSections, kMaxStages);
    return false;
  }
  if (section > std::max<std::int64_t>(s.count, 1)) {
    report(status, kError,
           "SPHYDRP-F-Refinecol block %s has no section %d (it has %d); rigorous hydraulic "
           "calculations skipped.\\n",
           name, section, s.count);
    return false;
  }
  // A stage beyond its own section would take an entry of the next section's (or the
  // block's extra entry) and be rated with trays that are not its own.
  const std::int64_t sectionStages = s.stages[section - 1];
  if (stage > sectionStages) {
    report(status, kError,
           "SPHYDRP-F-Stage %d of section %d is beyond the %d stages of that section of "
           "Refinecol block %s; rigorous hydraulic calculations skipped.\\n",
           stage, section, sectionStages, name);
    return false;
  }
  global = stage;
  for (std::int64_t k = 0; k + 1 < section; ++k) global += s.stages[k];
  return true;
}

}  // namespace

void SPHYDRP(const RefineryColumnArguments& a, Status status, Workspace work) {
  std::int64_t section = 0, stage = 0;
  if (!sectionAndStage(a, status, section, stage)) return;

  const UnitFactors f = UnitFactors::fromHost();
  const StageInputs in = stageInputsOf(a.conditions);
  const StageEntry e = stageEntry(in, f);
  if (!densitiesAllowRating("SPHYDRP", e, status)) return;

  const std::int64_t option = wholeNumber(a.selection.option);
  presetCommonData(option, stage, section, a.selection.stageDatum, a.conditions.length * f.length);
  const ColumnBlock block = locateColumn(a.blockId, status);
  Sections s;
  std::int64_t global = 0;
  StageTablesOfCall table;
  if (!block.found || !placeStage(block, section, stage, status, s, global) ||
      !layOutTables(e, s.total, global, status, table)) {
    return;
  }
  copyTrayWords(block);

  Rating r;
  TPSR_TPSARP(&section, &s.total, s.stages, &s.count, block.record(), table(kPressure),
              table(kLiquidMass), table(kVapourMass), table(kLiquidVolume), table(kVapourVolume),
              table(kLiquidDensity), table(kVapourDensity), table(kSurfaceTension),
              table(kViscosity), table(kDatum), table(kFlowParameter), table(kVapourLoad),
              table(kStageWork), table(kLiquidMw), table(kVapourMw), block.workWords(), &r.holdup,
              r.results);

  // The rated marker is left whenever the rating ran; a failed holdup leaves every
  // output as it was.
  markRated(work);
  const double noValue = host::noValueMagnitude();
  if (holdupFailed(option, r, noValue)) {
    reportHoldupFailure(block, section, stage, status);
    return;
  }
  writeOutputs(a.out, table(kPressure)[0], f, option, r, noValue);
}

}  // namespace xv55::hydraulics
