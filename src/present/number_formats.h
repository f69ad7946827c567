// How every number ratiohunt writes looks: one printf format for each kind of number.
// The formats for format_text (present/text_format.h) use only what it implements; those
// for snprintf write records and exact integers, where no exponent can appear.
#pragma once

// For format_text: a floating exponent there always has at least three digits (1e+006).

// x, y, the range's edges and the target's size in cents wherever a message shows them.
constexpr const char *kRatioNumberFormat = "%.12g";
// A size in cents at the run's precision (an int argument, then the double).
constexpr const char *kCentsFormat = "%.*g";
// The max quotient in the header: seven digits in range mode, six in successive mode.
constexpr const char *kRangeMaxQuotientFormat = "%.7g";
constexpr const char *kSuccessiveMaxQuotientFormat = "%g";
// The seconds a search ran, in the message of a search that ends early.
constexpr const char *kEndSecondsFormat = "%g";

// For snprintf.

// A record's number: the first of these that reads back as the same double.
constexpr const char *kRoundTripFormats[] = {"%.15g", "%.16g", "%.17g"};
// An exact integer in base-10000 limbs: the leading limb bare, every other one four digits.
constexpr const char *kLeadingLimbFormat = "%d";
constexpr const char *kInnerLimbFormat = "%04d";
