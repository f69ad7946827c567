// Shard files written and merged. The merge reads each input once to index it (where each
// shard's blocks begin, how it ended) and checks every line; then it reads the shards'
// blocks again in odometer order, one file open at a time, so that its memory holds one
// block and the index, however many shards there are. Standard input, which cannot be
// read twice, is copied to a temporary file first.
#include "driver/shard_merge.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifndef RATIOHUNT_VERSION
#define RATIOHUNT_VERSION "unknown"
#endif

namespace {

constexpr const char *kStandardInputName = "standard input";
constexpr size_t kReadChunk = 1 << 16;

#ifdef _WIN32
bool seek_to(std::FILE *file, int64_t offset) { return _fseeki64(file, offset, SEEK_SET) == 0; }
#else
bool seek_to(std::FILE *file, int64_t offset) { return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0; }
#endif

enum class LineRead { kLine, kCutLine, kEnd };

// Reads a line without its LF; kCutLine for a last line that has none.
LineRead read_line(std::FILE *file, std::string &line) {
  line.clear();
  char chunk[kReadChunk];
  while (std::fgets(chunk, sizeof chunk, file) != nullptr) {
    size_t length = std::strlen(chunk);
    if (length > 0 && chunk[length - 1] == '\n') {
      line.append(chunk, length - 1);
      return LineRead::kLine;
    }
    line.append(chunk, length);
  }
  return line.empty() ? LineRead::kEnd : LineRead::kCutLine;
}

std::string shown_name(const std::string &name) { return name == "-" ? kStandardInputName : name; }

std::string shard_name(const ShardHeader &header) {
  return "shard " + std::to_string(header.shard) + "/" + std::to_string(header.shards);
}

// Copies standard input to a temporary file, to be read twice.
std::FILE *spool_standard_input(std::FILE *standard_input) {
  std::FILE *spool = std::tmpfile();
  if (spool == nullptr) return nullptr;
  char chunk[kReadChunk];
  size_t got = 0;
  while (standard_input != nullptr && (got = std::fread(chunk, 1, sizeof chunk, standard_input)) > 0) {
    if (std::fwrite(chunk, 1, got, spool) != got) {
      std::fclose(spool);
      return nullptr;
    }
  }
  return spool;
}

// One input, open for reading: a file of its own, or the spool.
struct OpenInput {
  std::FILE *file = nullptr;
  bool owned = false;
  OpenInput() = default;
  OpenInput(const OpenInput &) = delete;
  OpenInput &operator=(const OpenInput &) = delete;
  ~OpenInput() {
    if (owned && file != nullptr) std::fclose(file);
  }
};

std::string open_input(const MergeInputs &inputs, size_t index, OpenInput &input) {
  const std::string &name = inputs.names[index];
  if (name == "-") {
    input.file = inputs.spool;
    if (input.file == nullptr || !seek_to(input.file, 0)) return "standard input: cannot be kept for reading twice";
    return "";
  }
  input.file = std::fopen(name.c_str(), "rb");
  input.owned = true;
  if (input.file == nullptr) return name + ": cannot be read (" + std::strerror(errno) + ")";
  return "";
}

// Reads one shard's blocks after its header, checking each line; positions the file after
// its end line. Hands every block to block_read when given.
struct ShardReader {
  std::FILE *file = nullptr;
  int64_t offset = 0;  // bytes read so far
  std::string line;

  LineRead next_line() {
    LineRead read = read_line(file, line);
    if (read != LineRead::kEnd) offset += static_cast<int64_t>(line.size()) + (read == LineRead::kLine ? 1 : 0);
    return read;
  }

  // Reads the shard's next block, which must be block `expected`, or its end line (then
  // at_end is set). Returns what is wrong, or "".
  std::string read_item(const ShardHeader &header, int64_t expected, ShardBlock &block, ShardOutcome &outcome,
                        bool &at_end) {
    LineRead read = next_line();
    if (read == LineRead::kEnd) return "is cut short: " + shard_name(header) + " has no end line";
    if (read == LineRead::kCutLine) return "is cut short: its last line is incomplete";
    at_end = read_end_line(line, outcome);
    if (at_end) {
      bool finished = outcome.end == SearchEnd::kExhausted;
      if (outcome.next_block != expected || (finished && expected != header.span.blocks)) {
        return "is damaged: " + shard_name(header) + " ends at a block it does not hold";
      }
      return "";
    }
    int64_t record_count = 0;
    if (!read_block_line(line, block, record_count) || block.index != expected || expected >= header.span.blocks) {
      return "is damaged: " + shard_name(header) + " holds a line that is not its block " + std::to_string(expected);
    }
    const int factor_count = static_cast<int>(header.search.factors.size());
    for (int64_t r = 0; r < record_count; ++r) {
      read = next_line();
      if (read != LineRead::kLine) return "is cut short: its last line is incomplete";
      if (!read_record_line(line, factor_count, block) ||
          !record_gives_its_size(block, block.records.size() - 1, header.ln_factors)) {
        return "is damaged: " + shard_name(header) + " holds a record line it cannot read in block " +
               std::to_string(expected);
      }
    }
    return "";
  }

