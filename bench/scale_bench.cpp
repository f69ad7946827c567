// Scales made just, one thread: each degree of an equal division is a few complete range
// searches of the basis, of deepening bound, with a sink that keeps the least Tenney
// height, so the time is the search's on many small windows. The last is a 72-step
// division in the 31-limit with terms up to a million.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "driver/scale_source.h"
#include "present/primes.h"
#include "theory/scale_just.h"

namespace {

struct NamedScale {
  const char *name;
  const char *edo;
  int prime_limit;
  uint64_t max_term;
};

const std::vector<NamedScale> kScales = {
    {"12-EDO, 7-limit, terms to 1e6", "12", 7, 1000000},
    {"31-EDO, 13-limit, terms to 1e5", "31", 13, 100000},
    {"72-EDO, 31-limit, terms to 1e6", "72", 31, 1000000},
};

void BM_ScaleMadeJust(benchmark::State &bench) {
  const NamedScale &scale = kScales[static_cast<size_t>(bench.range(0))];
  bench.SetLabel(scale.name);
  ScaleSource source;
  scale_of_equal_division(scale.edo, source);
  JustRules rules;
  rules.basis = primes_up_to(scale.prime_limit);
  rules.max_term = scale.max_term;
  rules.threads = 1;
  size_t found = 0;
  for (auto _ : bench) {
    for (const JustDegree &degree : make_scale_just(source.pitches, rules).degrees) found += degree.found ? 1 : 0;
  }
  benchmark::DoNotOptimize(found);
}

}  // namespace

BENCHMARK(BM_ScaleMadeJust)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
