// The temperament layer: facts of well-known temperaments (each computed independently
// beforehand), invariants over random comma sets, and the lattice's overflow refusal.
#include "theory/temperament.h"

#include <gtest/gtest.h>

#include <random>

#include "present/temper_items.h"
#include "present/temperament_report.h"
#include "theory/lattice.h"
#include "theory/temperament_error.h"

namespace {

Basis limit(int p) { return make_basis(prime_limit_elements(p)); }

IntMatrix hermite_rows(const IntMatrix &rows, int columns) {
  HermiteForm h = hermite_form(rows, columns);
  return IntMatrix(h.form.begin(), h.form.begin() + h.rank);
}

std::string generator_ratio(const Temperament &t, size_t i) {
  const Generator &g = i == 0 ? t.period : t.generators[i - 1];
  return g.has_interval ? basis_ratio_text(t.basis, g.interval) : "?";
}

TEST(Temperament, MeantoneFromTheCommaAndFromTwelveAndNineteen) {
  Basis b = limit(5);
  Temperament from_comma = temperament_from_commas(b, {{-4, 4, -1}}, {"81/80"});
  Temperament from_vals = temperament_from_vals(b, {patent_val(b, 12), patent_val(b, 19)}, {"12", "19"}, 0);
  for (const Temperament &t : {from_comma, from_vals}) {
    EXPECT_EQ(t.mapping, (IntMatrix{{1, 0, -4}, {0, 1, 4}}));
    EXPECT_EQ(generator_ratio(t, 1), "4/3");
    EXPECT_NEAR(t.generators[0].pote, 503.761, 5e-4);
    EXPECT_NEAR(t.pote.map[1] - t.pote.map[0], 696.239, 5e-4);
    EXPECT_NEAR(t.te.map[0], 1201.397, 5e-4);
    EXPECT_EQ(t.pote.map[0], 1200.0);
    EXPECT_EQ(t.cte.map[0], 1200.0);
    ASSERT_GE(t.edos.size(), 7u);
    EXPECT_EQ(std::vector<int64_t>(t.edos.begin(), t.edos.begin() + 7),
              (std::vector<int64_t>{5, 7, 12, 19, 24, 26, 31}));
  }
}

TEST(Temperament, MarvelMiracleAndPorcupine) {
  Temperament marvel = temperament_from_commas(limit(11), {{-5, 2, 2, -1, 0}, {-7, -1, 1, 1, 1}}, {"a", "b"});
  std::vector<double> te = {1200.640, 1901.403, 2785.025, 3369.655, 4151.204};
  std::vector<double> pote = {1200.000, 1900.389, 2783.540, 3367.858, 4148.990};
  for (size_t i = 0; i < te.size(); ++i) {
    EXPECT_NEAR(marvel.te.map[i], te[i], 5e-4);
    EXPECT_NEAR(marvel.pote.map[i], pote[i], 5e-4);
  }
  EXPECT_NEAR(marvel.te_error, 0.4307, 5e-5);
  EXPECT_NEAR(marvel.te_complexity, 0.15566, 5e-6);
  EXPECT_DOUBLE_EQ(marvel.badness, marvel.te_error * marvel.te_complexity / 1200);

  Temperament miracle = temperament_from_commas(limit(7), {{-5, 2, 2, -1}, {-10, 1, 0, 3}}, {"a", "b"});
  EXPECT_NEAR(miracle.generators[0].pote, 116.675, 5e-4);
  EXPECT_EQ(generator_ratio(miracle, 1), "15/14");

  Temperament porcupine = temperament_from_commas(limit(5), {{1, -5, 3}}, {"250/243"});
  EXPECT_EQ(generator_ratio(porcupine, 1), "10/9");
  IntVector six_fifths = {1, 1, -1};  // 6/5 as 2·3/5
  IntVector four_thirds = {2, -1, 0};
  auto pote_size = [&](const IntVector &v) {
    double cents = 0;
    for (size_t i = 0; i < v.size(); ++i) cents += static_cast<double>(v[i]) * porcupine.pote.map[i];
    return cents;
  };
  EXPECT_NEAR(pote_size(six_fifths), 327.901, 5e-4);
  EXPECT_NEAR(pote_size(four_thirds), 491.851, 5e-4);
}

TEST(Temperament, ConsistencyLimitsOfPatentVals) {
  Basis primes = limit(43);
  std::vector<std::pair<int64_t, int64_t>> expected = {{5, 9},   {7, 5},   {12, 9}, {19, 9},  {22, 11},
                                                       {31, 11}, {41, 15}, {53, 9}, {72, 17}, {311, 41}};
  for (const auto &[edo, odd_limit] : expected) {
    ConsistencyLimit got = consistency_limit(primes, patent_val(primes, edo));
    EXPECT_EQ(got.limit, odd_limit) << edo;
    EXPECT_FALSE(got.at_least) << edo;
    // An EDO number on a small basis still uses its patent val over the primes to 43.
    Basis five = limit(5);
    EXPECT_EQ(temperament_from_vals(five, {patent_val(five, edo)}, {"n"}, edo).consistency.limit, odd_limit);
  }
  Basis five = limit(5);
  ConsistencyLimit explicit_twelve = consistency_limit(five, {12, 19, 28});
  EXPECT_EQ(explicit_twelve.limit, 5);
  EXPECT_TRUE(explicit_twelve.at_least);
}

TEST(Temperament, WartsPickTheFartherStepCounts) {
  Basis b = limit(7);
  EXPECT_EQ(warted_val(b, 17, "c"), (IntVector{17, 27, 40, 48}));   // 5: 39.47 -> 40 second nearest
  EXPECT_EQ(warted_val(b, 17, "cc"), (IntVector{17, 27, 38, 48}));  // third nearest
  EXPECT_EQ(warted_val(b, 12, "bd"), (IntVector{12, 20, 28, 33}));
  EXPECT_THROW(warted_val(b, 12, "a"), TemperamentError);
  EXPECT_THROW(warted_val(b, 12, "e"), TemperamentError);
}

// Random 2- to 4-comma sets in the 7- to 13-limit, checked against what defines them.
TEST(Temperament, InvariantsOverRandomCommaSets) {
  std::mt19937 random(20261209);
  std::uniform_int_distribution<int> exponent(-4, 4);
  int checked = 0;
  for (int trial = 0; trial < 200; ++trial) {
    int p = std::vector<int>{7, 11, 13}[trial % 3];
    Basis b = limit(p);
    int n = static_cast<int>(b.elements.size());
    int count = 1 + trial % (n - 1);
    IntMatrix commas(count, IntVector(n));
    for (IntVector &c : commas) {
      for (int64_t &x : c) x = exponent(random);
    }
    if (integer_rank(commas, n) < count) continue;
    std::vector<std::string> names(count, "c");
    Temperament t = temperament_from_commas(b, commas, names);
    ++checked;
    ASSERT_EQ(t.rank(), n - count);
    for (const IntVector &c : commas) {
      for (const IntVector &row : t.mapping) EXPECT_EQ(dot(row, c), 0);
    }
    // The reduced comma basis spans the whole kernel: the same saturated lattice.
    EXPECT_EQ(hermite_rows(t.commas, n), hermite_rows(integer_kernel(t.mapping, n), n));
    // Reordered, multiplied and combined commas give the same mapping.
    IntMatrix changed(commas.rbegin(), commas.rend());
    changed[0] = add_scaled(changed[0], 3, changed.back());
    if (changed.size() > 1) changed.back() = add_scaled(IntVector(n, 0), -2, changed.back());
    EXPECT_EQ(temperament_from_commas(b, changed, names).mapping, t.mapping);
    EXPECT_EQ(t.pote.map[0], 1200.0);
    EXPECT_EQ(t.cte.map[0], 1200.0);
    // The vals of rank EDOs found give the same mapping when they are independent.
    if (t.rank() == 1 && !t.edos.empty()) {
      EXPECT_EQ(temperament_from_vals(b, {patent_val(b, t.edos[0])}, {"v"}, 0).mapping, t.mapping);
    }
    if (t.rank() == 2 && t.edos.size() >= 2) {
      for (size_t j = 1; j < t.edos.size(); ++j) {
        IntMatrix vals = {patent_val(b, t.edos[0]), patent_val(b, t.edos[j])};
        if (integer_rank(vals, n) < 2) continue;
        EXPECT_EQ(temperament_from_vals(b, vals, {"v", "w"}, 0).mapping, t.mapping);
        break;
      }
    }
  }
  EXPECT_GE(checked, 150);
}

TEST(Temperament, SubgroupsKeepTheirElements) {
  Basis b = make_basis({2, 9, 5});
  PrimeExponents diaschisma = {{2, 11}, {3, -4}, {5, -2}};
  IntVector coordinates;
  ASSERT_TRUE(basis_coordinates(b, diaschisma, coordinates));
  EXPECT_EQ(coordinates, (IntVector{11, -2, -2}));
  EXPECT_FALSE(basis_coordinates(b, {{2, -1}, {3, 1}}, coordinates));  // 3/2
  Temperament t = temperament_from_commas(b, {coordinates}, {"2048/2025"});
  EXPECT_EQ(std::vector<int64_t>(t.edos.begin(), t.edos.begin() + 4), (std::vector<int64_t>{2, 4, 6, 8}));
  EXPECT_THROW(make_basis({2, 4, 3}), TemperamentError);
}

TEST(Temperament, TheExactArithmeticRefusesToOverflow) {
  EXPECT_THROW(checked_mul(int64_t{1} << 40, int64_t{1} << 30), LatticeOverflow);
  Basis b = limit(5);
  EXPECT_THROW(temperament_from_commas(b, {{INT64_MAX / 2, -3, 1}, {1, INT64_MAX / 3, 5}}, {"a", "b"}),
               LatticeOverflow);
}

// The line's items with a basis named or not, as the command line and the page read them.
TEST(Temperament, ItemsAsTypedOverANamedBasisOrTheCommasOwnLimit) {
  std::vector<TemperItem> comma = read_temper_items(split_temper_items({"81/80"}));
  Temperament own_limit = temperament_of({}, comma);
  EXPECT_EQ(own_limit.basis.elements, (std::vector<int64_t>{2, 3, 5}));
  EXPECT_EQ(own_limit.mapping, temperament_from_commas(limit(5), {{-4, 4, -1}}, {"81/80"}).mapping);
  EXPECT_EQ(temperament_of({2, 3, 5, 7}, comma).rank(), 3);
  std::vector<TemperItem> vals = read_temper_items(split_temper_items({"12", "&19"}));
  EXPECT_EQ(temperament_of({2, 3, 5}, vals).mapping, own_limit.mapping);
  EXPECT_EQ(temperament_words(vals), "12 & 19");
  EXPECT_EQ(temperament_words(read_temper_items(split_temper_items({"[-4", "4", "-1>", "126/125"}))),
            "[-4 4 -1>, 126/125");
  EXPECT_THROW(temperament_of({}, vals), TemperamentError);  // vals need a basis
  EXPECT_THROW(temperament_of({2, 3, 7}, comma), TemperamentError);
}

}  // namespace
