// The table of named intervals and the look-up: an interval's exponents of the primes
// 2, 3, 5 and 7 (any other prime means no name) are compared with the table's entries,
// turned the same way.
#include "present/comma_names.h"

#include <array>
#include <cstddef>

#include "present/primes.h"

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

// The 7-limit monzos of the table's entries, in table order.
const std::vector<SevenLimitMonzo> &named_monzos() {
  static const std::vector<SevenLimitMonzo> monzos = [] {
    std::vector<SevenLimitMonzo> all;
    for (const NamedInterval &entry : kNamedIntervals) {
      SevenLimitMonzo monzo{};
      for (int sign : {1, -1}) {
        auto value = static_cast<int64_t>(sign > 0 ? entry.numerator : entry.denominator);
        for (const auto &power : prime_powers_of(value)) {
          for (size_t p = 0; p < monzo.size(); ++p) {
            if (kSevenLimitPrimes[p] == power.first) monzo[p] += static_cast<int64_t>(sign) * power.second;
          }
        }
      }
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

const char *comma_name(const std::vector<int64_t> &prime_monzo) {
  SevenLimitMonzo monzo{};
  if (prime_monzo.size() > monzo.size()) return nullptr;
  for (size_t p = 0; p < prime_monzo.size(); ++p) monzo[p] = prime_monzo[p];
  const std::vector<SevenLimitMonzo> &monzos = named_monzos();
  for (size_t i = 0; i < monzos.size(); ++i) {
    if (same_or_inverse(monzo, monzos[i])) return kNamedIntervals[i].name;
  }
  return nullptr;
}
