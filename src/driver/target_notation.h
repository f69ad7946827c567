// The target notations of tuning work, read where the N/D target stands: cents (700c,
// 700¢), steps of an equal division (7\12, 1\13<3>, 3\13<3/2>) and monzos over the
// primes ([-4 4 -1>, |-4 4 -1], [12 -19,>). Reading prints nothing.
#pragma once

#include <string>
#include <vector>

constexpr int kMaxMonzoEntries = 1000;  // the primes 2 to 7919

struct TargetNotation {
  bool is_notation = false;  // the text is one of the notations, or a malformed attempt at one
  std::string problem;       // what is wrong with a malformed one; empty when it reads
  double x = 1.0;            // the target x / y: an exact ratio for a small monzo, else y is 1
  double y = 1.0;
};

// Reads text as a target notation. Text that is none of them (7, 7/6, 0x1c, abc) gives
// is_notation false and is read as a number or N/D.
TargetNotation read_target_notation(const std::string &text);

// When positional[index] is a target notation, replaces it by its x and y (as numerals
// that read back as the same doubles), keeps it as typed in target_text and returns true;
// for a malformed one, sets error to the message instead.
bool expand_target_notation(std::vector<std::string> &positional, size_t index, std::string &target_text,
                            std::string &error);
