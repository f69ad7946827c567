// Reading the temper line: each item becomes a comma (N/D or a monzo, read by the
// program's reader of ratios) or a val (an EDO number with warts, or <a b c]); the basis
// comes from --limit or --subgroup, or for commas from the primes they hold. With --mos
// the line gives the scale of the temperament's chain of generators and its files.
#include "driver/temper_command.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "driver/output_channel.h"
#include "driver/platform.h"
#include "driver/scale_files.h"
#include "present/mos_table.h"
#include "present/ratio_reader.h"
#include "present/temperament_report.h"
#include "theory/mos.h"
#include "theory/temperament_error.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitOutputLost = 1;
constexpr int kExitUsage = 2;
constexpr int64_t kListedMosSizes = 100;  // a refused --mos lists the sizes up to this
constexpr int kMaxEdoDigits = 9;
constexpr int64_t kLargestPrimeOfAnyBasis = 113;  // the 30th prime: a prime limit basis holds at most 30
constexpr int64_t kLargestMonzoPrime = 7919;      // the 1000th prime, as far as a monzo may reach
constexpr const char *kMonzoTooLongProblem = "a monzo has more entries than are supported";

constexpr const char *kTemperUsage =
    "usage: ratiohunt temper ITEM... [--limit=P | --subgroup=A.B.C] [--format=text|json]\n"
    "  items are commas (81/80, [-4 4 -1>) or vals (12, 17c, <12 19 28]), never both\n"
    "  ratiohunt temper 81/80 126/125         septimal meantone\n"
    "  ratiohunt temper 12 19 --limit=5       the join of two EDOs: meantone\n";

enum class ItemKind { kComma, kVal };

// One item as typed. A comma is a ratio's digits or a monzo over the primes; a val is an
// EDO number with warts or explicit entries.
struct TemperItem {
  std::string text;
  ItemKind kind = ItemKind::kComma;
  std::string numerator, denominator;  // N/D
  bool is_monzo = false;
  IntVector entries;  // a monzo's or an explicit val's
  bool is_explicit_val = false;
  int64_t edo = 0;
  std::string warts;
};

bool all_digits(const std::string &text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A signed integer, checked: past 64 bits is the lattice's overflow error.
bool read_entry(const std::string &text, int64_t &value) {
  size_t start = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (!all_digits(text.substr(start))) return false;
  value = 0;
  for (size_t i = start; i < text.size(); ++i) value = checked_add(checked_mul(value, 10), text[i] - '0');
  if (text[0] == '-') value = checked_neg(value);
  return true;
}

// The entries between an opener and a closer, separated by blanks or commas.
bool read_entries(const std::string &inside, IntVector &entries) {
  std::string spaced = inside;
  std::replace(spaced.begin(), spaced.end(), ',', ' ');
  size_t at = 0;
  while ((at = spaced.find_first_not_of(" \t", at)) != std::string::npos) {
    size_t end = spaced.find_first_of(" \t", at);
    int64_t value = 0;
    if (!read_entry(spaced.substr(at, end == std::string::npos ? std::string::npos : end - at), value)) return false;
    entries.push_back(value);
    at = end;
  }
  return !entries.empty();
}

bool strip_brackets(const std::string &text, const std::vector<std::string> &openers, const std::string &closers,
                    std::string &inside) {
  for (const std::string &opener : openers) {
    if (text.compare(0, opener.size(), opener) != 0 || text.size() <= opener.size()) continue;
    if (closers.find(text.back()) == std::string::npos) return false;
    inside = text.substr(opener.size(), text.size() - opener.size() - 1);
    return true;
  }
  return false;
}

// The angle brackets ⟨ and ⟩ as < and >.
std::string ascii_brackets(std::string text) {
  for (const auto &[from, to] : {std::pair<std::string, std::string>{"\xE2\x9F\xA8", "<"}, {"\xE2\x9F\xA9", ">"}}) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from)) text.replace(at, from.size(), to);
  }
  return text;
}

std::string item_problem(const std::string &text) {
  return "'" + text +
         "' is neither a comma nor a val: write commas as N/D or a monzo [-4 4 -1>, vals as an EDO number "
         "(12, 17c) or <12 19 28]";
}

