// A temperament's scale of a chain of generators, shown: a table of its notes for people,
// or one JSON record a note and a summary record for scripts, as scales made just are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "present/scala_file.h"
#include "theory/mos.h"
#include "theory/temperament.h"

// What the summary says of the scale: the temperament as typed, the tuning, the chain.
struct MosSummary {
  std::string temperament;  // the items as typed: "81/80", "225/224, 1029/1024", "12 & 19"
  std::string tuning;       // "POTE" or "CTE"
  double period = 0.0;      // cents
  double generator = 0.0;   // cents, in (period/2, period)
  int64_t periods_per_equave = 1;
  std::string equave;  // "2/1"
  MosSteps steps;
};

// Cents as the table and the description show them: three decimals.
std::string mos_cents_text(double cents);
// "5L 2s", or "4L" for a scale of one step size.
std::string mos_step_pattern(const MosSteps &steps);
// The line that names the scale, as the table's heading and the scale file's description.
std::string mos_description(const MosSummary &summary, size_t size);
// The table: the heading, one row a note (the equave last), the step sizes.
std::string mos_table_text(const MosSummary &summary, const std::vector<MosNote> &notes);
// JSON Lines: a "degree" record for each note, then the "mos" summary.
std::string mos_records_json(const MosSummary &summary, const std::vector<MosNote> &notes);

// The scale as a scale file has it: the equave last, as its ratio.
ScalaScale mos_scala_scale(const MosSummary &summary, const std::vector<MosNote> &notes, int64_t equave);

// The chain of a rank-2 temperament's scale, named by words: period and generator, the
// generator in (P/2, P), in CTE or else POTE. Throws TemperamentError for another rank.
MosSummary mos_summary_of(const Temperament &temperament, const std::string &words, bool cte);
// The size notes of the chain, the summary given its steps; a size that is not one of two
// step sizes throws TemperamentError with the sizes that are.
std::vector<MosNote> mos_scale_of(MosSummary &summary, int64_t size);
// The sizes up to 100 at which the chain has two step sizes (or one), as a refused size lists them.
std::vector<int64_t> mos_listed_sizes(const MosSummary &summary);