  // Reads every block of the shard up to its end line, checking each. Returns what is
  // wrong, or "".
  std::string read_all(const ShardHeader &header, ShardOutcome &outcome) {
    ShardBlock block;
    bool at_end = false;
    for (int64_t expected = next_block_of_shard(header.span, 0);;
         expected = next_block_of_shard(header.span, expected + 1)) {
      std::string problem = read_item(header, expected, block, outcome, at_end);
      if (!problem.empty() || at_end) return problem;
    }
  }
};

// Indexes the shards of one input, one after another.
std::string index_input(MergeInputs &inputs, size_t index) {
  OpenInput input;
  std::string problem = open_input(inputs, index, input);
  if (!problem.empty()) return problem;
  const std::string name = shown_name(inputs.names[index]);
  ShardReader reader;
  reader.file = input.file;
  bool any = false;
  for (;;) {
    LineRead read = reader.next_line();
    if (read == LineRead::kEnd) break;
    IndexedShard shard;
    shard.input = index;
    if (read == LineRead::kCutLine || !read_shard_header(reader.line, shard.header)) {
      return name + (any ? ": holds something after its shards that is not a shard" : ": is not a shard file");
    }
    shard.offset = reader.offset;
    problem = reader.read_all(shard.header, shard.outcome);
    if (!problem.empty()) return std::string(name).append(": ").append(problem);
    inputs.shards.push_back(std::move(shard));
    any = true;
  }
  if (!any) return name + ": is empty, not a shard file";
  return "";
}

// Whether a shard belongs with the first one read; what is wrong with it otherwise.
std::string check_belongs(const MergeInputs &inputs, const IndexedShard &shard, const IndexedShard &first) {
  const std::string name = shown_name(inputs.names[shard.input]);
  const std::string first_name = shown_name(inputs.names[first.input]);
  const ShardHeader &a = shard.header;
  const ShardHeader &b = first.header;
  if (a.version != b.version) {
    return name + ": was written by ratiohunt " + a.version + ", " + first_name + " by " + b.version;
  }
  if (!same_query(a, b)) return name + ": is a shard of another search than " + first_name;
  if (a.shards != b.shards) {
    return name + ": is " + shard_name(a) + ", but " + first_name + " is one of " + std::to_string(b.shards);
  }
  std::string log = first_different_log(a, b);
  if (!log.empty()) {
    return name + ": its machine computed " + log + " differently from " + first_name +
           "'s (its maths library rounds another way); run every shard where the logarithms agree";
  }
  if (a.span.blocks != b.span.blocks) {
    return name + ": splits the search into " + std::to_string(a.span.blocks) + " blocks, " + first_name + " into " +
           std::to_string(b.span.blocks);
  }
  return "";
}

// Orders the shards by K, each once and none missing.
std::string order_shards(MergeInputs &inputs) {
  std::vector<IndexedShard> &found = inputs.shards;
  const IndexedShard first = found.front();
  const int shards = first.header.shards;
  std::vector<IndexedShard> ordered(static_cast<size_t>(shards));
  std::vector<char> seen(static_cast<size_t>(shards), 0);
  for (IndexedShard &shard : found) {
    std::string problem = check_belongs(inputs, shard, first);
    if (!problem.empty()) return problem;
    size_t k = static_cast<size_t>(shard.header.shard - 1);
    if (seen[k] != 0) {
      return shown_name(inputs.names[shard.input]) + ": " + shard_name(shard.header) + " is also in " +
             shown_name(inputs.names[ordered[k].input]);
    }
    seen[k] = 1;
    ordered[k] = std::move(shard);
  }
  for (size_t k = 0; k < seen.size(); ++k) {
    if (seen[k] == 0) return "shard " + std::to_string(k + 1) + "/" + std::to_string(shards) + " is missing";
  }
  found = std::move(ordered);
  return "";
}

}  // namespace

MergeInputs::~MergeInputs() {
  if (spool != nullptr) std::fclose(spool);
}

