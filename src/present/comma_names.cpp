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
