#include "check.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <sstream>

namespace xv55::tools {

namespace {

// The columns an input name or element label stands for.
std::vector<std::int64_t> columnsOf(CallSite& site, const std::string& name) {
  std::vector<std::int64_t> columns;
  const auto& labels = site.columnLabels();
  for (std::size_t j = 0; j < labels.size(); ++j) {
    if (labels[j] == name || labels[j].rfind(name + "[", 0) == 0) {
      columns.push_back(static_cast<std::int64_t>(j) + 1);
    }
  }
  if (columns.empty()) columns.push_back(site.column(name));  // throws the reason
  return columns;
}

// Per element over all points.
struct Summary {
  std::int64_t row = 0, column = 0;
  bool compared = false;  // at some point without a kink or singularity
  double worst = 0.0;
  int worstPoint = 0;
  double analytic = 0.0, central = 0.0;
  int differs = 0, kinks = 0, singular = 0;
  bool nonZero = false;
  ElementCheck firstKink;
  int firstKinkPoint = -1;
};

std::string format(double v) {
  if (std::isnan(v)) return "nan";  // whatever its sign bit
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6g", v);
  return buffer;
}

// Kinks and singular points beside an element's verdict.
std::string notes(const Summary& s) {
  std::string n;
  if (s.compared && s.kinks > 0) n += "kink at " + std::to_string(s.kinks);
  if (s.compared && s.singular > 0) {
    n += (n.empty() ? "" : ", ") + std::string("singular at ") + std::to_string(s.singular);
  }
  return n.empty() ? n : " (" + n + (s.kinks + s.singular > 1 ? " points)" : " point)");
}

std::string verdictOf(const Summary& s) {
  if (s.differs > 0) return "WRONG";
  if (s.singular > 0 && !s.compared) return "singular";
  if (!s.compared) return "kink";
  return "ok";
}

void requireSetup(const CallResult& r, int point) {
  if (r.status == XV55_STATUS_ERROR) {
    const std::string why = r.messages.empty() ? std::string() : ": " + r.messages.front().text;
    throw UsageError("the set-up call at point " + std::to_string(point) + " failed (status 4)" +
                     why);
  }
}

}  // namespace

CheckReport checkSite(CallSite& site, Session& session, const CheckSettings& settings) {
  if (!site.prepared()) site.prepare();
  BlockBuilder& block = site.block();
  const Xv55Entry entry = site.procedure().entry;

  std::vector<std::int64_t> checked, fixed;
  for (const std::string& name : settings.only) {
    for (std::int64_t j : columnsOf(site, name)) {
      if (!site.isDifferentiable(j)) {
        throw UsageError(std::string(site.procedure().name) + ": input " +
                         site.columnLabels()[static_cast<std::size_t>(j - 1)] +
                         " is not a real: no derivative is taken for it");
      }
      checked.push_back(j);
    }
  }
  if (settings.only.empty()) {
    for (std::int64_t j = 1; j <= block.inputColumns(); ++j) {
      if (site.isDifferentiable(j)) checked.push_back(j);
    }
  }
  for (const std::string& name : settings.fixed) {
    for (std::int64_t j : columnsOf(site, name)) fixed.push_back(j);
  }
  if (settings.pointsAround < 0 || !(settings.spread >= 0)) {
    throw UsageError("points around and spread must not be negative");
  }
  if (settings.pointsAround > kMaxPointsAround) {
    throw UsageError("--points: at most " + std::to_string(kMaxPointsAround));
  }
  // A step or tolerance that is zero, negative or not finite would judge every element
  // wrong (or none), whatever the procedure computes.
  const std::pair<const char*, double> positive[] = {
      {"--step", settings.options.relativeStep},
      {"--rtol", settings.options.relativeTolerance},
      {"--atol", settings.options.absoluteTolerance}};
  for (const auto& [what, value] : positive) {
    if (!(value > 0) || !std::isfinite(value)) {
      throw UsageError(std::string(what) + " must be a finite number above 0, not " +
                       format(value));
    }
  }

  std::vector<double> base(static_cast<std::size_t>(block.inputColumns()) + 1, 0.0);
  for (std::int64_t j = 1; j <= block.inputColumns(); ++j) {
    if (site.isDifferentiable(j)) base[static_cast<std::size_t>(j)] = site.value(j);
  }

  DerivativeCheckOptions options = settings.options;
  options.columns = checked;
  std::map<std::pair<std::int64_t, std::int64_t>, Summary> summaries;
  std::map<std::pair<std::int32_t, std::string>, int> messages;
  bool supplied = false;
  std::mt19937 random(55);  // the same points on every run

  const auto keepMessages = [&messages](const std::vector<Message>& list) {
    for (const Message& m : list) ++messages[{m.severity, m.text}];
  };
  for (int point = 0; point <= settings.pointsAround; ++point) {
    for (std::int64_t j = 1; j <= block.inputColumns(); ++j) {
      if (!site.isDifferentiable(j)) continue;
      const double x = base[static_cast<std::size_t>(j)];
      const double u = 2.0 * static_cast<double>(random()) / 4294967295.0 - 1.0;
      const bool moved = point > 0 && std::find(fixed.begin(), fixed.end(), j) == fixed.end();
      // Relative moves keep each input's sign and scale; a zero moves by the spread.
      site.setValue(j, moved ? x + settings.spread * (x != 0.0 ? std::fabs(x) : 1.0) * u : x);
    }
    const CallResult setup = site.call(session, XV55_CALL_SETUP);
    keepMessages(setup.messages);
    requireSetup(setup, point);
    for (const ElementCheck& e : compareDerivatives(block, entry, options)) {
      Summary& s = summaries[{e.row, e.column}];
      s.row = e.row;
      s.column = e.column;
      supplied = supplied || e.written;
      s.nonZero = s.nonZero || e.analytic != 0.0 || e.central != 0.0 || e.left != e.right;
      switch (e.verdict) {
        case DerivativeVerdict::Kink:
          if (s.kinks++ == 0) {
            s.firstKink = e;
            s.firstKinkPoint = point;
          }
          continue;
        case DerivativeVerdict::Singular:
          ++s.singular;
          continue;
        case DerivativeVerdict::Differs:
          ++s.differs;
          break;
        case DerivativeVerdict::Agrees:
          break;
      }
      if (!s.compared || e.error > s.worst || std::isnan(e.error)) {
        s.worst = e.error;
        s.worstPoint = point;
        s.analytic = e.analytic;
        s.central = e.central;
      }
      s.compared = true;
    }
    keepMessages(session.takeMessages());
  }
  for (std::int64_t j = 1; j <= block.inputColumns(); ++j) {
    if (site.isDifferentiable(j)) site.setValue(j, base[static_cast<std::size_t>(j)]);
  }
  keepMessages(site.call(session, XV55_CALL_CLEANUP).messages);

  CheckReport report;
  const std::string name = site.procedure().name;
  const auto rowName = [&site](std::int64_t i) {
    return site.rowLabels()[static_cast<std::size_t>(i - 1)];
  };
  const auto columnName = [&site](std::int64_t j) {
    return site.columnLabels()[static_cast<std::size_t>(j - 1)];
  };
  Json elements = Json::array();
  std::ostringstream table, kinks;
  int zero = 0, wrong = 0;
  for (const auto& entryPair : summaries) {
    const Summary& s = entryPair.second;
    const std::string verdict = verdictOf(s);
    if (verdict == "WRONG") ++wrong;
    Json e = {{"output", rowName(s.row)},
              {"input", columnName(s.column)},
              {"verdict", verdict == "WRONG" ? "wrong" : verdict},
              {"worstError", s.compared ? realJson(s.worst) : Json(nullptr)},
              {"atPoint", s.worstPoint},
              {"analytic", realJson(s.analytic)},
              {"central", realJson(s.central)},
              {"kinks", s.kinks},
              {"singular", s.singular}};
    if (s.kinks > 0) {
      e["firstKink"] = {{"point", s.firstKinkPoint},
                        {"at", realJson(s.firstKink.at)},
                        {"left", realJson(s.firstKink.left)},
                        {"right", realJson(s.firstKink.right)},
                        {"analytic", realJson(s.firstKink.analytic)}};
      kinks << "  d " << rowName(s.row) << " / d " << columnName(s.column) << " at point "
            << s.firstKinkPoint << " (" << columnName(s.column) << " = " << format(s.firstKink.at)
            << "): left " << format(s.firstKink.left) << ", right " << format(s.firstKink.right)
            << ", analytic " << format(s.firstKink.analytic);
      if (s.kinks > 1) kinks << " (kinks at " << s.kinks << " points)";
      kinks << "\n";
    }
    elements.push_back(std::move(e));
    if (!s.nonZero && s.singular == 0) {
      ++zero;
      continue;
    }
    char line[200];
    std::snprintf(
        line, sizeof line, "  %-14s %-14s %-12s %-6d %-13s %-13s %s\n", rowName(s.row).c_str(),
        columnName(s.column).c_str(), s.compared ? format(s.worst).c_str() : "-", s.worstPoint,
        format(s.analytic).c_str(), format(s.central).c_str(), (verdict + notes(s)).c_str());
    table << line;
  }
  if (!supplied) wrong = 0;  // nothing to compare: the zeros are the host's
  report.ok = wrong == 0;

  Json messageList = Json::array();
  std::ostringstream messageText;
  for (const auto& [key, count] : messages) {
    messageList.push_back({{"severity", key.first}, {"text", key.second}, {"count", count}});
    messageText << "  (severity " << key.first << ", " << count << "x) " << key.second << "\n";
  }
  report.json = {{"procedure", name},
                 {"points", settings.pointsAround + 1},
                 {"spread", settings.spread},
                 {"relativeStep", options.relativeStep},
                 {"relativeTolerance", options.relativeTolerance},
                 {"absoluteTolerance", options.absoluteTolerance},
                 {"derivativesSupplied", supplied},
                 {"ok", report.ok},
                 {"elements", supplied ? elements : Json::array()},
                 {"messages", messageList}};

  std::ostringstream text;
  text << name << ": derivatives at " << settings.pointsAround + 1 << " points (the given one and "
       << settings.pointsAround << " around it, inputs moved by up to "
       << format(100 * settings.spread) << "%)\n";
  if (!supplied) {
    text << "  the procedure wrote no derivative: it supplies none, nothing to check\n";
  } else {
    char head[200];
    std::snprintf(head, sizeof head, "  %-14s %-14s %-12s %-6s %-13s %-13s %s\n", "output", "input",
                  "worst error", "point", "analytic", "central diff", "verdict");
    text << head << table.str();
    if (zero > 0) text << "  (" << zero << " more elements are zero on both sides)\n";
    if (!kinks.str().empty()) {
      text
          << "kinks (the one-sided differences disagree: a one-sided difference is needed there):\n"
          << kinks.str();
    }
  }
  if (!messages.empty()) text << "messages during the check:\n" << messageText.str();
  text << (!supplied   ? "result: nothing to check\n"
           : report.ok ? "result: every analytic derivative agrees with its difference\n"
                       : "result: " + std::to_string(wrong) + " analytic derivatives are wrong\n");
  report.text = text.str();
  return report;
}

}  // namespace xv55::tools