// A comma, read by the program's reader of ratios: N/D of integers above 0 of any size, or
// a monzo whose entries fit 64 bits. A monzo has always taken commas here as blanks.
TemperItem comma_item(const std::string &typed, const std::string &text) {
  std::string spaced = text;
  if (notation_of(text) == RatioNotation::kMonzo) std::replace(spaced.begin(), spaced.end(), ',', ' ');
  RatioReading reading = read_exact_ratio(spaced);
  if (reading.problem == kMonzoEntryOverflows) throw LatticeOverflow();
  if (reading.problem == kMonzoTooLong) throw TemperamentError(kMonzoTooLongProblem);
  const RatioValue &value = reading.value;
  TemperItem item;
  item.text = typed;
  item.is_monzo = value.notation == RatioNotation::kMonzo;
  item.entries = value.monzo;
  item.numerator = value.numerator_digits;
  item.denominator = value.denominator_digits;
  bool read = item.is_monzo ? !item.entries.empty() : all_digits(item.numerator) && all_digits(item.denominator);
  if (!reading.problem.empty() || !read) throw TemperamentError(item_problem(typed));
  return item;
}

// The one reader of an item: everything the temper line accepts goes through here.
TemperItem read_temper_item(const std::string &typed) {
  TemperItem item;
  item.text = typed;
  std::string text = ascii_brackets(typed);
  std::string inside;
  if (strip_brackets(text, {"<"}, "]|>", inside)) {  // <12 19 28], ⟨12 19 28], <12 19 28|
    item.kind = ItemKind::kVal;
    item.is_explicit_val = true;
    if (!read_entries(inside, item.entries)) throw TemperamentError(item_problem(typed));
    return item;
  }
  RatioNotation notation = notation_of(text);
  if (notation == RatioNotation::kMonzo || notation == RatioNotation::kFraction) return comma_item(typed, text);
  size_t letters = text.find_first_not_of("0123456789");
  std::string number = text.substr(0, letters);
  if (!all_digits(number) || number.size() > static_cast<size_t>(kMaxEdoDigits))
    throw TemperamentError(item_problem(typed));
  item.kind = ItemKind::kVal;
  item.edo = std::stoll(number);
  item.warts = letters == std::string::npos ? "" : text.substr(letters);
  if (!std::all_of(item.warts.begin(), item.warts.end(),
                   [](char c) { return std::islower(static_cast<unsigned char>(c)); })) {
    throw TemperamentError(item_problem(typed));
  }
  return item;
}

bool opens_bracket(const std::string &text) {
  std::string ascii = ascii_brackets(text);
  return !ascii.empty() && (ascii[0] == '<' || ascii[0] == '[' || ascii[0] == '|');
}

bool closes_bracket(const std::string &text) {
  std::string ascii = ascii_brackets(text);
  return !ascii.empty() && (ascii.back() == ']' || ascii.back() == '>' || ascii.back() == '|');
}

// A val or monzo typed unquoted arrives in pieces ("<12", "19", "28]"): joined again.
std::vector<std::string> joined_brackets(const std::vector<std::string> &arguments) {
  std::vector<std::string> joined;
  bool open = false;
  for (const std::string &argument : arguments) {
    if (open) {
      joined.back() += " " + argument;
    } else {
      joined.push_back(argument);
    }
    if (!open && opens_bracket(argument)) {
      open = argument.size() == 1 || !closes_bracket(argument);
    } else if (open) {
      open = !closes_bracket(argument);
    }
  }
  return joined;
}

// "12 & 19", "12&19" and "12 19" are the same join.
std::vector<std::string> split_items(const std::vector<std::string> &arguments) {
  std::vector<std::string> items;
  for (const std::string &argument : joined_brackets(arguments)) {
    size_t start = 0;
    while (start <= argument.size()) {
      size_t amp = argument.find('&', start);
      std::string piece = argument.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
      size_t first = piece.find_first_not_of(' '), last = piece.find_last_not_of(' ');
      if (first != std::string::npos) items.push_back(piece.substr(first, last - first + 1));
      if (amp == std::string::npos) break;
      start = amp + 1;
    }
  }
  return items;
}

