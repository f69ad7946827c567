// The items of a temper line (commas such as 81/80 or [-4 4 -1>, vals such as 12, 17c or
// <12 19 28]) read and made into a temperament over a basis that is named or, for commas,
// the smallest prime limit that holds them. The command line and the page both read here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "theory/temperament.h"

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

// The words of a line as items: "12 & 19", "12&19" and "12 19" are the same join, and a val
// or monzo typed unquoted in pieces ("<12", "19", "28]") is one item again.
std::vector<std::string> split_temper_items(const std::vector<std::string> &arguments);

// Each text read as a comma or a val; throws TemperamentError (or LatticeOverflow for an
// entry past 64 bits) naming what is wrong.
std::vector<TemperItem> read_temper_items(const std::vector<std::string> &texts);

// The temperament of items of one kind (at least one) over the basis of these elements, the
// factors of a limit or subgroup; none for commas is the smallest prime limit holding them.
// Throws TemperamentError or LatticeOverflow.
Temperament temperament_of(const std::vector<int64_t> &named, const std::vector<TemperItem> &items);

// The temperament as a scale's description names it: its items as typed, "81/80, 126/125" or "12 & 19".
std::string temperament_words(const std::vector<TemperItem> &items);
