// How every number ratiohunt writes looks: one printf format for each kind of number,
// each with one floating conversion, written through number_text (present/text_format.h)
// or, for records, the record writer.
#pragma once

// In text a floating exponent always has at least three digits (1e+006).

// x, y, the range's edges and the target's size in cents wherever a message shows them.
constexpr const char *kRatioNumberFormat = "%.12g";
// A size in cents at the run's precision (an int argument, then the double).
constexpr const char *kCentsFormat = "%.*g";
// The max quotient in the header: seven digits in range mode, six in successive mode.
constexpr const char *kRangeMaxQuotientFormat = "%.7g";
constexpr const char *kSuccessiveMaxQuotientFormat = "%g";
// The seconds a search ran, in the message of a search that ends early.
constexpr const char *kEndSecondsFormat = "%g";
// The kilobytes a run that ran out of memory says it needed.
constexpr const char *kOutOfMemoryKbFormat = "%g";

// On the progress line: numbers as people read them. Counts and times
// are scaled first (to k, M, G ... and to min, h, days) so that no exponent appears.

// A scaled count: three significant digits (93.3 G); a scaled time: two (4.2 min, 42 s).
constexpr const char *kProgressCountFormat = "%.3g";
constexpr const char *kProgressTimeFormat = "%.2g";
// The share done in percent, three digits (2.54, 0.0123).
constexpr const char *kProgressShareFormat = "%.3g";
// The best distance in cents; the progress line writes a tiny one's exponent unpadded.
constexpr const char *kProgressCentsFormat = "%.4g";

// A record's number: %.*g at the first of these precisions that reads back as the same
// double.
constexpr const char *kRoundTripFormat = "%.*g";
constexpr int kRoundTripPrecisions[] = {15, 16, 17};