PrimeExponents monzo_primes(const IntVector &entries) {
  std::vector<int64_t> primes = prime_limit_elements(kLargestMonzoPrime);
  if (entries.size() > primes.size()) throw TemperamentError(kMonzoTooLongProblem);
  PrimeExponents exponents;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i] != 0) exponents.emplace_back(primes[i], entries[i]);
  }
  return exponents;
}

// A comma's prime exponents, dividing its terms by these primes; leftover says what is not.
PrimeExponents comma_primes(const TemperItem &item, const std::vector<int64_t> &primes, bool &complete) {
  if (item.is_monzo) {
    PrimeExponents exponents = monzo_primes(item.entries);
    complete = std::all_of(exponents.begin(), exponents.end(), [&](const auto &e) {
      return std::find(primes.begin(), primes.end(), e.first) != primes.end();
    });
    return exponents;
  }
  if (item.numerator.find_first_not_of('0') == std::string::npos ||
      item.denominator.find_first_not_of('0') == std::string::npos) {
    throw TemperamentError("the comma " + item.text + " has a zero term");
  }
  PrimeExponents exponents;
  std::string numerator_rest = divide_out_primes(item.numerator, primes, 1, exponents);
  std::string denominator_rest = divide_out_primes(item.denominator, primes, -1, exponents);
  complete = numerator_rest == "1" && denominator_rest == "1";
  return exponents;
}

// Without --limit or --subgroup, the smallest prime limit that holds every comma.
std::vector<int64_t> commas_prime_limit(const std::vector<TemperItem> &items) {
  std::vector<int64_t> allowed = prime_limit_elements(kLargestPrimeOfAnyBasis);
  int64_t largest = 2;
  for (const TemperItem &item : items) {
    bool complete = false;
    PrimeExponents exponents = comma_primes(item, allowed, complete);
    if (!complete) {
      throw TemperamentError("the comma " + item.text + " needs a prime beyond the first " +
                             std::to_string(kMaxBasisElements) + ", more than a basis can hold");
    }
    for (const auto &[prime, exponent] : exponents) {
      if (exponent != 0) largest = std::max(largest, prime);
    }
  }
  return prime_limit_elements(largest);
}

Basis basis_for(const RunOptions &options, const std::vector<TemperItem> &items, ItemKind kind) {
  if (!options.factors_option.empty()) {
    return make_basis(std::vector<int64_t>(options.named_factors.begin(), options.named_factors.end()));
  }
  if (kind == ItemKind::kVal) throw TemperamentError("vals need a basis: give --limit=P or --subgroup=A.B.C");
  return make_basis(commas_prime_limit(items));
}

Temperament temperament_of(const RunOptions &options, const std::vector<TemperItem> &items) {
  ItemKind kind = items[0].kind;
  for (const TemperItem &item : items) {
    if (item.kind != kind) {
      throw TemperamentError("commas and vals are mixed (" + items[0].text + ", " + item.text + "); give one kind");
    }
  }
  // Explicit vals disagreeing in length say so before the basis is looked for.
  const TemperItem *first_explicit = nullptr;
  for (const TemperItem &item : items) {
    if (!item.is_explicit_val) continue;
    if (first_explicit == nullptr) first_explicit = &item;
    if (item.entries.size() != first_explicit->entries.size()) {
      throw TemperamentError("the vals " + first_explicit->text + " and " + item.text + " have different lengths (" +
                             std::to_string(first_explicit->entries.size()) + " and " +
                             std::to_string(item.entries.size()) + ")");
    }
  }
  Basis basis = basis_for(options, items, kind);
  std::vector<std::string> names;
  IntMatrix rows;
  for (const TemperItem &item : items) {
    names.push_back(item.text);
    if (kind == ItemKind::kVal) {
      rows.push_back(item.is_explicit_val ? item.entries : warted_val(basis, item.edo, item.warts));
      continue;
    }
    bool complete = false;
    PrimeExponents exponents = comma_primes(item, basis.primes, complete);
    IntVector coordinates;
    if (!complete || !basis_coordinates(basis, exponents, coordinates)) {
      throw TemperamentError("the comma " + item.text + " is outside the lattice of the basis " + basis_text(basis));
    }
    rows.push_back(coordinates);
  }
  if (kind == ItemKind::kComma) return temperament_from_commas(basis, rows, names);
  bool plain = items.size() == 1 && !items[0].is_explicit_val && items[0].warts.empty();
  return temperament_from_vals(basis, rows, names, plain ? items[0].edo : 0);
}

