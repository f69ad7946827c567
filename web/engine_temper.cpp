// The page's temperament panel in the engine: items and a limit or subgroup as typed, read
// by the temper command's own readers, and the temperament as `ratiohunt temper
// --format=json` prints it, with its 7-note scale as `temper --mos=7 --format=json` has it,
// the sizes of its other scales, and any one of them with the files --scl and --kbm write.
#include <emscripten/emscripten.h>

#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "engine_text.h"
#include "present/basis_reader.h"
#include "present/mos_table.h"
#include "present/scala_file.h"
#include "present/temper_items.h"
#include "present/temperament_report.h"
#include "theory/checked_int.h"
#include "theory/temperament_error.h"

namespace {

constexpr int64_t kPanelScaleSize = 7;
constexpr int64_t kMaxScaleSize = 1000;  // as --mos takes

// The words of the field as the shell would hand them to the program.
std::vector<std::string> words_of(const std::string &text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c)) != 0) {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

// "" (commas choose their own prime limit), a prime limit "7", or a subgroup "2.3.7", read
// as the program reads the option the panel's command line gives it.
std::vector<int64_t> basis_named(const std::string &typed) {
  TypedBasis basis = read_typed_basis(typed);
  if (!basis.problem.empty()) throw TemperamentError(basis.problem);
  return {basis.factors.begin(), basis.factors.end()};
}

// The sizes of the temperament's scales and its 7-note scale, or why there are none: the
// sizes when the rank is 2, the scale when 7 is one of them.
std::string scale_fields(const Temperament &temperament, const std::vector<TemperItem> &items) {
  std::string sizes;
  try {
    MosSummary summary = mos_summary_of(temperament, temperament_words(items), false);
    for (int64_t size : mos_listed_sizes(summary)) sizes += (sizes.empty() ? "" : ",") + std::to_string(size);
    sizes = "\"mos_sizes\":[" + sizes + "],";
    std::vector<MosNote> notes = mos_scale_of(summary, kPanelScaleSize);
    std::string lines = mos_records_json(summary, notes);
    lines.pop_back();  // the last line end
    for (char &c : lines) {
      if (c == '\n') c = ',';
    }
    return sizes + "\"mos\":[" + lines + "]";
  } catch (const TemperamentError &error) {
    return sizes + "\"mos_problem\":" + json_text(error.what());
  }
}

// The temperament of the items and basis as typed; throws the program's refusal.
Temperament typed_temperament(const std::string &typed_items, const std::string &typed_basis,
                              std::vector<TemperItem> &items) {
  std::vector<std::string> texts = split_temper_items(words_of(typed_items));
  if (texts.empty()) throw TemperamentError("give commas (81/80 126/125) or vals (12 & 19)");
  items = read_temper_items(texts);
  return temperament_of(basis_named(typed_basis), items);
}

std::string refusal(const std::string &problem) { return "{\"error\":" + json_text(problem) + "}"; }

std::string too_large(const LatticeOverflow &error) {
  return refusal(std::string(error.what()) + "; the input is too large to work with exactly");
}

std::string temper_json(const std::string &typed_items, const std::string &typed_basis) {
  try {
    std::vector<TemperItem> items;
    Temperament temperament = typed_temperament(typed_items, typed_basis, items);
    std::string report = temperament_json(temperament);
    report.pop_back();  // the line end
    return "{\"temperament\":" + report + "," + scale_fields(temperament, items) + "}";
  } catch (const TemperamentError &error) {
    return refusal(error.what());
  } catch (const LatticeOverflow &error) {
    return too_large(error);
  }
}

// The scale of size notes as `temper --mos=N` shows it in JSON and writes its two files.
std::string mos_json(const std::string &typed_items, const std::string &typed_basis, int64_t size,
                     KeyboardMapping mapping, const std::string &command) {
  if (size < 2 || size > kMaxScaleSize)
    return refusal("a scale has from 2 to " + std::to_string(kMaxScaleSize) + " notes");
  try {
    std::vector<TemperItem> items;
    Temperament temperament = typed_temperament(typed_items, typed_basis, items);
    MosSummary summary = mos_summary_of(temperament, temperament_words(items), false);
    std::vector<MosNote> notes = mos_scale_of(summary, size);
    std::string scl = scala_scale_text(scala_file_comments("ratiohunt.scl", command),
                                       mos_scala_scale(summary, notes, temperament.basis.elements[0]));
    mapping.size = static_cast<int>(notes.size());
    std::string kbm = scala_keyboard_text(scala_file_comments("ratiohunt.kbm", command), mapping);
    return "{\"records\":" + json_text(mos_records_json(summary, notes)) + ",\"scl\":" + json_text(scl) +
           ",\"kbm\":" + json_text(kbm) + "}";
  } catch (const TemperamentError &error) {
    return refusal(error.what());
  } catch (const LatticeOverflow &error) {
    return too_large(error);
  }
}

}  // namespace

extern "C" {

// The items as typed ("12 & 19", "81/80 126/125") over a basis as typed ("", "7" or
// "2.3.7"): {"temperament":{..},"mos":[degree records.., the mos record]} or with
// "mos_problem" in the program's words when there is no 7-note scale, and "mos_sizes" (the
// sizes --mos takes up to 100) for a temperament of rank 2; {"error":..} when the program
// would refuse the items, in its words.
EMSCRIPTEN_KEEPALIVE const char *ratiohunt_web_temper(const char *items, const char *basis) {
  return returned(temper_json(items, basis));
}

// The scale of size notes of the same temperament, as `temper ITEMS --mos=SIZE` makes it:
// {"records":..,"scl":..,"kbm":..} (the JSON Lines of --format=json, and the files whose
// comments show command, as if it wrote ratiohunt.scl and ratiohunt.kbm, the 1/1 on MIDI
// note base_note at base_frequency Hz), or {"error":..} in the program's words.
EMSCRIPTEN_KEEPALIVE const char *ratiohunt_web_mos(const char *items, const char *basis, int size, int base_note,
                                                   double base_frequency, const char *command) {
  KeyboardMapping mapping;
  mapping.base_note = base_note;
  mapping.base_frequency = base_frequency;
  return returned(mos_json(items, basis, size, mapping, command));
}
}
