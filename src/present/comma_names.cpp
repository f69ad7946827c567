// The table of named intervals and the look-up: an approximant is reduced to its
// exponents of the primes 2, 3, 5 and 7 (any other prime left means no name) and
// compared with the table's entries, turned the same way.
#include "present/comma_names.h"

#include <array>
#include <cstddef>
#include <utility>

namespace {

using SevenLimitMonzo = std::array<int64_t, 4>;  // exponents of 2, 3, 5, 7
constexpr int64_t kSevenLimitPrimes[] = {2, 3, 5, 7};

const std::vector<NamedInterval> kNamedIntervals = {
    {81, 80, "syntonic comma"},
    {32805, 32768, "schisma"},
    {2048, 2025, "diaschisma"},
    {531441, 524288, "Pythagorean comma"},
    {15625, 15552, "kleisma"},
    {128, 125, "diesis"},
    {648, 625, "greater diesis"},
    {250, 243, "maximal diesis"},
    {3125, 3072, "small diesis"},
    {25, 24, "chroma"},
    {256, 243, "Pythagorean limma"},
    {2187, 2048, "apotome"},
    {64, 63, "septimal comma"},
    {225, 224, "septimal kleisma"},
    {126, 125, "septimal semicomma"},
    {4375, 4374, "ragisma"},
    {2401, 2400, "breedsma"},
    {245, 243, "sensamagic comma"},
    {1029, 1024, "gamelisma"},
    {49, 48, "slendro diesis"},
    {50, 49, "jubilisma"},
    {36, 35, "septimal quarter tone"},
    {393216, 390625, "Würschmidt comma"},
    {6144, 6125, "porwell comma"},
    {16875, 16384, "negri comma"},
    {20000, 19683, "tetracot comma"},
    {78732, 78125, "sensipent comma"},
    {1600000, 1594323, "amity comma"},
    {2109375, 2097152, "semicomma"},
    {1224440064, 1220703125, "parakleisma"},
    {5120, 5103, "hemifamity"},
    {3136, 3125, "hemimean comma"},
    {1728, 1715, "orwellisma"},
    {65625, 65536, "horwell comma"},
    {10976, 10935, "hemimage"},
    {875, 864, "keema"},
    {2430, 2401, "nuwell comma"},
    {19683, 19600, "cataharry comma"},
    {525, 512, "Avicenna enharmonic diesis"},
    {28, 27, "septimal third-tone"},
    {21, 20, "septimal chromatic semitone"},
    {16, 15, "diatonic semitone"},
    {135, 128, "major chroma"},
    {27, 25, "large limma"},
    {10, 9, "minor whole tone"},
    {9, 8, "major whole tone"},
};

// A factor may have other primes that cancel between factors (6 and 11 against 66), so
// primes above 7 are tallied too, each by value, and must all come to zero.
struct OtherPrimes {
  std::vector<std::pair<int64_t, int64_t>> exponents;  // prime, net exponent
  void add(int64_t prime, int64_t count) {
    for (auto &entry : exponents) {
      if (entry.first == prime) {
        entry.second += count;
        return;
      }
    }
    exponents.emplace_back(prime, count);
  }
  bool all_cancel() const {
    for (const auto &entry : exponents) {
      if (entry.second != 0) return false;
    }
    return true;
  }
};

void add_factor(int64_t value, int64_t count, SevenLimitMonzo &monzo, OtherPrimes &others) {
  for (size_t p = 0; p < monzo.size(); ++p) {
    while (value % kSevenLimitPrimes[p] == 0) {
      value /= kSevenLimitPrimes[p];
      monzo[p] += count;
    }
  }
  for (int64_t prime = 11; prime * prime <= value; prime += 2) {
    while (value % prime == 0) {
      value /= prime;
      others.add(prime, count);
    }
  }
  if (value > 1) others.add(value, count);
}

// The 7-limit monzos of the table's entries, in table order.
const std::vector<SevenLimitMonzo> &named_monzos() {
  static const std::vector<SevenLimitMonzo> monzos = [] {
    std::vector<SevenLimitMonzo> all;
    for (const NamedInterval &entry : kNamedIntervals) {
      SevenLimitMonzo monzo{};
      OtherPrimes none;  // the table holds 7-limit intervals only
      add_factor(static_cast<int64_t>(entry.numerator), 1, monzo, none);
      add_factor(static_cast<int64_t>(entry.denominator), -1, monzo, none);
      all.push_back(monzo);
    }
    return all;
  }();
  return monzos;
}

bool same_or_inverse(const SevenLimitMonzo &a, const SevenLimitMonzo &b) {
  bool same = true;
  bool inverse = true;
  for (size_t p = 0; p < a.size(); ++p) {
    same = same && a[p] == b[p];
    inverse = inverse && a[p] == -b[p];
  }
  return same || inverse;
}

}  // namespace

const std::vector<NamedInterval> &named_intervals() { return kNamedIntervals; }

const char *interval_name(const int *factors, const int *exponents, int count) {
  SevenLimitMonzo monzo{};
  OtherPrimes others;
  for (int i = 0; i < count; ++i) {
    if (exponents[i] != 0) add_factor(factors[i], exponents[i], monzo, others);
  }
  if (!others.all_cancel()) return nullptr;
  const std::vector<SevenLimitMonzo> &monzos = named_monzos();
  for (size_t i = 0; i < monzos.size(); ++i) {
    if (same_or_inverse(monzo, monzos[i])) return kNamedIntervals[i].name;
  }
  return nullptr;
}
