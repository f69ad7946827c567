// The temper line's items read into a temperament: each item becomes a comma (N/D with
// integers of any size, or a monzo over the primes, read by the program's reader of ratios) or a val (an EDO number
// with warts, or <a b c]); the basis is the one named, or for commas the primes they hold.
#include "present/temper_items.h"

#include <algorithm>
#include <cctype>

#include "present/ratio_reader.h"
#include "theory/checked_int.h"
#include "theory/temperament_error.h"

namespace {

constexpr int kMaxEdoDigits = 9;
constexpr int64_t kLargestPrimeOfAnyBasis = 113;  // the 30th prime: a prime limit basis holds at most 30
constexpr int64_t kLargestMonzoPrime = 7919;      // the 1000th prime, as far as a monzo may reach
constexpr const char *kMonzoTooLongProblem = "a monzo has more entries than are supported";

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

Basis basis_for(const std::vector<int64_t> &named, const std::vector<TemperItem> &items, ItemKind kind) {
  if (!named.empty()) return make_basis(named);
  if (kind == ItemKind::kVal) throw TemperamentError("vals need a basis: give --limit=P or --subgroup=A.B.C");
  return make_basis(commas_prime_limit(items));
}

}  // namespace

// "12 & 19", "12&19" and "12 19" are the same join.
std::vector<std::string> split_temper_items(const std::vector<std::string> &arguments) {
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

std::vector<TemperItem> read_temper_items(const std::vector<std::string> &texts) {
  std::vector<TemperItem> items;
  items.reserve(texts.size());
  for (const std::string &text : texts) items.push_back(read_temper_item(text));
  return items;
}

Temperament temperament_of(const std::vector<int64_t> &named, const std::vector<TemperItem> &items) {
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
  Basis basis = basis_for(named, items, kind);
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
