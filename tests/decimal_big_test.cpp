// The decimal big integer: limb arithmetic and carries, the text form with its inner
// zeros, and exact numerals far beyond 64 bits, including multipliers above 16 bits.
#include "present/decimal_big.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

namespace {

// The same products by a different road: base-10 digits in a string, one at a time.
std::string power_by_decimal_digits(int base, int count) {
  std::string digits = "1";  // most significant first
  for (int step = 0; step < count; ++step) {
    long long carry = 0;
    for (size_t i = digits.size(); i-- > 0;) {
      long long t = static_cast<long long>(digits[i] - '0') * base + carry;
      digits[i] = static_cast<char>('0' + t % 10);
      carry = t / 10;
    }
    while (carry > 0) {
      digits.insert(digits.begin(), static_cast<char>('0' + carry % 10));
      carry /= 10;
    }
  }
  return digits;
}

// DecimalBig is 20 KB; the tests keep theirs on the heap.
struct Number {
  std::unique_ptr<DecimalBig> big = std::make_unique<DecimalBig>();
  Number() { decimal_big_set(*big, 1); }
  std::string str() const { return decimal_big_to_text(*big); }
  std::vector<int> limbs() const { return std::vector<int>(big->limbs, big->limbs + big->length); }
};

std::string power_text(int base, int count) {
  Number n;
  decimal_big_power(*n.big, base, count);
  return n.str();
}

TEST(DecimalBig, SetAndSmallProducts) {
  Number one;
  EXPECT_EQ(one.str(), "1");
  EXPECT_EQ(one.big->length, 1);

  Number a;
  decimal_big_multiply(*a.big, 9999);
  decimal_big_multiply(*a.big, 2);
  EXPECT_EQ(a.limbs(), (std::vector<int>{9998, 1}));
  EXPECT_EQ(a.str(), "19998");

  Number b;
  decimal_big_multiply(*b.big, 5000);
  decimal_big_multiply(*b.big, 2);
  EXPECT_EQ(b.limbs(), (std::vector<int>{0, 1}));
  EXPECT_EQ(b.str(), "10000");
}

TEST(DecimalBig, InnerLimbsKeepTheirLeadingZeros) {
  Number n;
  n.big->length = 3;
  n.big->limbs[0] = 1;
  n.big->limbs[1] = 0;
  n.big->limbs[2] = 1;
  EXPECT_EQ(n.str(), "100000001");
  EXPECT_EQ(power_text(97, 12), "693842360995438000295041");
}

TEST(DecimalBig, CarriesTravelAndLargeMultipliersAddLimbs) {
  Number n;
  decimal_big_multiply(*n.big, 133333334);
  EXPECT_EQ(n.limbs(), (std::vector<int>{3334, 3333, 1}));
  decimal_big_multiply(*n.big, 3);  // 3334 * 3 carries 1 into a limb whose product is 9999
  EXPECT_EQ(n.limbs(), (std::vector<int>{2, 0, 4}));
  EXPECT_EQ(n.str(), "400000002");

  Number m;
  decimal_big_multiply(*m.big, 9999);
  decimal_big_multiply(*m.big, 32767);
  EXPECT_EQ(m.limbs(), (std::vector<int>{7233, 2763, 3}));
  EXPECT_EQ(m.str(), "327637233");
}

TEST(DecimalBig, PowerCounts) {
  EXPECT_EQ(power_text(3, 10), "59049");
  EXPECT_EQ(power_text(3, 0), "1");
  EXPECT_EQ(power_text(3, -4), "1");
}

TEST(DecimalBig, ExactFarBeyondSixtyFourBits) {
  EXPECT_EQ(power_text(3, 332),
            "253662674377353269906808622421677593575965452124025955039003345678597210479768733204348048549792840852"
            "645117190316650670000611256434188843928959845730264857841");
  EXPECT_EQ(power_text(19, 47), "1263046223881900339210386091365390321169375020004522243688539");
  EXPECT_EQ(power_text(13, 64), "196053476430761073330659760423566015424403280004115787589590963842248961");
  EXPECT_EQ(power_text(997, 7), "979188057829902100813");
  EXPECT_EQ(power_text(5, 30), "931322574615478515625");
}

TEST(DecimalBig, WideMultipliersAreExact) {
  const std::vector<std::pair<int, std::vector<std::string>>> powers = {
      {40000, {"40000", "1600000000", "64000000000000"}},
      {65537, {"65537", "4295098369", "281487861809153"}},
      {INT_MAX, {"2147483647", "4611686014132420609", "9903520300447984150353281023"}},
  };
  for (const auto &[base, texts] : powers) {
    for (int count = 1; count <= 3; ++count) EXPECT_EQ(power_text(base, count), texts[count - 1]) << base;
  }
}

TEST(DecimalBig, AgreesWithDigitByDigitProducts) {
  for (int base : {2, 7, 10, 9999, 10000, 10001, 32767, 32768, 65537, 1000003, INT_MAX}) {
    for (int count : {1, 5, 17, 60}) {
      EXPECT_EQ(power_text(base, count), power_by_decimal_digits(base, count)) << base << "^" << count;
    }
  }
}

}  // namespace
