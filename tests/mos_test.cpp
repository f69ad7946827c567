// The scales of a chain of generators against sizes worked out apart from the code: the
// notes and MOS sizes below come from a separate sorting of k g mod P in Python, and the
// major scale's steps from music theory.
#include "theory/mos.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr double kCents = 1e-6;

// POTE generators in (P/2, P): the fifth of 81/80, and the complements of the
// generators of 250/243 and of 225/224 with 1029/1024.
constexpr double kMeantoneFifth = 696.2386590355472;
constexpr double kPorcupineGenerator = 1036.0496467723165;
constexpr double kMiracleGenerator = 1083.3248152356082;

void expect_cents(const std::vector<double> &expected, const std::vector<MosNote> &notes) {
  ASSERT_EQ(expected.size(), notes.size());
  for (size_t i = 0; i < notes.size(); ++i) EXPECT_NEAR(expected[i], notes[i].cents, kCents) << "degree " << i + 1;
}

// The step pattern as L and s, degree by degree.
std::string step_pattern(const std::vector<MosNote> &notes, const MosSteps &steps) {
  std::string pattern;
  double below = 0.0;
  for (const MosNote &note : notes) {
    pattern += std::abs(note.cents - below - steps.large) < kCents ? 'L' : 's';
    below = note.cents;
  }
  return pattern;
}

TEST(Mos, MeantoneSevenIsTheMajorScaleOfTheChainFromFToB) {
  std::vector<MosNote> notes = mos_notes(1200.0, kMeantoneFifth, 1, 7);
  expect_cents({192.477318, 384.954636, 503.761341, 696.238659, 888.715977, 1081.193295, 1200.0}, notes);
  // D E F G A B and the octave: generators up, octaves down.
  std::vector<int64_t> generators, periods;
  for (const MosNote &note : notes) {
    generators.push_back(note.generators);
    periods.push_back(note.periods);
  }
  EXPECT_EQ(generators, (std::vector<int64_t>{2, 4, -1, 1, 3, 5, 0}));
  EXPECT_EQ(periods, (std::vector<int64_t>{-1, -2, 1, 0, -1, -2, 1}));
  MosSteps steps = mos_steps(notes);
  EXPECT_EQ(steps.kinds, 2);
  EXPECT_EQ(steps.large_count, 5);
  EXPECT_EQ(steps.small_count, 2);
  EXPECT_NEAR(steps.large, 192.477318, kCents);
  EXPECT_NEAR(steps.small, 118.806705, kCents);
  EXPECT_EQ(step_pattern(notes, steps), "LLsLLLs");
}

TEST(Mos, SizesWithTwoStepSizesUpToOneHundred) {
  EXPECT_EQ(mos_sizes(1200.0, kMeantoneFifth, 1, 100), (std::vector<int64_t>{2, 3, 5, 7, 12, 19, 31, 50, 81}));
  EXPECT_EQ(mos_sizes(1200.0, kPorcupineGenerator, 1, 100),
            (std::vector<int64_t>{2, 3, 4, 5, 6, 7, 8, 15, 22, 29, 51, 73, 95}));
  EXPECT_EQ(mos_sizes(1200.0, kMiracleGenerator, 1, 100),
            (std::vector<int64_t>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 21, 31, 41, 72}));
  EXPECT_EQ(mos_sizes(600.0, 492.7, 2, 100), (std::vector<int64_t>{4, 6, 8, 10, 12, 22, 34, 56, 78}));
}

TEST(Mos, PorcupineSevenAndMiracleTenHaveOneLargeStep) {
  std::vector<MosNote> porcupine = mos_notes(1200.0, kPorcupineGenerator, 1, 7);
  expect_cents({163.950353, 380.248234, 544.198588, 708.148941, 872.099294, 1036.049647, 1200.0}, porcupine);
  MosSteps steps = mos_steps(porcupine);
  EXPECT_EQ(step_pattern(porcupine, steps), "sLsssss");
  std::vector<MosNote> miracle = mos_notes(1200.0, kMiracleGenerator, 1, 10);
  steps = mos_steps(miracle);
  EXPECT_EQ(steps.large_count, 1);
  EXPECT_EQ(steps.small_count, 9);
  EXPECT_NEAR(steps.small, 116.675185, kCents);
  EXPECT_NEAR(steps.large, 149.923337, kCents);
}

TEST(Mos, EveryPeriodRepeatsTheChainAndThreeStepSizesAreCounted) {
  std::vector<MosNote> notes = mos_notes(600.0, 492.7, 2, 10);
  expect_cents({107.3, 278.1, 385.4, 492.7, 600.0, 707.3, 878.1, 985.4, 1092.7, 1200.0}, notes);
  EXPECT_EQ(notes[4].generators, 0);  // the second period's start
  EXPECT_EQ(notes[4].periods, 1);
  EXPECT_EQ(notes.back().periods, 2);
  EXPECT_EQ(mos_steps(notes).kinds, 2);
  EXPECT_EQ(mos_steps(mos_notes(1200.0, kMeantoneFifth, 1, 8)).kinds, 3);
  EXPECT_EQ(mos_steps(mos_notes(600.0, 492.7, 2, 14)).kinds, 3);
}

TEST(Mos, TheUpperGeneratorIsThePeriodsComplement) {
  EXPECT_NEAR(upper_generator(1200.0, 503.761341), 696.238659, kCents);
  EXPECT_NEAR(upper_generator(600.0, 107.3), 492.7, kCents);
  EXPECT_NEAR(upper_generator(1200.0, 1200.0 + 503.761341), 696.238659, kCents);
}

}  // namespace
