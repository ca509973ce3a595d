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

// The real input columns the check differentiates by (--only, else all) and those
// it leaves where they are at the points around (--fix).
struct Columns {
  std::vector<std::int64_t> checked, fixed;
};

Columns columnsToCheck(CallSite& site, const CheckSettings& settings) {
  Columns c;
  for (const std::string& name : settings.only) {
    for (std::int64_t j : columnsOf(site, name)) {
      if (!site.isDifferentiable(j)) {
        throw UsageError(std::string(site.procedure().name) + ": input " +
                         site.columnLabels()[static_cast<std::size_t>(j - 1)] +
                         " is not a real: no derivative is taken for it");
      }
      c.checked.push_back(j);
    }
  }
  if (settings.only.empty()) {
    for (std::int64_t j = 1; j <= site.block().inputColumns(); ++j) {
      if (site.isDifferentiable(j)) c.checked.push_back(j);
    }
  }
  for (const std::string& name : settings.fixed) {
    for (std::int64_t j : columnsOf(site, name)) c.fixed.push_back(j);
  }
  return c;
}

void requireUsable(const CheckSettings& settings) {
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
}

// What the points gave: a summary per element and the messages printed, counted.
struct Findings {
  std::map<std::pair<std::int64_t, std::int64_t>, Summary> summaries;
  std::map<std::pair<std::int32_t, std::string>, int> messages;
  bool supplied = false;  // the procedure wrote some derivative

  void keep(const std::vector<Message>& list) {
    for (const Message& m : list) ++messages[{m.severity, m.text}];
  }

  void add(const ElementCheck& e, int point) {
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
        return;
      case DerivativeVerdict::Singular:
        ++s.singular;
        return;
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
};

// The real inputs at the given point, by column (index 0 unused).
std::vector<double> realInputs(CallSite& site) {
  const std::int64_t columns = site.block().inputColumns();
  std::vector<double> base(static_cast<std::size_t>(columns) + 1, 0.0);
  for (std::int64_t j = 1; j <= columns; ++j) {
    if (site.isDifferentiable(j)) base[static_cast<std::size_t>(j)] = site.value(j);
  }
  return base;
}

// Sets the inputs of `point`: the given ones at point 0, elsewhere each real input
// that is not fixed moved by up to the spread.  Draws one number per real input at
// every point, so that the points do not depend on what is fixed.
void placePoint(CallSite& site, const std::vector<double>& base, const Columns& columns,
                const CheckSettings& settings, int point, std::mt19937& random) {
  for (std::int64_t j = 1; j <= site.block().inputColumns(); ++j) {
    if (!site.isDifferentiable(j)) continue;
    const double x = base[static_cast<std::size_t>(j)];
    const double u = 2.0 * static_cast<double>(random()) / 4294967295.0 - 1.0;
    const bool moved = point > 0 && std::find(columns.fixed.begin(), columns.fixed.end(), j) ==
                                        columns.fixed.end();
    // Relative moves keep each input's sign and scale; a zero moves by the spread.
    site.setValue(j, moved ? x + settings.spread * (x != 0.0 ? std::fabs(x) : 1.0) * u : x);
  }
}

Findings compareAtPoints(CallSite& site, Session& session, const CheckSettings& settings,
                         const DerivativeCheckOptions& options, const Columns& columns) {
  const std::vector<double> base = realInputs(site);
  Findings found;
  std::mt19937 random(55);  // the same points on every run
  for (int point = 0; point <= settings.pointsAround; ++point) {
    placePoint(site, base, columns, settings, point, random);
    const CallResult setup = site.call(session, XV55_CALL_SETUP);
    found.keep(setup.messages);
    requireSetup(setup, point);
    for (const ElementCheck& e :
         compareDerivatives(site.block(), site.procedure().entry, options)) {
      found.add(e, point);
    }
    found.keep(session.takeMessages());
  }
  for (std::int64_t j = 1; j <= site.block().inputColumns(); ++j) {
    if (site.isDifferentiable(j)) site.setValue(j, base[static_cast<std::size_t>(j)]);
  }
  found.keep(site.call(session, XV55_CALL_CLEANUP).messages);
  return found;
}

// The report's parts element by element: the JSON list, the table, the kinks.
struct ElementReport {
  Json elements = Json::array();
  std::ostringstream table, kinks;
  int zero = 0, wrong = 0;
};

class ElementWriter {
 public:
  explicit ElementWriter(CallSite& site) : site_(site) {}

