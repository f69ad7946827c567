// The one reading of a prime limit or a subgroup, with its bounds and its refusals, for the
// command line's options and the page's basis fields alike.
#include "present/basis_reader.h"

#include <cmath>
#include <cstdlib>

#include "present/primes.h"
#include "present/ratio_reader.h"

namespace {

constexpr size_t kMaxSubgroupDigits = 9;  // every number of 9 digits fits an int

bool all_digits(const std::string &text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

BasisReading refused(const std::string &text, const std::string &problem) { return {{}, "'" + text + "' " + problem}; }

}  // namespace

BasisReading read_prime_limit(const std::string &text) {
  double limit = 0.0;
  if (!reads_wholly_as_number(text, limit) || limit != std::floor(limit) || limit < kMinPrimeLimit ||
      limit > kMaxPrimeLimit) {
    return refused(
        text, "is not a whole number from " + std::to_string(kMinPrimeLimit) + " to " + std::to_string(kMaxPrimeLimit));
  }
  return {primes_up_to(static_cast<int>(limit)), ""};
}

BasisReading read_subgroup(const std::string &text) {
  BasisReading reading;
  size_t start = 0;
  while (start <= text.size()) {
    size_t dot = text.find('.', start);
    std::string element = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (element.find('/') != std::string::npos) {
      return refused(text, "has the rational element " + element + "; only integer factors are supported");
    }
    if (!all_digits(element) || element.size() > kMaxSubgroupDigits || std::atoi(element.c_str()) < 1) {
      return refused(text, "is not a subgroup: write its factors, integers of 1 or more, between dots, as in 2.3.7");
    }
    reading.factors.push_back(std::atoi(element.c_str()));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  if (reading.factors.back() < 2) return refused(text, "ends in 1: the last factor must be 2 or more");
  return reading;
}

TypedBasis read_typed_basis(const std::string &typed) {
  const char *blanks = " \t\n\v\f\r";
  size_t first = typed.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  std::string text = typed.substr(first, typed.find_last_not_of(blanks) + 1 - first);
  bool limit = all_digits(text);
  std::string name = limit ? "--limit" : "--subgroup";
  BasisReading reading = limit ? read_prime_limit(text) : read_subgroup(text);
  if (!reading.problem.empty()) return {{}, "", name + ": " + reading.problem};
  return {reading.factors, name + "=" + text, ""};
}
