// Named ways for tests to lower the walk's thresholds, so that small searches take the
// paths only big ones take otherwise: the pool of threads, planes, the group table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "search/row_walk.h"

// Threads and planes from the first vector; a worker gives a block back to the merge
// once it holds more than records_per_block records, or with formatted records (range
// mode) past twice bytes_in_flight; the workers ahead of the merge wait past that budget.
inline WalkThresholds blocks_and_planes_at_once(size_t records_per_block = WalkThresholds{}.records_per_block,
                                                size_t bytes_in_flight = WalkThresholds{}.bytes_in_flight) {
  WalkThresholds thresholds;
  thresholds.vectors_for_threads = 0;
  thresholds.planes_of_rows_before_plane = 0;
  thresholds.records_per_block = records_per_block;
  thresholds.bytes_in_flight = bytes_in_flight;
  return thresholds;
}

// The same, with a group table from the first vector whose group holds at most
// group_vectors inner vectors whatever the odometer's size, and blocks that look ahead
// no further than one.
inline WalkThresholds group_table_at_once(int64_t group_vectors,
                                          size_t records_per_block = WalkThresholds{}.records_per_block,
                                          size_t bytes_in_flight = WalkThresholds{}.bytes_in_flight) {
  WalkThresholds thresholds = blocks_and_planes_at_once(records_per_block, bytes_in_flight);
  thresholds.vectors_for_group_table = 0;
  thresholds.max_group_vectors = group_vectors;
  thresholds.group_vectors_per_root = 1e18;  // no bound from the square root
  thresholds.records_in_flight_with_table = 0;
  return thresholds;
}
