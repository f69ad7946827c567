// A scale made just, shown: a table of its degrees for people, or one JSON record a
// degree and a summary record for scripts.
#pragma once

#include <string>
#include <vector>

#include "theory/scale_just.h"

// What the summary says of how the scale was made.
struct ScaleSummary {
  std::string scale;        // the scale as given: "--edo=12", the items, or the file's name
  std::string description;  // of the scale before it is made just: "12 equal divisions of 2/1"
  std::vector<int> basis;
  double within_cents = 0.0;
  double max_term = 0.0;
};

// What the scale became, as a scale file's description and the table's heading say it.
std::string made_just_description(const ScaleSummary &summary);
// The table: a heading line, then one row a degree; a degree with no ratio is flagged.
std::string scale_table_text(const ScaleSummary &summary, const std::vector<JustDegree> &degrees);
// JSON Lines: a "degree" record for each degree, then the "scale" summary.
std::string scale_records_json(const ScaleSummary &summary, const std::vector<JustDegree> &degrees);
// The basis as the subgroup notation writes it, 2.3.7.
std::string basis_text(const std::vector<int> &basis);
// The ratio's text, n/d.
std::string ratio_text(const JustDegree &degree);
