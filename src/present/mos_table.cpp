// The temperament's scale as a table and as records. The table's cents have three
// decimals, as the scale table's; the records carry every double in full.
#include "present/mos_table.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "present/records.h"
#include "theory/temperament_error.h"

namespace {

using Json = nlohmann::ordered_json;  // fields in the order a reader expects them

constexpr const char *kCentsFormat = "%.3f";
constexpr int64_t kListedMosSizes = 100;  // a refused scale lists the sizes up to this
const std::vector<std::string> kHeadings = {"degree", "cents", "generators", "periods"};

// Every column right-aligned, two blanks apart.
std::string right_aligned(const std::vector<std::vector<std::string>> &rows) {
  std::vector<size_t> widths(kHeadings.size(), 0);
  for (const auto &row : rows) {
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  std::string text;
  for (const auto &row : rows) {
    for (size_t c = 0; c < row.size(); ++c)
      text += (c > 0 ? "  " : "") + std::string(widths[c] - row[c].size(), ' ') + row[c];
    text += "\n";
  }
  return text;
}

std::string steps_line(const MosSteps &steps) {
  if (steps.small_count == 0) return "step " + mos_cents_text(steps.large) + " cents\n";
  return "steps " + mos_cents_text(steps.large) + " (L) and " + mos_cents_text(steps.small) + " (s) cents\n";
}

}  // namespace

std::string mos_cents_text(double cents) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, kCentsFormat, cents);
  return buffer;
}

std::string mos_step_pattern(const MosSteps &steps) {
  std::string pattern = std::to_string(steps.large_count) + "L";
  if (steps.small_count > 0) pattern += " " + std::to_string(steps.small_count) + "s";
  return pattern;
}

std::string mos_description(const MosSummary &summary, size_t size) {
  std::string text = std::to_string(size) + " notes (" + mos_step_pattern(summary.steps) + ") of the temperament of " +
                     summary.temperament + " in " + summary.tuning + ": generator " +
                     mos_cents_text(summary.generator) + ", period " + mos_cents_text(summary.period) + " cents";
  if (summary.periods_per_equave > 1) {
    text += ", " + std::to_string(summary.periods_per_equave) + " periods to " + summary.equave;
  }
  return text;
}

std::string mos_table_text(const MosSummary &summary, const std::vector<MosNote> &notes) {
  std::vector<std::vector<std::string>> rows = {kHeadings};
  for (size_t i = 0; i < notes.size(); ++i) {
    rows.push_back({std::to_string(i + 1), mos_cents_text(notes[i].cents), std::to_string(notes[i].generators),
                    std::to_string(notes[i].periods)});
  }
  return mos_description(summary, notes.size()) + "\n" + right_aligned(rows) + steps_line(summary.steps);
}

std::string mos_records_json(const MosSummary &summary, const std::vector<MosNote> &notes) {
  std::string text;
  for (size_t i = 0; i < notes.size(); ++i) {
    Json record = Json::object();
    record["type"] = "degree";
    record["degree"] = i + 1;
    record["cents"] = notes[i].cents;
    record["generators"] = notes[i].generators;
    record["periods"] = notes[i].periods;
    text += record.dump() + "\n";
  }
  Json record = Json::object();
  record["type"] = "mos";
  record["format_version"] = kRecordFormatVersion;
  record["temperament"] = summary.temperament;
  record["description"] = mos_description(summary, notes.size());
  record["size"] = notes.size();
  record["tuning"] = summary.tuning;
  record["period_cents"] = summary.period;
  record["generator_cents"] = summary.generator;
  record["periods_per_equave"] = summary.periods_per_equave;
  record["equave"] = summary.equave;
  record["large_steps"] = summary.steps.large_count;
  record["small_steps"] = summary.steps.small_count;
  record["large_step_cents"] = summary.steps.large;
  record["small_step_cents"] = summary.steps.small_count > 0 ? Json(summary.steps.small) : Json(nullptr);
  // The items as typed may be any bytes: what is not UTF-8 becomes U+FFFD.
  text += record.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
  return text;
}

ScalaScale mos_scala_scale(const MosSummary &summary, const std::vector<MosNote> &notes, int64_t equave) {
  ScalaScale scale;
  scale.description = mos_description(summary, notes.size());
  for (size_t i = 0; i + 1 < notes.size(); ++i) scale.pitches.push_back(cents_pitch(notes[i].cents));
  scale.pitches.push_back(ratio_pitch(static_cast<uint64_t>(equave), 1));
  return scale;
}

// The chain of the scale: period and generator, the generator in (P/2, P), in the tuning asked for.
MosSummary mos_summary_of(const Temperament &temperament, const std::string &words, bool cte) {
  if (temperament.rank() != 2) {
    throw TemperamentError("--mos takes a temperament of rank 2; this one has rank " +
                           std::to_string(temperament.rank()));
  }
  MosSummary summary;
  summary.temperament = words;
  summary.tuning = cte ? "CTE" : "POTE";
  const Generator &generator = temperament.generators[0];
  summary.period = cte ? temperament.period.cte : temperament.period.pote;
  summary.generator = upper_generator(summary.period, cte ? generator.cte : generator.pote);
  summary.periods_per_equave = temperament.periods_per_equave;
  summary.equave = std::to_string(temperament.basis.elements[0]) + "/1";
  return summary;
}

// The notes of --mos=N; a size that is not one of two step sizes is refused with those that are.
std::vector<MosNote> mos_scale_of(MosSummary &summary, int64_t size) {
  int64_t periods = summary.periods_per_equave;
  std::string problem;
  std::vector<MosNote> notes;
  if (size % periods != 0 || size < 2 * periods) {
    problem =
        std::to_string(size) + " notes do not fill " + std::to_string(periods) + " periods alike with two or more each";
  } else {
    notes = mos_notes(summary.period, summary.generator, periods, size);
    summary.steps = mos_steps(notes);
    if (summary.steps.kinds > 2) problem = "a chain of " + std::to_string(size) + " notes has more than two step sizes";
  }
  if (problem.empty()) return notes;
  std::string sizes;
  for (int64_t each : mos_listed_sizes(summary)) {
    sizes += " " + std::to_string(each);
  }
  throw TemperamentError("--mos=" + std::to_string(size) + ": " + problem + " (generator " +
                         mos_cents_text(summary.generator) + ", period " + mos_cents_text(summary.period) +
                         " cents); the sizes up to " + std::to_string(kListedMosSizes) + " that have two:" + sizes);
}

std::vector<int64_t> mos_listed_sizes(const MosSummary &summary) {
  return mos_sizes(summary.period, summary.generator, summary.periods_per_equave, kListedMosSizes);
}
