// The scale command from its command line to its files: its own options are taken out
// first, the rest are the program's options, read by the program's table; then the scale
// is read from exactly one source, checked whole, made just, shown and written. Every
// problem is one line on standard error with exit status 2, before anything is written.
#include "driver/scale_command.h"

#include <map>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "driver/defaults.h"
#include "driver/interrupts.h"
#include "driver/options.h"
#include "driver/platform.h"
#include "driver/problem.h"
#include "driver/run.h"
#include "driver/scale_files.h"
#include "driver/scale_source.h"
#include "present/scala_file.h"
#include "present/scale_table.h"
#include "present/text_format.h"
#include "theory/scale_just.h"

namespace {

constexpr const char *kCommandWord = "scale";

// The scale command's own options; each takes a value.
const char *const kScaleOptions[] = {"edo", "from-scl", "within",    "max-term",
                                     "scl", "kbm",      "base-note", "base-frequency"};

constexpr const char *kUsage =
    "usage: ratiohunt scale (--edo=N[<P>] | --from-scl=FILE | DEGREE... EQUAVE)\n"
    "                       [--limit=P | --subgroup=A.B.C] [--within=CENTS] [--max-term=Q]\n"
    "                       [--scl=FILE] [--kbm=FILE] [--base-note=N] [--base-frequency=HZ]\n"
    "                       [--format=text|json] [--threads=N]\n"
    "Makes each degree of a scale just: the ratio of the basis (default 2.3.5) of least\n"
    "Tenney height within CENTS (default 15) with terms up to Q (default 1000).\n"
    "A degree is a ratio, cents (700c), steps (7\\12) or a monzo; the last is the equave.\n"
    "--scl and --kbm write a Scala scale and a keyboard mapping ('-' is standard output).\n";

Problem bad_option(std::string message) { return problem_of(ProblemKind::kBadOption, std::move(message)); }
Problem output_failed(std::string message) { return problem_of(ProblemKind::kOutputFailed, std::move(message)); }

// The name of an option argument (--name or --name=value), or "" for any other argument.
std::string option_name(const std::string &arg) {
  if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) return "";
  return arg.substr(2, arg.find('=') == std::string::npos ? std::string::npos : arg.find('=') - 2);
}

bool is_scale_option(const std::string &name) {
  for (const char *option : kScaleOptions) {
    if (name == option) return true;
  }
  return false;
}

// The command line split: the scale options' values by name, and every other argument
// in order, argv[0] first.
Problem split_scale_options(int argc, const char *const *argv, std::map<std::string, std::string> &values,
                            std::vector<std::string> &rest) {
  rest.emplace_back(argv[0]);
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string name = options_ended ? "" : option_name(arg);
    options_ended = options_ended || arg == "--";
    if (!is_scale_option(name)) {
      rest.push_back(arg);
      continue;
    }
    size_t equals = arg.find('=');
    if (equals == std::string::npos && i + 1 >= argc) return bad_option("option '--" + name + "' needs a value");
    std::string value = equals != std::string::npos ? arg.substr(equals + 1) : argv[++i];
    if (values.count(name) != 0) return bad_option("option '--" + name + "' is given twice");
    values[name] = value;
  }
  return no_problem();
}

// The program's options among the arguments, read by the program's table.
Problem take_program_options(const std::vector<std::string> &args, RunOptions &options,
                             std::vector<std::string> &positional) {
  std::vector<const char *> argv;
  argv.reserve(args.size());
  for (const std::string &arg : args) argv.push_back(arg.c_str());
  return take_options(static_cast<int>(argv.size()), argv.data(), options, positional);
}

struct ScaleRequest {
  std::map<std::string, std::string> values;  // the scale options as given
  std::vector<std::string> items;             // the degrees on the line
  RunOptions options;                         // the program's options
  std::string scale_text;                     // the scale as given, for the summary
};

void complain(const std::string &problem) { std::fprintf(stderr, "ratiohunt scale: %s\n", problem.c_str()); }

