// The two ends of a search split across machines: a shard run that writes its shard
// file, and the merge that reads shard files back, checks that they belong together and
// replays them into what one run of their search prints.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver/run_config.h"
#include "present/shard_file.h"

// Runs shard K of N of the configured search, writing its shard file through write.
// Returns false when the shard stopped before its last block (the file says where).
bool write_shard(const RunConfig &config, const std::function<void(const std::string &)> &write);

// Shard files read and checked, ready to replay: where each shard's blocks begin.
struct IndexedShard {
  size_t input = 0;    // which input holds it
  int64_t offset = 0;  // of its first line after the header
  ShardHeader header;
  ShardOutcome outcome;
};
struct MergeInputs {
  std::vector<std::string> names;    // as given; "-" is standard input
  std::vector<IndexedShard> shards;  // shard K at K-1
  std::FILE *spool = nullptr;        // standard input, copied to a temporary file
  MergeInputs() = default;
  MergeInputs(const MergeInputs &) = delete;
  MergeInputs &operator=(const MergeInputs &) = delete;
  ~MergeInputs();
};

// Reads every input once, checking each shard's lines and that all shards describe the
// same search, split alike, each once. Returns what is wrong, naming the file, or "".
std::string index_shards(const std::vector<std::string> &names, std::FILE *standard_input, MergeInputs &inputs);

// The run configuration the shards were written for (its options aside).
RunConfig config_of_shards(const MergeInputs &inputs);

// How the replay went: the shards that did not finish, when the merge stopped at the
// first block one of them left unwalked; a problem when a file changed since it was read.
struct MergeOutcome {
  std::vector<int> unfinished;
  std::string problem;
};

// Replays the shards' blocks in odometer order into the sink and ends it with the summary.
MergeOutcome replay_shards(const MergeInputs &inputs, ResultSink &sink);
