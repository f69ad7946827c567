// How a search can end, as every output says it: one table of the ends, each with its
// name in the records and, for a search that stopped early, the text output's message.
#pragma once

#include <string>

#include "search/search.h"

struct SearchEndText {
  SearchEnd end;
  const char *record_name;  // the summary record's "end"
  // The text output's message around the seconds the search ran ("time out at 4.0004
  // secs, ..."); null for an end that needs none (the search walked everything or hit
  // the target exactly).
  const char *message_before_seconds;
  const char *message_after_seconds;
};

// Every end, in the order of SearchEnd.
inline constexpr SearchEndText kSearchEnds[] = {
    {SearchEnd::kExhausted, "exhausted", nullptr, nullptr},
    {SearchEnd::kExactHit, "exact_hit", nullptr, nullptr},
    {SearchEnd::kTimeOut, "time_out", "time out at ", " secs, last max sum of exponents completed 0"},
    {SearchEnd::kInterrupted, "interrupted", "interrupted at ",
     " secs; the report covers the values tested until then"},
    {SearchEnd::kOutputLost, "output_lost", "stopped at ", " secs: standard output could not be written"},
};

const SearchEndText &search_end_text(SearchEnd end);
// The end whose record name is name, or null for a name no end has.
const SearchEndText *search_end_named(const std::string &name);
// The text output's message for an end after this many seconds; empty for an end that needs none.
std::string search_end_message(const SearchEndText &end, double seconds);