// Says the problem; a bad command line exits 2, output that failed 1.
int report_problem(const Problem &problem) {
  complain(problem.message);
  return problem.kind == ProblemKind::kOutputFailed ? kExitOutputIncomplete : kExitBadCommandLine;
}

// The program's options that mean something here, and the words after `scale`.
Problem read_request(int argc, const char *const *argv, ScaleRequest &request) {
  std::vector<std::string> rest;
  Problem problem = split_scale_options(argc, argv, request.values, rest);
  if (problem) return problem;
  std::vector<std::string> positional;
  problem = take_program_options(rest, request.options, positional);
  if (problem) return problem;
  if (request.options.format == OutputFormat::kCsv)
    return bad_option("--format: the scale command writes text or json");
  if (request.options.every_vector) return bad_option("--every-vector means nothing to the scale command");
  std::string search_option = search_only_option(request.options);
  if (!search_option.empty()) return bad_option(search_option + " means nothing to the scale command");
  if (!request.options.mos_options.empty()) {
    return bad_option(request.options.mos_options[0] + " means nothing to the scale command");
  }
  request.items.assign(positional.begin() + 1, positional.end());  // after the word `scale`
  return no_problem();
}

struct ScalePlan {
  ScaleSource source;
  JustRules rules;
  KeyboardMapping mapping;
  std::string scl_name;
  std::string kbm_name;
};

Problem read_rules(const ScaleRequest &request, ScalePlan &plan) {
  ScaleNumbers numbers;
  numbers.within_cents = kDefaultScaleWithinCents;
  numbers.max_term = kDefaultScaleMaxTerm;
  numbers.base_note = kDefaultBaseNote;
  numbers.base_frequency = kDefaultReferenceHz;
  std::string problem = read_scale_numbers(request.values, numbers);
  plan.rules.basis = request.options.named_factors.empty()
                         ? std::vector<int>(std::begin(kDefaultFactors), std::end(kDefaultFactors))
                         : request.options.named_factors;
  plan.rules.within_cents = numbers.within_cents;
  plan.rules.max_term = static_cast<uint64_t>(numbers.max_term);
  plan.rules.threads = request.options.threads > 0 ? request.options.threads : hardware_threads();
  plan.rules.interrupt = stop_flag();
  // Without --time-out a scale takes as long as it needs; with it, one time out bounds
  // all the degrees' searches together.
  if (request.options.has_time_out) plan.rules.time_out_seconds = request.options.time_out_seconds;
  plan.mapping.base_note = static_cast<int>(numbers.base_note);
  plan.mapping.base_frequency = numbers.base_frequency;
  return problem.empty() ? no_problem() : bad_option(problem);
}

Problem read_file_names(const ScaleRequest &request, ScalePlan &plan) {
  if (request.values.count("scl") != 0) plan.scl_name = request.values.at("scl");
  if (request.values.count("kbm") != 0) plan.kbm_name = request.values.at("kbm");
  if (request.values.count("scl") != 0 && plan.scl_name.empty()) return bad_option("--scl: no file name");
  if (request.values.count("kbm") != 0 && plan.kbm_name.empty()) return bad_option("--kbm: no file name");
  std::string problem = scale_file_names_problem(plan.scl_name, plan.kbm_name);
  return problem.empty() ? no_problem() : bad_option(problem);
}

// The scale from exactly one of its sources.
Problem read_scale(const ScaleRequest &request, ScalePlan &plan) {
  int sources = static_cast<int>(request.values.count("edo") + request.values.count("from-scl")) +
                (request.items.empty() ? 0 : 1);
  if (sources > 1) {
    return problem_of(ProblemKind::kBadScale,
                      "the scale is given more than once: give one of --edo, --from-scl or the degrees");
  }
  if (sources == 0) {
    return problem_of(ProblemKind::kBadScale,
                      "no scale: give --edo=N, --from-scl=FILE or the degrees, the equave last");
  }
  if (request.values.count("from-scl") != 0) return scale_of_file(request.values.at("from-scl"), plan.source);
  std::string problem = request.values.count("edo") != 0
                            ? scale_of_equal_division(request.values.at("edo"), plan.source)
                            : scale_of_items(request.items, plan.source);
  return problem.empty() ? no_problem() : problem_of(ProblemKind::kBadScale, problem);
}

