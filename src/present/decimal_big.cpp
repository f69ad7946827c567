// Exact non-negative integers of any size in base-10^9 limbs: schoolbook multiplication by
// one word at a time, and the numeral nine digits a limb.
#include "present/decimal_big.h"

#include <array>
#include <charconv>

void decimal_big_set(DecimalBig &number, uint32_t value) {
  number.limbs.assign(1, value % kDecimalBigBase);
  if (value >= kDecimalBigBase) number.limbs.push_back(value / kDecimalBigBase);
}

// Least significant limb first. In 64 bits a limb times the multiplier plus the carry stays
// below (10^9 - 1) * 2^32 + 2^32 < 2^62, so nothing overflows; the carry left at the top
// needs at most two new limbs.
void decimal_big_multiply(DecimalBig &number, uint32_t multiplier) {
  uint64_t carry = 0;
  for (uint32_t &limb : number.limbs) {
    uint64_t t = static_cast<uint64_t>(limb) * multiplier + carry;
    limb = static_cast<uint32_t>(t % kDecimalBigBase);
    carry = t / kDecimalBigBase;
  }
  for (; carry != 0; carry /= kDecimalBigBase) number.limbs.push_back(static_cast<uint32_t>(carry % kDecimalBigBase));
  // A zero product would otherwise leave zero limbs on top and a numeral with leading zeros.
  while (number.limbs.size() > 1 && number.limbs.back() == 0) number.limbs.pop_back();
}

// The multiplier's powers are gathered into one word while they fit, so a small factor
// costs one pass over the limbs per several powers instead of one per power.
void decimal_big_power(DecimalBig &number, uint32_t multiplier, int count) {
  uint64_t gathered = 1;
  for (int i = 0; i < count; ++i) {
    if (gathered * multiplier > UINT32_MAX) {
      decimal_big_multiply(number, static_cast<uint32_t>(gathered));
      gathered = 1;
    }
    gathered *= multiplier;
  }
  if (gathered != 1) decimal_big_multiply(number, static_cast<uint32_t>(gathered));
}

std::string decimal_big_to_text(const DecimalBig &number) {
  std::array<char, kDecimalBigLimbDigits + 1> digits{};
  auto top = std::to_chars(digits.data(), digits.data() + digits.size(), number.limbs.back());
  std::string text(digits.data(), top.ptr);
  text.reserve(text.size() + kDecimalBigLimbDigits * (number.limbs.size() - 1));
  for (size_t k = number.limbs.size() - 1; k-- > 0;) {
    uint32_t limb = number.limbs[k];
    for (int d = kDecimalBigLimbDigits - 1; d >= 0; --d) {
      digits[static_cast<size_t>(d)] = static_cast<char>('0' + limb % 10);
      limb /= 10;
    }
    text.append(digits.data(), kDecimalBigLimbDigits);
  }
  return text;
}
