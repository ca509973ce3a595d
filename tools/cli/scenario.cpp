#include "scenario.hpp"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "call_site.hpp"
#include "flowsheet.hpp"
#include "xv55/refhost/control.hpp"
#include "xv55/refhost/properties.hpp"

namespace xv55::tools {

namespace {

// Sweeps with at least this many points show a progress bar on a terminal.
constexpr std::size_t kLongSweep = 100;
// Most calls one step makes: sweep points times repeats.
constexpr std::int64_t kMaxStepCalls = 10000000;

void onlyKeys(const Json& object, const std::string& what,
              std::initializer_list<const char*> keys) {
  if (!object.is_object()) throw UsageError(what + " must be a JSON object");
  for (const auto& item : object.items()) {
    if (std::none_of(keys.begin(), keys.end(),
                     [&item](const char* k) { return item.key() == k; })) {
      std::string known;
      for (const char* k : keys) known += (known.empty() ? "" : ", ") + std::string(k);
      throw UsageError(what + ": unknown key '" + item.key() + "' (known: " + known + ")");
    }
  }
}

double number(const Json& v, const std::string& what) {
  if (!v.is_number()) throw UsageError(what + " must be a number, not " + v.dump());
  return v.get<double>();
}

std::int64_t count(const Json& v, const std::string& what, std::int64_t least) {
  if (!v.is_number_integer() || v.get<std::int64_t>() < least) {
    throw UsageError(what + " must be an integer of at least " + std::to_string(least) + ", not " +
                     v.dump());
  }
  return v.get<std::int64_t>();
}

// A key of "options" or "host.globals": a number from 0 to 1000000.
std::int64_t numberKey(const std::string& key, const std::string& what) {
  std::size_t used = 0;
  long code = -1;
  try {
    code = std::stol(key, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != key.size() || code < 0 || code > 1000000) {
    throw UsageError(what);
  }
  return code;
}

// A list of component names.
std::vector<std::string> names(const Json& v, const std::string& what) {
  std::vector<std::string> out;
  if (v.is_array()) {
    for (const Json& name : v) {
      if (!name.is_string()) break;
      out.push_back(name.get<std::string>());
    }
  }
  if (!v.is_array() || out.size() != v.size()) {
    throw UsageError(what + " must be a list of component names, not " + v.dump());
  }
  return out;
}

// The property system's components: what the reference host knows.
std::string knownComponents() {
  std::string known;
  for (const std::string& name : refhost::properties::tableComponents()) {
    known += (known.empty() ? "" : ", ") + name;
  }
  return known;
}

// The reference host's settings of key "host".
void setUpHost(const Json& host) {
  onlyKeys(host, "host", {"printLevel", "components", "modelComponents", "globals"});
  if (host.contains("printLevel")) {
    refhost::setPrintLevel(count(host["printLevel"], "host.printLevel", 0));
  }
  if (host.contains("components") && host["components"].is_array()) {
    if (!refhost::properties::setCompanionComponents(
            names(host["components"], "host.components"))) {
      throw UsageError("host.components: an unknown or repeated name, or too many (known: " +
                       knownComponents() + ")");
    }
  } else if (host.contains("components")) {
    refhost::setComponentCount(count(host["components"], "host.components", 0));
  }
  if (host.contains("modelComponents")) {
    // The command-line host calls with host context 0.
    if (!refhost::properties::setModelComponents(
            0, names(host["modelComponents"], "host.modelComponents"))) {
      throw UsageError(
          "host.modelComponents: a name not in host.components, or a name given twice");
    }
  }
  if (host.contains("globals")) {
    if (!host["globals"].is_object()) throw UsageError("host.globals must be a JSON object");
    for (const auto& [word, value] : host["globals"].items()) {
      const std::int64_t w = numberKey(word, "host.globals: '" + word + "' is not a word number");
      if (!refhost::setGlobal(w, number(value, "host.globals." + word))) {
        throw UsageError("host.globals: word " + word + " is not between 1 and " +
                         std::to_string(refhost::kGlobalWords));
      }
    }
  }
}

struct Site {
  std::string name;
  std::unique_ptr<CallSite> site;
};

struct Sweep {
  std::string label;
  std::int64_t column = 0;
  std::vector<double> values;
};

Sweep sweepOf(const Json& spec, CallSite& site, const std::string& where) {
  onlyKeys(spec, where + ".sweep", {"input", "from", "to", "points", "values"});
  if (!spec.contains("input") || !spec["input"].is_string()) {
    throw UsageError(where + ".sweep needs \"input\": the name of the input it varies");
  }
  Sweep s;
  s.label = spec["input"].get<std::string>();
  s.column = site.column(s.label);
  if (!site.isDifferentiable(s.column) && !site.isInteger(s.column)) {
    throw UsageError(where + ".sweep: input " + s.label + " is not a number");
  }
  if (spec.contains("values")) {
    if (!spec["values"].is_array()) throw UsageError(where + ".sweep.values must be a list");
    for (const Json& v : spec["values"]) s.values.push_back(number(v, where + ".sweep.values"));
  } else {
    if (!spec.contains("from") || !spec.contains("to") || !spec.contains("points")) {
      throw UsageError(where + ".sweep needs \"values\" or \"from\", \"to\" and \"points\"");
    }
    const double from = number(spec["from"], where + ".sweep.from");
    const double to = number(spec["to"], where + ".sweep.to");
    const std::int64_t n = count(spec["points"], where + ".sweep.points", 1);
    if (n > kMaxStepCalls) {
      throw UsageError(where + ".sweep.points: at most " + std::to_string(kMaxStepCalls));
    }
    // Weighted ends rather than from + (to - from) t: exact at both ends, and finite for
    // any finite ends (to - from may overflow).
    for (std::int64_t k = 0; k < n; ++k) {
      const double t = n == 1 ? 0.0 : static_cast<double>(k) / static_cast<double>(n - 1);
      s.values.push_back((1.0 - t) * from + t * to);
    }
  }
  for (double v : s.values) {
    if (site.isInteger(s.column) && v != std::trunc(v)) {
      throw UsageError(where + ".sweep: input " + s.label + " is an integer, not " +
                       realJson(v).dump());
    }
  }
  return s;
}

class Progress {
 public:
  Progress(std::size_t total, int mode, const std::string& what)
      : total_(total),
        on_(mode == 1 || (mode < 0 && total >= kLongSweep && isatty(STDERR_FILENO))),
        what_(what) {}
  void show(std::size_t done) {
    if (!on_) return;
    const std::size_t width = 40;
    const std::size_t filled = total_ ? done * width / total_ : width;
    std::fprintf(stderr, "\r[%s%s] %zu/%zu %s", std::string(filled, '#').c_str(),
                 std::string(width - filled, '.').c_str(), done, total_, what_.c_str());
    if (done == total_) std::fputc('\n', stderr);
    std::fflush(stderr);
  }

 private:
  std::size_t total_;
  bool on_;
  std::string what_;
};

// One result row of the run.
struct Row {
  std::int64_t step;
  const Site* site;
  CallResult result;
  std::string sweptLabel;
  std::int64_t sweptColumn = 0;
  double swept = 0.0;
};

std::string csvField(const std::string& s) {
  if (s.find_first_of(",\"\n") == std::string::npos) return s;
  std::string quoted = "\"";
  for (char c : s) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// The shortest text that reads back as the same double.
// Non-finite numbers as in the JSON results: nan (whatever its sign bit), inf, -inf.
std::string csvNumber(double v) {
  if (std::isnan(v)) return "nan";
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
  return std::string(buffer, end);
}

void writeCsv(const std::vector<Row>& rows, bool qualify, std::ostream& out) {
  std::vector<std::string> swept, outputs, derivatives;
  const auto add = [](std::vector<std::string>& list, const std::string& s) {
    if (std::find(list.begin(), list.end(), s) == list.end()) list.push_back(s);
  };
  const auto prefix = [qualify](const Row& r) { return qualify ? r.site->name + "." : ""; };
  for (const Row& r : rows) {
    if (!r.sweptLabel.empty()) add(swept, prefix(r) + r.sweptLabel);
    for (const std::string& o : r.site->site->rowLabels()) {
      add(outputs, prefix(r) + o);
      if (!r.sweptLabel.empty() && !r.result.derivatives.empty()) {
        add(derivatives, "d " + prefix(r) + o + " / d " + r.sweptLabel);
      }
    }
  }
  out << "step,site,callType";
  for (const auto& s : swept) out << "," << csvField(s);
  out << ",status";
  for (const auto& s : outputs) out << "," << csvField(s);
  for (const auto& s : derivatives) out << "," << csvField(s);
  out << ",messages\n";
  for (const Row& r : rows) {
    std::map<std::string, std::string> cells;
    if (!r.sweptLabel.empty()) cells[prefix(r) + r.sweptLabel] = csvNumber(r.swept);
    const auto& labels = r.site->site->rowLabels();
    for (std::size_t i = 0; i < labels.size() && i < r.result.outputs.size(); ++i) {
      cells[prefix(r) + labels[i]] = csvNumber(r.result.outputs[i]);
      if (!r.sweptLabel.empty() && !r.result.derivatives.empty()) {
        const std::size_t k = i + static_cast<std::size_t>(r.sweptColumn - 1) * labels.size();
        cells["d " + prefix(r) + labels[i] + " / d " + r.sweptLabel] =
            csvNumber(r.result.derivatives[k]);
      }
    }
    std::string text;
    for (const Message& m : r.result.messages) {
      text += (text.empty() ? "" : " | ") + std::to_string(m.severity) + ": " + m.text;
    }
    out << r.step << "," << csvField(r.site->name) << "," << r.result.callType;
    for (const auto& s : swept) out << "," << cells[s];
    out << "," << r.result.status;
    for (const auto& s : outputs) out << "," << cells[s];
    for (const auto& s : derivatives) out << "," << cells[s];
    out << "," << csvField(text) << "\n";
  }
}

// "json" or "csv": the command line's choice, else the scenario's, else JSON.
std::string formatOf(const Json& scenario, const RunSettings& settings) {
  std::string format = settings.format;
  if (format.empty() && scenario.contains("format")) {
    const Json& given = scenario["format"];
    if (!given.is_string() || (given != "json" && given != "csv")) {
      throw UsageError("format must be \"json\" or \"csv\", not " + given.dump());
    }
    format = given.get<std::string>();
  }
  if (format.empty()) format = "json";
  if (format != "json" && format != "csv") {
    throw UsageError("format must be \"json\" or \"csv\", not " + Json(format).dump());
  }
  return format;
}

Site siteOf(const std::string& name, const Json& spec) {
  const std::string where = "site " + name;
  onlyKeys(spec, where, {"procedure", "inputs", "work"});
  if (!spec.contains("procedure") || !spec["procedure"].is_string()) {
    throw UsageError(where + " needs \"procedure\": an entry point name");
  }
  const std::int64_t work = spec.contains("work") ? count(spec["work"], where + ".work", 0) : 1000;
  Site s{name,
         std::make_unique<CallSite>(findProcedure(spec["procedure"].get<std::string>()), work)};
  if (spec.contains("inputs")) s.site->set(spec["inputs"]);
  return s;
}

// Call sites, by name in the order given; a top-level procedure is the site "main".
std::vector<Site> sitesOf(const Json& scenario) {
  std::vector<Site> sites;
  if (scenario.contains("procedure")) {
    Json main = Json::object();
    for (const char* key : {"procedure", "inputs", "work"}) {
      if (scenario.contains(key)) main[key] = scenario[key];
    }
    sites.push_back(siteOf("main", main));
  } else if (scenario.contains("inputs") || scenario.contains("work")) {
    throw UsageError("scenario: \"inputs\" and \"work\" at the top belong to a \"procedure\"");
  }
  if (scenario.contains("sites")) {
    if (!scenario["sites"].is_object()) throw UsageError("sites must be a JSON object");
    for (const auto& item : scenario["sites"].items()) {
      const std::string& name = item.key();
      if (std::any_of(sites.begin(), sites.end(),
                      [&name](const Site& s) { return s.name == name; })) {
        throw UsageError("site " + name + " is given twice");
      }
      sites.push_back(siteOf(name, item.value()));
    }
  }
  if (sites.empty()) throw UsageError("scenario: no \"procedure\" and no \"sites\"");
  return sites;
}

// The steps, checked for their keys; without any, one call at each site in turn.
Json stepsOf(const Json& scenario, const std::vector<Site>& sites) {
  Json steps = scenario.contains("steps") ? scenario["steps"] : Json::array();
  if (!steps.is_array()) throw UsageError("steps must be a list");
  if (steps.empty()) {
    for (const Site& s : sites) steps.push_back({{"site", s.name}});
  }
  for (std::size_t k = 0; k < steps.size(); ++k) {
    onlyKeys(steps[k], "step " + std::to_string(k + 1),
             {"site", "call", "inputs", "sweep", "marker", "repeat"});
    if (!steps[k].contains("site") && sites.size() > 1) {
      throw UsageError("step " + std::to_string(k + 1) + " needs \"site\" (there are " +
                       std::to_string(sites.size()) + ")");
    }
  }
  return steps;
}

// The host, as the scenario sets it up: data, solver options, flowsheet.
void setUpRun(const Json& scenario, const std::filesystem::path& folder, Session& session) {
  refhost::reset();
  session.options = SolverOptions{};
  if (scenario.contains("host")) setUpHost(scenario["host"]);
  if (scenario.contains("options")) {
    if (!scenario["options"].is_object()) throw UsageError("options must be a JSON object");
    for (const auto& [code, value] : scenario["options"].items()) {
      const double v = number(value, "options." + code);
      const std::int64_t c = numberKey(code, "options: '" + code + "' is not an option number");
      session.options.answers[static_cast<std::int32_t>(c)] = {
          std::fabs(v) < 9e18 ? static_cast<std::int64_t>(v) : 0, v};
    }
  }
  if (scenario.contains("flowsheet")) {
    if (!scenario["flowsheet"].is_string()) throw UsageError("flowsheet must be a file name");
    std::filesystem::path file = scenario["flowsheet"].get<std::string>();
    if (file.is_relative()) file = folder / file;
    const std::string failure = loadFlowsheet(file);
    if (!failure.empty()) throw UsageError(failure);
  }
}

// What the steps give: JSON results or rows for the CSV table.
struct Results {
  std::string format;
  std::vector<Row> rows;
  Json list = Json::array();

  void add(Row row, const CallSite& callSite) {
    if (format != "json") {
      rows.push_back(std::move(row));
      return;
    }
    Json result = {{"step", row.step}, {"site", row.site->name}};
    if (!row.sweptLabel.empty()) result["sweep"] = {{row.sweptLabel, realJson(row.swept)}};
    const Json call = callSite.resultJson(row.result);
    for (const auto& item : call.items()) result[item.key()] = item.value();
    list.push_back(std::move(result));
  }
};

// How one step calls: the call type, the repeats and the sweep.
struct StepPlan {
  std::int64_t callType = XV55_CALL_VALUES_AND_DERIVATIVES;
  std::int64_t repeat = 1;
  Sweep sweep;
  std::size_t points = 1;
};

StepPlan planOf(const Json& step, CallSite& callSite, Session& session, const std::string& where) {
  StepPlan plan;
  if (step.contains("call")) plan.callType = callTypeOf(step["call"]);
  session.options.marker.reset();
  if (step.contains("marker")) session.options.marker = number(step["marker"], where + ".marker");
  if (step.contains("repeat")) plan.repeat = count(step["repeat"], where + ".repeat", 1);
  if (plan.repeat > kMaxStepCalls) {
    throw UsageError(where + ".repeat: at most " + std::to_string(kMaxStepCalls));
  }
  if (step.contains("sweep")) {
    plan.sweep = sweepOf(step["sweep"], callSite, where);
    plan.points = plan.sweep.values.size();
  }
  if (static_cast<std::int64_t>(plan.points) > kMaxStepCalls / plan.repeat) {
    throw UsageError(where + ": " + std::to_string(plan.points) + " points of " +
                     std::to_string(plan.repeat) + " calls each, more than " +
                     std::to_string(kMaxStepCalls) + " calls");
  }
  return plan;
}

Site& siteNamed(std::vector<Site>& sites, const std::string& name) {
  for (Site& s : sites) {
    if (s.name == name) return s;
  }
  throw UsageError("no site named '" + name + "'");
}

void runStep(const Json& step, std::size_t k, std::vector<Site>& sites, Session& session,
             const RunSettings& settings, Results& results) {
  const std::string where = "step " + std::to_string(k + 1);
  Site& site = step.contains("site")
                   ? siteNamed(sites, step["site"].is_string() ? step["site"].get<std::string>()
                                                               : step["site"].dump())
                   : sites.front();
  CallSite& callSite = *site.site;
  if (step.contains("inputs")) callSite.set(step["inputs"]);
  callSite.prepare();
  const StepPlan plan = planOf(step, callSite, session, where);
  const Sweep& sweep = plan.sweep;
  Progress progress(plan.points * static_cast<std::size_t>(plan.repeat),
                    step.contains("sweep") ? settings.progress : 0, site.name + " " + sweep.label);
  std::size_t done = 0;
  for (std::size_t p = 0; p < plan.points; ++p) {
    if (!sweep.label.empty()) callSite.setValue(sweep.column, sweep.values[p]);
    for (std::int64_t r = 0; r < plan.repeat; ++r) {
      results.add({static_cast<std::int64_t>(k + 1), &site, callSite.call(session, plan.callType),
                   sweep.label, sweep.column, sweep.label.empty() ? 0.0 : sweep.values[p]},
                  callSite);
      progress.show(++done);
    }
  }
}

}  // namespace

void runScenario(const Json& scenario, const std::filesystem::path& folder, Session& session,
                 const RunSettings& settings, std::ostream& out) {
  requireDepth(scenario, "the scenario");  // before any part of it is copied
  onlyKeys(scenario, "scenario",
           {"title", "format", "flowsheet", "host", "options", "procedure", "inputs", "work",
            "sites", "steps"});
  Results results;
  results.format = formatOf(scenario, settings);
  std::vector<Site> sites = sitesOf(scenario);
  const Json steps = stepsOf(scenario, sites);
  setUpRun(scenario, folder, session);
  for (std::size_t k = 0; k < steps.size(); ++k) {
    runStep(steps[k], k, sites, session, settings, results);
  }
  if (results.format == "csv") {
    writeCsv(results.rows, sites.size() > 1, out);
    return;
  }
  Json document = Json::object();
  if (scenario.contains("title")) document["title"] = scenario["title"];
  document["results"] = std::move(results.list);
  out << pretty(document);
}

}  // namespace xv55::tools
