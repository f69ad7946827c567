// The decimal big integer: carries across limbs, the text form with its inner zeros, and
// exact numerals far beyond 64 bits, for any multiplier and at any size.
#include "present/decimal_big.h"

#include <gtest/gtest.h>

#include <climits>
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

std::string power_text(int base, int count) {
  DecimalBig n;
  decimal_big_power(n, static_cast<uint32_t>(base), count);
  return decimal_big_to_text(n);
}

std::string product_text(const std::vector<uint32_t> &multipliers) {
  DecimalBig n;
  for (uint32_t multiplier : multipliers) decimal_big_multiply(n, multiplier);
  return decimal_big_to_text(n);
}

TEST(DecimalBig, CarriesAcrossLimbsAndInnerZeros) {
  EXPECT_EQ(product_text({}), "1");
  EXPECT_EQ(product_text({999999999, 2}), "1999999998");
  EXPECT_EQ(product_text({500000000, 2}), "1000000000");
  EXPECT_EQ(product_text({1000000000, 1000000000, 3}), "3000000000000000000");  // inner limbs of zeros
  EXPECT_EQ(product_text({999999999, 999999999, 999999999}), "999999997000000002999999999");
  EXPECT_EQ(product_text({UINT32_MAX, UINT32_MAX}), "18446744065119617025");
  EXPECT_EQ(product_text({123456789, 0, 7}), "0");
  EXPECT_EQ(power_text(97, 12), "693842360995438000295041");
  DecimalBig set;
  decimal_big_set(set, UINT32_MAX);
  EXPECT_EQ(decimal_big_to_text(set), "4294967295");
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

// Checked against Python's integers: digit count, both ends and the sum of the digits.
TEST(DecimalBig, GrowsToAHundredThousandDigitsExactly) {
  struct Expected {
    size_t digits;
    const char *head;
    const char *tail;
    int digit_sum;
  };
  auto check = [](const std::string &text, const Expected &expected) {
    EXPECT_EQ(text.size(), expected.digits);
    EXPECT_EQ(text.substr(0, 40), expected.head);
    EXPECT_EQ(text.substr(text.size() - 40), expected.tail);
    int sum = 0;
    for (char digit : text) sum += digit - '0';
    EXPECT_EQ(sum, expected.digit_sum);
  };
  check(power_text(3, 209590),
        {100000, "6978734785597860956170168591698608997779", "3448129075255724770294668706760576951449", 448974});
  DecimalBig n;
  decimal_big_power(n, INT_MAX, 10000);
  decimal_big_power(n, 10, 3);
  check(decimal_big_to_text(n),
        {93323, "1989087150365956000735908430624705274501", "3507167000521386153095021671219200001000", 419347});
}

}  // namespace