Problem check_basis(const ScalePlan &plan) {
  std::string problem = basis_problem(plan.source.pitches, plan.rules.basis);
  return problem.empty() ? no_problem() : problem_of(ProblemKind::kBadScale, problem);
}

Problem plan_scale(int argc, const char *const *argv, ScaleRequest &request, ScalePlan &plan) {
  Problem problem = read_request(argc, argv, request);
  if (!problem) problem = read_rules(request, plan);
  if (!problem) problem = read_file_names(request, plan);
  if (!problem) problem = read_scale(request, plan);
  if (!problem) problem = check_basis(plan);
  return problem;
}

Problem write_files(int argc, const char *const *argv, const ScalePlan &plan, const ScalaScale &scale,
                    FILE *console_out) {
  std::string problem =
      write_scale_files(command_line_text(argc, argv), plan.scl_name, plan.kbm_name, scale, plan.mapping, console_out);
  return problem.empty() ? no_problem() : output_failed(problem);
}

// The command once its output streams are set up.
int run_scale(int argc, const char *const *argv, FILE *console_out) {
  ScaleRequest request;
  ScalePlan plan;
  Problem problem = plan_scale(argc, argv, request, plan);
  if (request.options.show_help) {
    std::fputs(kUsage, console_out);
    return kExitOk;
  }
  // The word alone asks for the usage; anything else that fails says what is wrong.
  if (request.items.empty() && request.values.empty() && request.options.factors_option.empty()) {
    std::fputs(kUsage, stderr);
    return kExitBadCommandLine;
  }
  if (problem) return report_problem(problem);
  JustScale just = make_scale_just(plan.source.pitches, plan.rules);
  if (interrupting_signal() != 0) return kExitOutputIncomplete;
  if (just.end != SearchEnd::kExhausted) {
    complain(scale_time_out_text(just, plan.source.pitches.size()) + " (--time-out=S gives it more time)");
    return kExitOutputIncomplete;
  }
  const std::vector<JustDegree> &degrees = just.degrees;
  ScaleSummary summary = scale_summary(plan.source, plan.rules);
  std::string shown = request.options.format == OutputFormat::kJson ? scale_records_json(summary, degrees)
                                                                    : scale_table_text(summary, degrees);
  // With the scale file on standard output, the table goes to standard error.
  FILE *table_out = scale_file_on_standard_output(plan.scl_name, plan.kbm_name) ? stderr : console_out;
  problem = write_files(argc, argv, plan, just_scala_scale(summary, degrees), console_out);
  std::fputs(shown.c_str(), table_out);
  bool shown_ok = std::fflush(table_out) == 0 && std::ferror(table_out) == 0;
  if (problem) return report_problem(problem);
  return shown_ok ? kExitOk : kExitOutputIncomplete;
}

}  // namespace

bool is_scale_command(int argc, const char *const *argv) {
  std::map<std::string, std::string> values;
  std::vector<std::string> rest;
  split_scale_options(argc, argv, values, rest);
  RunOptions options;
  std::vector<std::string> positional;
  take_program_options(rest, options, positional);
  return !positional.empty() && positional[0] == kCommandWord;
}

int run_scale_command(int argc, const char *const *argv, FILE *console_out) {
  set_binary_mode(console_out);  // LF line ends on every platform, as in the files
  set_binary_mode(stderr);
  try {
    return run_scale(argc, argv, console_out);
  } catch (const std::bad_alloc &) {
    complain("out of memory");
    return kExitOutputIncomplete;
  }
}
