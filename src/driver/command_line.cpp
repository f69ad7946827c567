// Reading the command line into the run configuration: the options (--name[=value],
// -h, -V), taken out wherever they stand, then the positional grammar
// [(FILE)] X Y|N/D [MAXQ [PRECISION [TIMEOUT]]] [MODE [LOW HIGH]] [M1 M2 ...].
#include "driver/command_line.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "driver/defaults.h"
#include "driver/options.h"
#include "driver/platform.h"
#include "present/ratio_reader.h"

int read_int_argument(const std::string &text) {
  long value = std::strtol(text.c_str(), nullptr, 10);  // strtol clamps to the long range itself
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

namespace {

using Words = std::vector<std::string>;

RunConfig default_run_config() {
  RunConfig config;
  config.max_quotient = kDefaultMaxQuotient;
  config.precision = kDefaultPrecision;
  config.search.ln_max_quotient = std::log(kDefaultMaxQuotient);
  config.search.time_out_seconds = kDefaultTimeOutSeconds;
  config.search.range_mode = false;
  config.search.range_low_cents = kDefaultRangeLowCents;
  config.search.range_high_cents = kDefaultRangeHighCents;
  return config;
}

// Takes max quotient, precision and time out, in this order, while each argument reads
// as a non-negative integer; returns the index of the first argument not taken.
size_t read_optional_numbers(const Words &words, size_t index, RunConfig &config) {
  for (int taken = 0; taken < 3 && index < words.size() && read_int_argument(words[index]) >= 0; ++taken, ++index) {
    const char *text = words[index].c_str();
    if (taken == 0) {
      config.max_quotient = read_leading_number(text);
      config.search.ln_max_quotient = std::log(config.max_quotient);
    } else if (taken == 1) {
      config.precision = read_int_argument(words[index]);
    } else {
      double time_out = read_leading_number(text);
      // "nan" reads as no number of seconds at all: the default time out stays.
      if (!std::isnan(time_out)) config.search.time_out_seconds = time_out;
    }
  }
  return index;
}

// A negative argument is the mode; -2 selects range mode and takes up to two cents
// bounds (a bound missing at the end of the line keeps its default).
size_t read_mode(const Words &words, size_t index, RunConfig &config) {
  if (index >= words.size() || read_int_argument(words[index]) >= 0) return index;
  bool range = read_int_argument(words[index]) == kRangeModeArgument;
  ++index;
  if (!range) return index;
  config.search.range_mode = true;
  if (index < words.size()) config.search.range_low_cents = read_leading_number(words[index++].c_str());
  if (index < words.size()) config.search.range_high_cents = read_leading_number(words[index++].c_str());
  return index;
}

// ---- Positional arguments ----------------------------------------------------------

// Where the target stands: after the results file, when there is one.
size_t target_index(const Words &words) { return !words.empty() && words[0][0] == '(' ? 1 : 0; }

// The target is one word when it is N/D or in a notation of its own, else the two
// numbers X Y.
bool target_is_one_word(const Words &words) {
  size_t index = target_index(words);
  return index < words.size() && notation_of(words[index]) != RatioNotation::kNumber;
}

// What is wrong with a one-word target that does not read, or none.
Problem one_word_target_problem(const RatioReading &reading) {
  if (reading.problem.empty()) return no_problem();
  const char *what = reading.value.notation == RatioNotation::kFraction ? "a target N/D" : "a target";
  return problem_of(ProblemKind::kBadTarget, "'" + reading.value.text + "' is not " + what + ": " + reading.problem);
}

// An argument error, with the lines that tell it.
Problem argument_problem(ProblemKind kind, const SearchParams &search, int bad_factor = 0) {
  return problem_of(kind, argument_error_text(kind, search, bad_factor));
}

// Reads the positional arguments after the options; one_word_target is the target when
// it is one word, else null.
ParsedArguments read_positional(const Words &words, const RatioValue *one_word_target, RunConfig &config) {
  ParsedArguments parsed;
  SearchParams &search = config.search;
  const size_t target_words = one_word_target != nullptr ? 1 : 2;
  // Fewer than two words, a one-word target counting as the two numbers it stands for:
  // the usage pages, before a results file is named.
  if (words.size() + (2 - target_words) < 2) {
    parsed.problem = problem_of(ProblemKind::kShowUsage, "");
    return parsed;
  }
  size_t index = 0;
  if (words[0][0] == '(') {
    parsed.has_results_file = true;
    std::string name = words[0].substr(1);
    if (!name.empty() && name.back() == ')') name.pop_back();  // only a final ")" is dropped
    parsed.results_name = name;
    index = 1;
    if (words.size() - index < target_words) {  // nothing to approximate: explain instead of reading past the end
      parsed.problem = problem_of(ProblemKind::kShowUsage, "");
      return parsed;
    }
  }
  config.target = one_word_target != nullptr ? *one_word_target : read_number_pair(words[index], words[index + 1]);
  search.x = config.target.x;
  search.y = config.target.y;
  index += target_words;
  SearchRefusal refusal = target_refusal(search.x, search.y);
  if (refusal != SearchRefusal::kNone) {
    parsed.problem = argument_problem(
        refusal == SearchRefusal::kZeroTarget ? ProblemKind::kZeroTarget : ProblemKind::kBadRatio, search);
    return parsed;
  }
  index = read_optional_numbers(words, index, config);
  index = read_mode(words, index, config);
  for (; index < words.size(); ++index) {
    int factor = read_int_argument(words[index]);
    if (factor < 1) {
      parsed.problem = argument_problem(ProblemKind::kBadFactor, search, factor);
      return parsed;
    }
    search.factors.push_back(factor);
  }
  const RunOptions &options = config.options;
  if (!options.named_factors.empty() && !search.factors.empty()) {
    parsed.problem = problem_of(ProblemKind::kBadOption, options.factors_option +
                                                             " names the factors, and so do the arguments after the "
                                                             "target; give one of them");
    return parsed;
  }
  if (!options.named_factors.empty()) search.factors = options.named_factors;
  if (search.factors.empty()) {  // no factors: the 5-limit search the usage page promises
    search.factors.assign(std::begin(kDefaultFactors), std::end(kDefaultFactors));
  }
  if (search.factors.back() == 1) {  // the last exponent is solved by dividing by ln m
    parsed.problem = argument_problem(ProblemKind::kLastFactorOne, search);
  }
  return parsed;
}

// Options that set what the positional arguments also set win over them.
void apply_search_options(const RunOptions &options, SearchParams &search) {
  search.every_vector = options.every_vector;
  search.complete = options.complete;
  search.threads = options.threads > 0 ? options.threads : hardware_threads();
  if (options.has_time_out) search.time_out_seconds = options.time_out_seconds;
}

}  // namespace

ParsedArguments read_command_line(int argc, const char *const *argv, RunConfig &config) {
  config = default_run_config();
  Words words;
  ParsedArguments parsed;
  parsed.problem = take_options(argc, argv, config.options, words);
  RatioReading one_word;
  bool one_word_target = target_is_one_word(words);
  if (!parsed.problem && one_word_target) {
    one_word = read_ratio(words[target_index(words)]);
    parsed.problem = one_word_target_problem(one_word);
  }
  if (!parsed.problem && !config.options.mos_options.empty()) {
    parsed.problem = problem_of(ProblemKind::kBadOption, config.options.mos_options[0] +
                                                             " means nothing to a search: it is the temper command's");
  }
  if (parsed.problem) return parsed;
  if (config.options.show_help || config.options.show_version) return ParsedArguments{};
  parsed = read_positional(words, one_word_target ? &one_word.value : nullptr, config);
  apply_search_options(config.options, config.search);
  if (!parsed.problem && config.search.complete && !factors_multiplicatively_independent(config.search.factors)) {
    // One ratio would come from many exponent vectors and be listed as many times.
    parsed.problem = problem_of(ProblemKind::kBadOption,
                                "--complete: the factors are multiplicatively dependent (a product of powers of some "
                                "equals another, or a factor is 1); give independent ones, such as primes");
  }
  return parsed;
}
