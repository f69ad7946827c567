// The look-up in the table of search ends.
#include "present/search_ends.h"

#include "present/text_format.h"

const SearchEndText &search_end_text(SearchEnd end) {
  for (const SearchEndText &entry : kSearchEnds) {
    if (entry.end == end) return entry;
  }
  return kSearchEnds[0];
}

const SearchEndText *search_end_named(const std::string &name) {
  for (const SearchEndText &entry : kSearchEnds) {
    if (name == entry.record_name) return &entry;
  }
  return nullptr;
}

std::string search_end_message(const SearchEndText &end, double seconds) {
  if (end.message_before_seconds == nullptr) return "";
  return end.message_before_seconds + number_text(kEndSecondsFormat, seconds) + end.message_after_seconds;
}
