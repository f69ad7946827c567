// The look-up in the table of search ends.
#include "present/search_ends.h"

const SearchEndText &search_end_text(SearchEnd end) {
  for (const SearchEndText &entry : kSearchEnds) {
    if (entry.end == end) return entry;
  }
  return kSearchEnds[0];
}
