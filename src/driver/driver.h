// The run driver: the program's entry as a callable run, the command line, the output
// channel that copies every message to the console and the results file, and the report.
// Every text the driver prints and every default of the command line is named here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

struct FactorTable;
struct SearchState;

struct RunConfig {
  double x;
  double y;
  double max_quotient;
  double ln_max_quotient;
  int precision;
  double time_out_seconds;
  bool range_mode;
  double range_low_cents;
  double range_high_cents;
  int factor_count;
};

// ---- Defaults and limits -------------------------------------------------------------
constexpr double kDefaultMaxQuotient = 1000000.0;
constexpr int kDefaultPrecision = 5;
constexpr double kDefaultTimeOutSeconds = 4.0;
constexpr double kDefaultRangeLowCents = 40.0;
constexpr double kDefaultRangeHighCents = 60.0;
constexpr int kDefaultFactors[] = {2, 3, 5};
constexpr int kDefaultFactorCount = 3;
constexpr int kMinArrayEntries = 4;      // the factor arrays always hold the default table
constexpr double kLimitSlack = 1e-10;    // keeps an exact power of a factor within the limit
constexpr int kLetteredFactorsMax = 26;  // more factors are named a0, a1, ... in the header
constexpr int kRangeModeArgument = -2;
constexpr size_t kDateBufferSize = 128;

// ---- Texts ---------------------------------------------------------------------------
extern const char *const kUsagePage1;
extern const char *const kUsagePage2;
constexpr const char *kOutOfMemoryFormat = "Out of memory, %g Kb extra needed";
constexpr const char *kDateLineFormat = "%s\n";
constexpr const char *kDateAfterHourFormat = "%p %A, %B %d, %Y %Z";
constexpr const char *kCommandLineTitle = "command line:\n";
constexpr const char *kCommandLineArgumentFormat = " %s";
constexpr const char *kHeaderEnd = "\n\n";
constexpr const char *kReadRatioFormat = "Read: ratio to approx %.12g/%.12g\n";
constexpr const char *kZeroTargetText = "Denominator and denumerator have to be non zero.\n";
constexpr const char *kBadRatioText = "Ratio to approx has to be positive and finite.\n";
constexpr const char *kBadFactorFormat = "Read: %d as one of the factors to look for, ratio to approx %d/%d\n";
constexpr const char *kBadFactorText = "All factors need to be positive and non zero\n";
constexpr const char *kLastFactorOneFormat = "Read: 1 as the last factor to look for, ratio to approx %d/%d\n";
constexpr const char *kLastFactorOneText = "The last factor needs to be 2 or more\n";
constexpr const char *kSeeUsageText = "Run prog without any args for example of use\n";
constexpr const char *kRangeHeaderFormat =
    "Ratios differing from %.12g/%.12g:\nby a comma or diesis etc in range %.12g to %.12g cents\nand in the form:\n";
constexpr const char *kSuccessiveHeaderFormat = "Successive approx. to %.12g/%.12g in form:\n";
constexpr const char *kFactorSeparator = " * ";
constexpr const char *kLetteredFactorFormat = "%d^%c";
constexpr const char *kNumberedFactorFormat = "%d^a%d";
constexpr const char *kRangeMaxQuotientFormat = "Max quotient to look for: %.7g\n\n";
constexpr const char *kSuccessiveMaxQuotientFormat = "Max quotient to look for: %g\n\n";
constexpr const char *kReportCountsFormat = "\n(%lld values tested, %d values found)\n";
constexpr const char *kReportValuesTitle = "\n\nValues in cents\n0.0 ";
constexpr const char *kReportListEntryFormat = "%.*Lg ";
constexpr const char *kReportDiffsTitleFormat = "\n\nCents diffs from target %.*Lg\n";
constexpr const char *kReportClosingFormat = "\n\n%.12g/%.12g = %.12g cents ";

// ---- The run -------------------------------------------------------------------------
// Runs the program once on argv (program name first) with the given console streams.
// Nothing is carried from one run to the next. Always returns 0.
int run_ratiohunt(int argc, const char *const *argv, FILE *console_out, FILE *console_in);

// ---- Command line --------------------------------------------------------------------
// How reading the command line ended; every verdict but kArgumentsOk ends the run.
enum class ArgumentVerdict { kArgumentsOk, kShowUsage, kZeroTarget, kBadRatio, kBadFactor, kLastFactorOne };

struct ParsedArguments {
  ArgumentVerdict verdict;
  bool has_results_file;    // the first argument is in brackets
  int results_name_length;  // the name starts after the "(" of argv[1]
  int bad_factor_reading;   // the integer reading of a rejected factor
};

// The platform's atoi, but clamped to the int range instead of undefined beyond it.
int read_int_argument(const char *text);
// The platform's strtod: longest valid prefix, 0 when there is no number.
double read_number_argument(const char *text);

// Reads the whole command line into config and factor_values (which holds argc entries
// or kMinArrayEntries, whichever is more). Prints nothing.
ParsedArguments read_command_line(int argc, const char *const *argv, RunConfig &config, int *factor_values);

// The largest folded exponent the odometer gives a factor under ln(max quotient).
int factor_limit(int factor, double ln_max_quotient);

// Fills the logarithm and limit of every factor whose value is in the table.
void fill_factor_table(const RunConfig &config, FactorTable &table);

// The int a target number shows in the factor messages: truncated, clamped to the int range.
int target_as_int(double value);

void print_usage_pages();
void print_argument_error(const ParsedArguments &parsed, const RunConfig &config);
void print_run_header(int argc, const char *const *argv);
void print_search_header(const RunConfig &config, const int *factor_values);

// ---- Output channel ------------------------------------------------------------------
// printf-style output to the console and, when open, the results file. Formats follow
// printf with the console platform's conventions: every %g/%e conversion writes its
// exponent with at least three digits, and "L" on a floating conversion still takes a
// double. Returns the number of characters written.
int tee_printf(const char *format, ...);

// Formats like tee_printf into a buffer of the given size (always terminated, cut to
// fit); returns the full length of the text.
int format_message(char *buffer, size_t size, const char *format, ...);

// Binds the channel to this run's console streams; no results file is open after it.
void open_output_channel(FILE *console_out, FILE *console_in);
// Opens the results file; on failure warns on stderr and goes on console-only.
void open_results_file(const char *name);
// Flushes the outputs and reads one character from the console input (the key wait).
void wait_for_key();
// Closes the results file, if any, and lets go of the console streams.
void close_output_channel();
// Writes text straight to the console only (the usage pages).
void write_console_only(const char *text);

// ---- Report --------------------------------------------------------------------------
// Prints the counts, the cents lists (successive mode) and the closing line.
void print_report(const RunConfig &config, const SearchState &state, const double *result_log);

// ---- Platform ------------------------------------------------------------------------
int64_t process_clock_ms();  // wall-clock milliseconds from a steady clock
// The local date line, such as "5 PM Tuesday, December 08, 2026 UTC"; false when the
// local time cannot be determined.
bool format_local_date(char *buffer, size_t size);
bool stream_is_terminal(FILE *stream);
