# Writes the page's defaults.js from the program's defaults (src/driver/defaults.h), so the
# page's form starts where the program does. Run as: cmake -DHEADER=... -DOUTPUT=... -P this.
# Each `constexpr TYPE kDefaultName = VALUE;` line gives one value; the target and the mode
# are the page's own (the program has no default target).
file(STRINGS ${HEADER} lines REGEX "^constexpr [a-z]+ kDefault")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "kDefault([A-Za-z]+)(\\[\\])? = ([^;]+);")
    message(FATAL_ERROR "${HEADER}: cannot read the default in: ${line}")
  endif()
  set(name ${CMAKE_MATCH_1})
  string(REGEX REPLACE "[{},]" "" value "${CMAKE_MATCH_3}")
  string(STRIP "${value}" default_${name})
endforeach()
foreach(name Factors RangeLowCents RangeHighCents MaxQuotient Precision TimeOutSeconds EveryVector ReferenceHz)
  if(NOT DEFINED default_${name})
    message(FATAL_ERROR "${HEADER} has no kDefault${name}")
  endif()
endforeach()
file(WRITE ${OUTPUT} "// Generated from src/driver/defaults.h when the page is built: the program's defaults\n"
"// as the page's form writes them.\n"
"'use strict';\n"
"var RATIOHUNT_DEFAULTS = {target: '7/6', factors: '${default_Factors}', mode: 'successive',\n"
"                          low: '${default_RangeLowCents}', high: '${default_RangeHighCents}',\n"
"                          maxq: '${default_MaxQuotient}', precision: '${default_Precision}',\n"
"                          timeout: '${default_TimeOutSeconds}', every: ${default_EveryVector},\n"
"                          referenceHz: '${default_ReferenceHz}'};\n")
# The scale panel's form starts where the scale command does.
foreach(name ScaleWithinCents ScaleMaxTerm BaseNote)
  if(NOT DEFINED default_${name})
    message(FATAL_ERROR "${HEADER} has no kDefault${name}")
  endif()
endforeach()
file(APPEND ${OUTPUT} "var RATIOHUNT_SCALE_DEFAULTS = {within: '${default_ScaleWithinCents}', maxTerm: '${default_ScaleMaxTerm}',\n"
"                                baseNote: '${default_BaseNote}'};\n")