bool write_shard(const RunConfig &config, const std::function<void(const std::string &)> &write) {
  ShardHeader header;
  header.version = RATIOHUNT_VERSION;
  header.shard = config.options.shard;
  header.shards = config.options.shards;
  header.span = plan_shard(config.search, header.shard, header.shards);
  header.target_text = config.target.text;
  header.search = config.search;
  header.max_quotient = config.max_quotient;
  header.precision = config.precision;
  compute_logs(header);
  write(shard_header_line(header));
  const int factor_count = static_cast<int>(config.search.factors.size());
  ShardOutcome outcome = run_shard(config.search, header.shard, header.shards,
                                   [&](const ShardBlock &block) { write(shard_block_lines(block, factor_count)); });
  write(shard_end_line(outcome));
  return outcome.next_block == header.span.blocks || outcome.end == SearchEnd::kExactHit;
}

std::string index_shards(const std::vector<std::string> &names, std::FILE *standard_input, MergeInputs &inputs) {
  if (names.empty()) return "give the shard files to merge (- for standard input)";
  inputs.names = names;
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == "-" && inputs.spool == nullptr) {
      inputs.spool = spool_standard_input(standard_input);
      if (inputs.spool == nullptr) return "standard input: cannot be kept for reading twice (no temporary file)";
    }
    std::string problem = index_input(inputs, i);
    if (!problem.empty()) return problem;
  }
  return order_shards(inputs);
}

RunConfig config_of_shards(const MergeInputs &inputs) {
  const ShardHeader &header = inputs.shards.front().header;
  RunConfig config;
  config.search = header.search;
  config.target.text = header.target_text;
  config.max_quotient = header.max_quotient;
  config.precision = header.precision;
  return config;
}

namespace {

// Whether the shard's blocks end before `block`: it stopped there (or, after an exact hit
// the replay did not confirm, its later blocks were never walked).
bool shard_stopped_at(const IndexedShard &shard, int64_t block) { return shard.outcome.next_block == block; }

// The shards that did not walk all their blocks, for the merge that met one of them.
std::vector<int> unfinished_shards(const MergeInputs &inputs, int met) {
  std::vector<int> unfinished;
  for (const IndexedShard &shard : inputs.shards) {
    bool walked_all = shard.outcome.next_block == shard.header.span.blocks;
    if (shard.header.shard == met || (!walked_all && shard.outcome.end != SearchEnd::kExactHit)) {
      unfinished.push_back(shard.header.shard);
    }
  }
  return unfinished;
}

}  // namespace

MergeOutcome replay_shards(const MergeInputs &inputs, ResultSink &sink) {
  const RunConfig config = config_of_shards(inputs);
  const ShardSpan &span = inputs.shards.front().header.span;
  ShardReplay replay(config.search, sink);
  MergeOutcome outcome;
  double seconds = 0.0;
  std::vector<int64_t> cursor;  // where each shard's next block begins in its input
  for (const IndexedShard &shard : inputs.shards) {
    seconds += shard.outcome.seconds;
    cursor.push_back(shard.offset);
  }
  // Run by run in odometer order, each read from its shard's input where the last one ended.
  bool ended = false;
  for (int64_t block = 0; block < span.blocks && !ended;) {
    const size_t k = static_cast<size_t>(shard_of_block(span, block) - 1);
    const IndexedShard &shard = inputs.shards[k];
    const int64_t run_end = std::min(span.blocks, (block / span.run_blocks + 1) * span.run_blocks);
    OpenInput input;
    outcome.problem = open_input(inputs, shard.input, input);
    if (outcome.problem.empty() && !seek_to(input.file, cursor[k])) outcome.problem = "cannot be read again";
    if (!outcome.problem.empty()) return outcome;
    ShardReader reader;
    reader.file = input.file;
    reader.offset = cursor[k];
    ShardBlock read;
    ShardOutcome unused;
    for (; block < run_end && !ended; ++block) {
      if (shard_stopped_at(shard, block)) {
        outcome.unfinished = unfinished_shards(inputs, shard.header.shard);
        ended = true;
        break;
      }
      bool at_end = false;
      outcome.problem = reader.read_item(shard.header, block, read, unused, at_end);
      if (outcome.problem.empty() && at_end) outcome.problem = "its blocks end early";
      if (!outcome.problem.empty()) {
        outcome.problem = shown_name(inputs.names[shard.input]) + ": changed while it was merged: " + outcome.problem;
        return outcome;
      }
      ended = replay.replay(read);
    }
    cursor[k] = reader.offset;
  }
  replay.finish(outcome.unfinished.empty() ? SearchEnd::kExhausted : SearchEnd::kTimeOut, seconds);
  return outcome;
}