  void add(const Summary& s, ElementReport& out) const {
    const std::string verdict = verdictOf(s);
    if (verdict == "WRONG") ++out.wrong;
    out.elements.push_back(json(s, verdict));
    if (s.kinks > 0) out.kinks << kinkLine(s);
    if (!s.nonZero && s.singular == 0) {
      ++out.zero;
      return;
    }
    char line[200];
    std::snprintf(
        line, sizeof line, "  %-14s %-14s %-12s %-6d %-13s %-13s %s\n", row(s.row).c_str(),
        column(s.column).c_str(), s.compared ? format(s.worst).c_str() : "-", s.worstPoint,
        format(s.analytic).c_str(), format(s.central).c_str(), (verdict + notes(s)).c_str());
    out.table << line;
  }

 private:
  std::string row(std::int64_t i) const {
    return site_.rowLabels()[static_cast<std::size_t>(i - 1)];
  }
  std::string column(std::int64_t j) const {
    return site_.columnLabels()[static_cast<std::size_t>(j - 1)];
  }

  Json json(const Summary& s, const std::string& verdict) const {
    Json e = {{"output", row(s.row)},
              {"input", column(s.column)},
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
    }
    return e;
  }

  std::string kinkLine(const Summary& s) const {
    std::ostringstream line;
    line << "  d " << row(s.row) << " / d " << column(s.column) << " at point " << s.firstKinkPoint
         << " (" << column(s.column) << " = " << format(s.firstKink.at) << "): left "
         << format(s.firstKink.left) << ", right " << format(s.firstKink.right) << ", analytic "
         << format(s.firstKink.analytic);
    if (s.kinks > 1) line << " (kinks at " << s.kinks << " points)";
    line << "\n";
    return line.str();
  }

  CallSite& site_;
};

Json reportJson(const std::string& name, const CheckSettings& settings,
                const DerivativeCheckOptions& options, const Findings& found, bool ok,
                const Json& elements) {
  Json messageList = Json::array();
  for (const auto& [key, count] : found.messages) {
    messageList.push_back({{"severity", key.first}, {"text", key.second}, {"count", count}});
  }
  return {{"procedure", name},
          {"points", settings.pointsAround + 1},
          {"spread", settings.spread},
          {"relativeStep", options.relativeStep},
          {"relativeTolerance", options.relativeTolerance},
          {"absoluteTolerance", options.absoluteTolerance},
          {"derivativesSupplied", found.supplied},
          {"ok", ok},
          {"elements", found.supplied ? elements : Json::array()},
          {"messages", messageList}};
}

std::string reportText(const std::string& name, const CheckSettings& settings,
                       const Findings& found, const ElementReport& parts, bool ok) {
  std::ostringstream text;
  text << name << ": derivatives at " << settings.pointsAround + 1 << " points (the given one and "
       << settings.pointsAround << " around it, inputs moved by up to "
       << format(100 * settings.spread) << "%)\n";
  if (!found.supplied) {
    text << "  the procedure wrote no derivative: it supplies none, nothing to check\n";
  } else {
    char head[200];
    std::snprintf(head, sizeof head, "  %-14s %-14s %-12s %-6s %-13s %-13s %s\n", "output", "input",
                  "worst error", "point", "analytic", "central diff", "verdict");
    text << head << parts.table.str();
    if (parts.zero > 0) text << "  (" << parts.zero << " more elements are zero on both sides)\n";
    if (!parts.kinks.str().empty()) {
      text
          << "kinks (the one-sided differences disagree: a one-sided difference is needed there):\n"
          << parts.kinks.str();
    }
  }
  if (!found.messages.empty()) {
    text << "messages during the check:\n";
    for (const auto& [key, count] : found.messages) {
      text << "  (severity " << key.first << ", " << count << "x) " << key.second << "\n";
    }
  }
  const int wrong = found.supplied ? parts.wrong : 0;
  text << (!found.supplied ? "result: nothing to check\n"
           : ok            ? "result: every analytic derivative agrees with its difference\n"
                : "result: " + std::to_string(wrong) + " analytic derivatives are wrong\n");
  return text.str();
}

}  // namespace

CheckReport checkSite(CallSite& site, Session& session, const CheckSettings& settings) {
  if (!site.prepared()) site.prepare();
  const Columns columns = columnsToCheck(site, settings);
  requireUsable(settings);
  DerivativeCheckOptions options = settings.options;
  options.columns = columns.checked;
  const Findings found = compareAtPoints(site, session, settings, options, columns);

  ElementReport parts;
  const ElementWriter writer(site);
  for (const auto& entry : found.summaries) writer.add(entry.second, parts);
  CheckReport report;
  // Without any derivative written there is nothing to compare: the zeros are the host's.
  report.ok = !found.supplied || parts.wrong == 0;
  const std::string name = site.procedure().name;
  report.json = reportJson(name, settings, options, found, report.ok, parts.elements);
  report.text = reportText(name, settings, found, parts, report.ok);
  return report;
}

}  // namespace xv55::tools