// The temperament as the scale's description names it: its items as typed.
std::string temperament_words(const std::vector<TemperItem> &items) {
  bool vals = items[0].kind == ItemKind::kVal;
  std::string words;
  for (size_t i = 0; i < items.size(); ++i) words += (i == 0 ? "" : vals ? " & " : ", ") + items[i].text;
  return words;
}

// The chain of the scale: period and generator, the generator in (P/2, P), in the tuning asked for.
MosSummary mos_summary(const RunOptions &options, const Temperament &temperament,
                       const std::vector<TemperItem> &items) {
  if (temperament.rank() != 2) {
    throw TemperamentError("--mos takes a temperament of rank 2; this one has rank " +
                           std::to_string(temperament.rank()));
  }
  MosSummary summary;
  summary.temperament = temperament_words(items);
  summary.tuning = options.cte_tuning ? "CTE" : "POTE";
  const Generator &generator = temperament.generators[0];
  summary.period = options.cte_tuning ? temperament.period.cte : temperament.period.pote;
  summary.generator = upper_generator(summary.period, options.cte_tuning ? generator.cte : generator.pote);
  summary.periods_per_equave = temperament.periods_per_equave;
  summary.equave = std::to_string(temperament.basis.elements[0]) + "/1";
  return summary;
}

// The notes of --mos=N; a size that is not one of two step sizes is refused with those that are.
std::vector<MosNote> mos_scale(const RunOptions &options, MosSummary &summary) {
  int64_t size = options.mos_size;
  int64_t periods = summary.periods_per_equave;
  std::string problem;
  std::vector<MosNote> notes;
  if (size % periods != 0 || size < 2 * periods) {
    problem =
        std::to_string(size) + " notes do not fill " + std::to_string(periods) + " periods alike with two or more each";
  } else {
    notes = mos_notes(summary.period, summary.generator, periods, size);
    summary.steps = mos_steps(notes);
    if (summary.steps.kinds > 2) problem = "a chain of " + std::to_string(size) + " notes has more than two step sizes";
  }
  if (problem.empty()) return notes;
  std::string sizes;
  for (int64_t each : mos_sizes(summary.period, summary.generator, periods, kListedMosSizes)) {
    sizes += " " + std::to_string(each);
  }
  throw TemperamentError("--mos=" + std::to_string(size) + ": " + problem + " (generator " +
                         mos_cents_text(summary.generator) + ", period " + mos_cents_text(summary.period) +
                         " cents); the sizes up to " + std::to_string(kListedMosSizes) + " that have two:" + sizes);
}

// The scale as a scale file has it: the equave last, as its ratio.
ScalaScale mos_scala_scale(const MosSummary &summary, const std::vector<MosNote> &notes, int64_t equave) {
  ScalaScale scale;
  scale.description = mos_description(summary, notes.size());
  for (size_t i = 0; i + 1 < notes.size(); ++i) scale.pitches.push_back(cents_pitch(notes[i].cents));
  scale.pitches.push_back(ratio_pitch(static_cast<uint64_t>(equave), 1));
  return scale;
}

// The scale shown and its files written; with a file on standard output the table goes to standard error.
int write_mos(const RunOptions &options, const Temperament &temperament, const std::vector<TemperItem> &items,
              const std::string &command_line, FILE *console_out) {
  MosSummary summary = mos_summary(options, temperament, items);
  std::vector<MosNote> notes = mos_scale(options, summary);
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
  std::vector<std::string> texts = split_items(arguments);
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
    std::vector<TemperItem> items;
    items.reserve(texts.size());
    for (const std::string &text : texts) items.push_back(read_temper_item(text));
    Temperament temperament = temperament_of(options, items);
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
