// What a run is when its command line says nothing else: every default of the program,
// in one place. The web page's defaults are generated from this file when it is built
// (web/CMakeLists.txt reads each `constexpr ... kDefaultName = value;` line).
#pragma once

constexpr double kDefaultMaxQuotient = 1000000;
constexpr int kDefaultPrecision = 5;  // significant digits of sizes in cents
constexpr double kDefaultTimeOutSeconds = 4;
constexpr double kDefaultRangeLowCents = 40;
constexpr double kDefaultRangeHighCents = 60;
constexpr int kDefaultFactors[] = {2, 3, 5};
constexpr bool kDefaultEveryVector = false;
constexpr int kDefaultThreads = 0;  // as many as the machine runs at once
// The pitch of 1/1 where a ratio is sounded or mapped to keys: middle C of twelve equal
// divisions of the octave tuned to A = 440 Hz.
constexpr double kDefaultReferenceHz = 261.6256;

// The scale command: the window around each degree, the largest term of a ratio, and the
// keyboard mapping's MIDI note of the 1/1 (which sounds at kDefaultReferenceHz).
constexpr double kDefaultScaleWithinCents = 15;
constexpr double kDefaultScaleMaxTerm = 1000;
constexpr int kDefaultBaseNote = 60;
