// The temper line run: its items (read in the present layer) with the basis of --limit or
// --subgroup become a temperament shown as text or JSON. With --mos the line gives the
// scale of the temperament's chain of generators instead, and its files.
#include "driver/temper_command.h"

#include <cstdio>

#include "driver/output_channel.h"
#include "driver/platform.h"
#include "driver/scale_files.h"
#include "present/mos_table.h"
#include "present/temper_items.h"
#include "present/temperament_report.h"
#include "theory/mos.h"
#include "theory/temperament_error.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitOutputLost = 1;
constexpr int kExitUsage = 2;

constexpr const char *kTemperUsage =
    "usage: ratiohunt temper ITEM... [--limit=P | --subgroup=A.B.C] [--format=text|json]\n"
    "  items are commas (81/80, [-4 4 -1>) or vals (12, 17c, <12 19 28]), never both\n"
    "  ratiohunt temper 81/80 126/125         septimal meantone\n"
    "  ratiohunt temper 12 19 --limit=5       the join of two EDOs: meantone\n";

// The scale shown and its files written; with a file on standard output the table goes to standard error.
int write_mos(const RunOptions &options, const Temperament &temperament, const std::vector<TemperItem> &items,
              const std::string &command_line, FILE *console_out) {
  MosSummary summary = mos_summary_of(temperament, temperament_words(items), options.cte_tuning);
  std::vector<MosNote> notes = mos_scale_of(summary, options.mos_size);
  std::string shown =
      options.format == OutputFormat::kJson ? mos_records_json(summary, notes) : mos_table_text(summary, notes);
  KeyboardMapping mapping;
  mapping.base_note = options.base_note;
  mapping.base_frequency = options.base_frequency;
  std::string problem =
      write_scale_files(command_line, options.scl_name, options.kbm_name,
                        mos_scala_scale(summary, notes, temperament.basis.elements[0]), mapping, console_out);
  if (scale_file_on_standard_output(options.scl_name, options.kbm_name)) {
    std::fputs(shown.c_str(), stderr);
  } else {
    write_output(shown);
  }
  if (problem.empty()) return kExitOk;
  std::fprintf(stderr, "ratiohunt: temper: %s\n", problem.c_str());
  return kExitOutputLost;
}

// The options that only the scale of --mos takes, without it; and its files' names.
void check_mos_options(const RunOptions &options) {
  if (options.mos_size == 0 && !options.mos_options.empty()) {
    throw TemperamentError(options.mos_options[0] + " goes with --mos=N, the scale of the temperament");
  }
  std::string problem = scale_file_names_problem(options.scl_name, options.kbm_name);
  if (!problem.empty()) throw TemperamentError(problem);
}

}  // namespace

int run_temper_command(const RunOptions &options, const std::vector<std::string> &arguments,
                       const std::string &command_line, FILE *console_out) {
  if (options.show_help) {
    write_output(kTemperUsage);
    return kExitOk;
  }
  std::vector<std::string> texts = split_temper_items(arguments);
  if (texts.empty()) {
    std::fputs(kTemperUsage, stderr);
    return kExitUsage;
  }
  if (options.mos_size > 0 || !options.mos_options.empty()) {
    set_binary_mode(console_out);  // LF line ends on every platform, as in the scale files
    set_binary_mode(stderr);
  }
  try {
    if (options.format == OutputFormat::kCsv)
      throw TemperamentError("--format=csv is not offered here: use text or json");
    check_mos_options(options);
    std::vector<TemperItem> items = read_temper_items(texts);
    Temperament temperament =
        temperament_of(std::vector<int64_t>(options.named_factors.begin(), options.named_factors.end()), items);
    if (options.mos_size > 0) return write_mos(options, temperament, items, command_line, console_out);
    write_output(options.format == OutputFormat::kJson ? temperament_json(temperament) : temperament_text(temperament));
    return kExitOk;
  } catch (const TemperamentError &error) {
    std::fprintf(stderr, "ratiohunt: temper: %s\n", error.what());
  } catch (const LatticeOverflow &error) {
    std::fprintf(stderr, "ratiohunt: temper: %s; the input is too large to work with exactly\n", error.what());
  }
  return kExitUsage;
}
