// Tray column hydraulics: one stage of a TRAYCOL block rated by the host's tray
// rating routine.  The per-stage tables live for the whole run, one entry per stage;
// they grow to the highest stage number met (up to kMaxStages) and each call
// overwrites its own stage's entry.
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

// The run's per-stage tables, entry s (1-based) of each belonging to stage s.
class StageTables {
 public:
  // Grows every table to at least `stages` entries; false when there is no storage.
  bool reach(std::int64_t stages) {
    if (stages <= size_) return true;
    try {
      for (auto& t : tables_) t.resize(static_cast<std::size_t>(stages), 0.0);
    } catch (const std::bad_alloc&) {
      for (auto& t : tables_) t.resize(static_cast<std::size_t>(size_));
      return false;
    }
    size_ = stages;
    return true;
  }
  void store(std::int64_t stage, const StageEntry& e) {
    for (std::size_t k = 0; k < kTables; ++k) {
      if (k != kStageWork) tables_[k][static_cast<std::size_t>(stage - 1)] = e[k];
    }
  }
  double* table(Table t) { return tables_[t].data(); }
  std::int64_t size() const { return size_; }

 private:
  std::vector<double> tables_[kTables];
  std::int64_t size_ = 0;
};

StageTables& stageTables() {
  static StageTables tables;
  return tables;
}

void reportHoldupFailure(const ColumnBlock& block, std::int64_t stage, Status status) {
  print::MessageBuffer m;
  m.stored("GPHYDR-Fatal Error\\nLiquid holdup failed to converge during rigorous ")
      .stored("hydraulics calculations \\n")
      .stored("for stage %d  in Traycol block ")
      .user(block.id.nameText());
  print::report(status, kError, m, &stage);
}

// The stage number: finite inputs and a stage the tables can hold (else reported).
bool stageNumber(const TrayColumnArguments& a, Status status, std::int64_t& stage) {
  if (!inputsAreFinite("SPHYDR", stageInputsOf(a.selection, a.conditions, 2), status)) return false;
  stage = wholeNumber(a.selection.stage);
  if (stage < 1) {
    report(status, kError,
           "SPHYDR-F-Stage number %g is below 1; rigorous hydraulic calculations skipped.\\n",
           a.selection.stage);
    return false;
  }
  if (stage > kMaxStages) {
    report(status, kError,
           "SPHYDR-F-Stage number %g is above %d; rigorous hydraulic calculations skipped.\\n",
           a.selection.stage, kMaxStages);
    return false;
  }
  return true;
}

// A stage beyond the block's own stages (where the block states them) has no trays to
// be rated with (reported).
bool stageOnBlock(const ColumnBlock& block, std::int64_t stage, Status status) {
  const std::int64_t blockStages =
      block.word(host::kTrayRecordAt + host::kRecordStagesWord).integer;
  if (blockStages <= 0 || stage <= blockStages) return true;
  report(status, kError,
         "SPHYDR-F-Stage %d is beyond the %d stages of Traycol block %s; rigorous hydraulic "
         "calculations skipped.\\n",
         stage, blockStages, text::padded<8>(block.id.nameText()));
  return false;
}

}  // namespace

void SPHYDR(const TrayColumnArguments& a, Status status, Workspace work) {
  std::int64_t stage = 0;
  if (!stageNumber(a, status, stage)) return;

  const UnitFactors f = UnitFactors::fromHost();
  StageInputs in = stageInputsOf(a.conditions);
  in.liquidFlow = std::max(in.liquidFlow, kMinTrayFlow);
  in.vapourFlow = std::max(in.vapourFlow, kMinTrayFlow);
  const StageEntry e = stageEntry(in, f);
  if (!densitiesAllowRating("SPHYDR", e, status)) return;
  StageTables& tables = stageTables();
  if (!tables.reach(stage)) {
    report(status, kError,
           "SPHYDR-F-No storage for the stage tables of %d stages; rigorous hydraulic "
           "calculations skipped.\\n",
           stage);
    return;
  }
  tables.store(stage, e);

  const std::int64_t option = wholeNumber(a.selection.option);
  presetCommonData(option, stage, 1, a.selection.stageDatum, a.conditions.length * f.length);
  const ColumnBlock block = locateColumn(a.blockId, status);
  if (!block.found) return;
  if (!stageOnBlock(block, stage, status)) return;
  copyTrayWords(block);

  Rating r;
  const std::int64_t length = tables.size();
  TPSR_TPSAR(block.record(), tables.table(kPressure), tables.table(kLiquidMass),
             tables.table(kVapourMass), tables.table(kLiquidVolume), tables.table(kVapourVolume),
             tables.table(kLiquidDensity), tables.table(kVapourDensity),
             tables.table(kSurfaceTension), tables.table(kViscosity), tables.table(kDatum),
             tables.table(kFlowParameter), tables.table(kVapourLoad), tables.table(kStageWork),
             tables.table(kLiquidMw), tables.table(kVapourMw), &length, block.workWords(),
             &r.holdup, r.results);

  // A failed holdup leaves every output as it was.
  const double noValue = host::noValueMagnitude();
  if (holdupFailed(option, r, noValue)) {
    reportHoldupFailure(block, stage, status);
    return;
  }
  writeOutputs(a.out, tables.table(kPressure)[0], f, option, r, noValue);
  markRated(work);
}

}  // namespace xv55::hydraulics
