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
    {81, 80, 21.5063, "syntonic comma"},
    {32805, 32768, 1.9537, "schisma"},
    {2048, 2025, 19.5526, "diaschisma"},
    {531441, 524288, 23.4600, "Pythagorean comma"},
    {15625, 15552, 8.1073, "kleisma"},
    {128, 125, 41.0589, "diesis"},
    {648, 625, 62.5651, "greater diesis"},
    {250, 243, 49.1661, "maximal diesis"},
    {3125, 3072, 29.6136, "small diesis"},
    {25, 24, 70.6724, "chroma"},
    {256, 243, 90.2250, "Pythagorean limma"},
    {2187, 2048, 113.6850, "apotome"},
    {64, 63, 27.2641, "septimal comma"},
    {225, 224, 7.7115, "septimal kleisma"},
    {126, 125, 13.7948, "septimal semicomma"},
    {4375, 4374, 0.3958, "ragisma"},
    {2401, 2400, 0.7212, "breedsma"},
    {245, 243, 14.1905, "sensamagic comma"},
    {1029, 1024, 8.4327, "gamelisma"},
    {49, 48, 35.6968, "slendro diesis"},
    {50, 49, 34.9756, "jubilisma"},
    {36, 35, 48.7704, "septimal quarter tone"},
    {393216, 390625, 11.4453, "Würschmidt comma"},
    {6144, 6125, 5.3620, "porwell comma"},
    {16875, 16384, 51.1199, "negri comma"},
    {20000, 19683, 27.6598, "tetracot comma"},
    {78732, 78125, 13.3990, "sensipent comma"},
    {1600000, 1594323, 6.1536, "amity comma"},
    {2109375, 2097152, 10.0610, "semicomma"},
    {1224440064, 1220703125, 5.2917, "parakleisma"},
    {5120, 5103, 5.7578, "hemifamity"},
    {3136, 3125, 6.0832, "hemimean comma"},
    {1728, 1715, 13.0736, "orwellisma"},
    {65625, 65536, 2.3495, "horwell comma"},
    {10976, 10935, 6.4790, "hemimage"},
    {875, 864, 21.9020, "keema"},
    {2430, 2401, 20.7851, "nuwell comma"},
    {19683, 19600, 7.3158, "cataharry comma"},
    {525, 512, 43.4083, "Avicenna enharmonic diesis"},
    {28, 27, 62.9609, "septimal third-tone"},
    {21, 20, 84.4672, "septimal chromatic semitone"},
    {16, 15, 111.7313, "diatonic semitone"},
    {135, 128, 92.1787, "major chroma"},
    {27, 25, 133.2376, "large limma"},
    {10, 9, 182.4037, "minor whole tone"},
    {9, 8, 203.9100, "major whole tone"},
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
