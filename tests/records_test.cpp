// The structured output: JSON Lines and CSV records, read back with a real parser, agree
// record for record with the text output of the same search; numbers round-trip.
#include "present/records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "driver/progress_line.h"
#include "harness.h"
#include "present/result_sinks.h"
#include "present/search_ends.h"
#include "present/text_renderer.h"

namespace {

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The monzo lines of a text run, "[-4 4, -1> = 81 : 80 = 21.506".
std::vector<std::string> monzo_lines(const std::string &text) {
  std::vector<std::string> monzos;
  for (const std::string &line : lines_of(text)) {
    if (!line.empty() && line[0] == '[') monzos.push_back(line);
  }
  return monzos;
}

// The integers of a text monzo line before its size, "[-4 4, -1> = 81 : 80 = 21.506":
// the exponents, then numerator and denominator, whatever the line groups them by.
std::vector<std::string> integers_before_size(const std::string &line) {
  std::string text = line.substr(0, line.rfind(" = "));
  for (char &c : text) {
    if (c == '[' || c == '>' || c == ',' || c == ':' || c == '=') c = ' ';
  }
  std::vector<std::string> integers;
  std::istringstream in(text);
  for (std::string integer; in >> integer;) integers.push_back(integer);
  return integers;
}

// The same integers of a JSON record.
std::vector<std::string> record_integers(const nlohmann::json &record) {
  std::vector<std::string> integers;
  for (const nlohmann::json &exponent : record["exponents"]) integers.push_back(std::to_string(exponent.get<int>()));
  integers.push_back(record["numerator"]);
  integers.push_back(record["denominator"]);
  return integers;
}

// The fields of one CSV row, unquoted (RFC 4180).
std::vector<std::string> csv_columns(const std::string &row) {
  std::vector<std::string> columns(1);
  bool quoted = false;
  for (size_t i = 0; i < row.size(); ++i) {
    char c = row[i];
    if (quoted && c == '"' && i + 1 < row.size() && row[i + 1] == '"') {
      columns.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      columns.emplace_back();
    } else {
      columns.back() += c;
    }
  }
  return columns;
}

// A JSON value as its CSV column spells it: a list's entries joined by blanks, null empty.
std::string as_csv_value(const nlohmann::ordered_json &value) {
  if (value.is_null()) return "";
  if (value.is_string()) return value.get<std::string>();
  if (value.is_number_float()) return shortest_number_text(value.get<double>());
  if (!value.is_array()) return value.dump();
  std::string joined;
  for (const auto &entry : value) joined += (joined.empty() ? "" : " ") + entry.dump();
  return joined;
}

const std::vector<std::string> kCommaSearch = {"1/1", "1e9", "5", "10", "-2", "0", "12", "2", "3", "5", "7"};

std::vector<std::string> json_args_of(std::vector<std::string> args) {
  args.insert(args.begin(), "--format=json");
  return args;
}

TEST(Records, JsonAgreesWithTheTextRecordForRecord) {
  std::vector<std::string> json_lines = lines_of(capture_run(json_args_of(kCommaSearch)));
  std::vector<std::string> text = monzo_lines(capture_run(kCommaSearch));
  ASSERT_GT(text.size(), 20u);
  ASSERT_EQ(json_lines.size(), text.size() + 1);
  int named = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    nlohmann::json record = nlohmann::json::parse(json_lines[i]);
    EXPECT_EQ(record["type"], "approximant");
    EXPECT_EQ(integers_before_size(text[i]), record_integers(record)) << text[i];
    double text_cents = std::strtod(text[i].substr(text[i].rfind(" = ") + 3).c_str(), nullptr);
    EXPECT_NEAR(record["cents"].get<double>(), text_cents, 1e-3 * std::abs(text_cents) + 1e-9);
    EXPECT_EQ(record["distance_cents"].get<double>(), record["cents"].get<double>());  // the target is 1/1
    named += record["name"].is_string() ? 1 : 0;
  }
  EXPECT_GT(named, 5);
  nlohmann::json summary = nlohmann::json::parse(json_lines.back());
  EXPECT_EQ(summary["type"], "summary");
  EXPECT_EQ(summary["records"], text.size());
  EXPECT_EQ(summary["mode"], "range");
  EXPECT_EQ(summary["end"], "exhausted");
  EXPECT_EQ(summary["window_cents"], nlohmann::json::array({0.0, 12.0}));
}

TEST(Records, CsvHasTheSameRowsWithQuotingWhereNeeded) {
  std::vector<std::string> csv_args = kCommaSearch;
  csv_args.insert(csv_args.begin(), "--format=csv");
  std::vector<std::string> rows = lines_of(capture_run(csv_args));
  std::vector<std::string> text = monzo_lines(capture_run(kCommaSearch));
  ASSERT_EQ(rows.size(), text.size() + 1);
  EXPECT_EQ(rows[1].substr(0, rows[1].find(',')).find(' '), rows[1].find(' '));  // exponents joined by blanks
  for (size_t i = 1; i < rows.size(); ++i) {
    std::string numerator = text[i - 1].substr(text[i - 1].find("> = ") + 4);
    numerator = numerator.substr(0, numerator.find(' '));
    EXPECT_NE(rows[i].find("," + numerator + ","), std::string::npos) << rows[i];
  }
}

// One list of fields makes both formats: the CSV header names the JSON keys after "type",
// in order, and each row holds the same values (lists joined by blanks, null left empty).
TEST(Records, CsvColumnsAreTheJsonKeys) {
  RunView run;
  run.factors = {2, 3, 5, 7};
  run.unison_target = true;
  run.factor_vals = true;
  RecordContext context = record_context(run);
  const int exponents[] = {-4, 4, -1, 0};
  std::string json_text;
  std::string csv_row;
  append_approximant_record(context, RecordFormat::kJson, exponents, 21.506289596715803, json_text);
  append_approximant_record(context, RecordFormat::kCsv, exponents, 21.506289596715803, csv_row);
  nlohmann::ordered_json record = nlohmann::ordered_json::parse(json_text);
  std::vector<std::string> columns = csv_columns(approximant_field_names(run));
  std::vector<std::string> values = csv_columns(csv_row.substr(0, csv_row.size() - 1));
  ASSERT_EQ(record.size(), columns.size() + 1);
  ASSERT_EQ(values.size(), columns.size());
  auto key = record.begin();
  EXPECT_EQ(key.key(), "type");
  for (size_t i = 0; i < columns.size(); ++i) {
    ++key;
    EXPECT_EQ(key.key(), columns[i]);
    EXPECT_EQ(as_csv_value(key.value()), values[i]) << columns[i];
  }
}

// Strings are escaped as a JSON library escapes them, and quoted in CSV only when needed.
TEST(Records, TextIsEscapedForEachFormat) {
  for (const std::string &text :
       std::vector<std::string>{"plain 7/6", "a \"quoted\" word", "back\\slash", "tab\tand\nline", "W\xc3\xbcrschmidt",
                                "bad \xff byte", std::string("nul\0inside", 10), "a,b"}) {
    std::string json_text;
    RecordWriter json{RecordFormat::kJson, json_text};
    write_text(json, text);
    EXPECT_EQ(json_text, nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    std::string csv_text;
    RecordWriter csv{RecordFormat::kCsv, csv_text};
    write_text(csv, text);
    EXPECT_EQ(csv_columns(csv_text), std::vector<std::string>{text}) << csv_text;
    EXPECT_EQ(csv_text.front() == '"', text.find_first_of(",\"\n") != std::string::npos) << csv_text;
  }
}

// JSON numbers are spelt as the JSON library spells them: ".0" on whole numbers, its own
// exponent style, null for what is not finite.
TEST(Records, JsonNumbersAreTheLibrarys) {
  for (double value : {1.0, 1e9, 0.1, 1e-5, 1.5e-7, 1e21, 1e16, 123456789012345680.0, -0.0, 5e-324,
                       1.7976931348623157e308, -21.506289596715803, 1.0 / 0.0, std::nan("")}) {
    std::string text;
    RecordWriter writer{RecordFormat::kJson, text};
    write_number(writer, value);
    EXPECT_EQ(text, nlohmann::json(value).dump()) << value;
  }
}

// A number written again is copied from the first; only the very same double is.
TEST(Records, ARepeatedNumberIsSpeltAsTheFirst) {
  for (RecordFormat format : {RecordFormat::kJson, RecordFormat::kCsv}) {
    std::string text;
    RecordWriter writer{format, text};
    for (double value : {-21.506289596715803, -21.506289596715803, 0.0, -0.0, -0.0, 1.0 / 0.0, 1.0 / 0.0, 0.1}) {
      std::string alone;
      RecordWriter fresh{format, alone};
      write_number(fresh, value);
      text += '|';
      write_number(writer, value);
      EXPECT_EQ(text.substr(text.rfind('|') + 1), alone) << value;
    }
  }
}

TEST(Records, NumbersAreShortestRoundTripDecimals) {
  for (double value : {0.1, 21.506289596715803, 1e300, -2.5e-320, 1.0 / 3.0, 1200.0}) {
    std::string text = shortest_number_text(value);
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
  }
  EXPECT_EQ(shortest_number_text(0.1), "0.1");
  EXPECT_EQ(shortest_number_text(1200.0), "1200");
  EXPECT_EQ(shortest_number_text(1.0 / 0.0), "null");
}

// The numbers are printf's: the first of %.15g, %.16g and %.17g that strtod reads back,
// for doubles of every exponent, subnormals and the edges included.
TEST(Records, NumbersAreWhatPrintfWritesAtTheFirstPrecisionThatReadsBack) {
  auto printf_text = [](double value) {
    char buffer[64];
    for (int precision : {15, 16, 17}) {
      std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
      if (std::strtod(buffer, nullptr) == value) break;
    }
    return std::string(buffer);
  };
  std::vector<double> values = {0.0,
                                -0.0,
                                5e-324,
                                -5e-324,
                                2.2250738585072014e-308,
                                2.225073858507201e-308,
                                1.7976931348623157e308,
                                1e15,
                                1e16,
                                1e17,
                                123456789012345678.0,
                                9007199254740993.0,
                                0.30000000000000004,
                                1e-5,
                                0.0001,
                                100000.0,
                                1e21,
                                701.9550008653874};
  std::mt19937_64 bits(20261210);
  for (int i = 0; i < 200000; ++i) {
    uint64_t pattern = bits();
    double value = 0.0;
    std::memcpy(&value, &pattern, sizeof value);
    if (std::isfinite(value)) values.push_back(value);
    values.push_back(std::ldexp(static_cast<double>(pattern >> 11), -static_cast<int>(pattern % 80)));  // cents-sized
  }
  for (double value : values) ASSERT_EQ(shortest_number_text(value), printf_text(value)) << value;
}

// The table of ends has one entry for each end, in order, each with its own record name.
TEST(Records, EveryEndHasItsEntry) {
  const SearchEnd ends[] = {SearchEnd::kExhausted, SearchEnd::kExactHit, SearchEnd::kTimeOut, SearchEnd::kInterrupted,
                            SearchEnd::kOutputLost};
  ASSERT_EQ(std::size(kSearchEnds), std::size(ends));
  for (size_t i = 0; i < std::size(ends); ++i) {
    EXPECT_EQ(search_end_text(ends[i]).end, ends[i]);
    EXPECT_EQ(&search_end_text(ends[i]), &kSearchEnds[i]);
    for (size_t j = 0; j < i; ++j) EXPECT_STRNE(kSearchEnds[i].record_name, kSearchEnds[j].record_name);
  }
}

TEST(Records, NonFiniteNumbersBecomeNull) {
  RunView run;
  run.factors = {2, 3};
  run.range_mode = true;
  run.range_high_cents = 1.0 / 0.0;
  nlohmann::json summary = nlohmann::json::parse(json_summary_record(run, RunTotals{}));
  EXPECT_TRUE(summary["window_cents"][1].is_null());
  const int exponents[] = {-1, 1};
  std::string row;
  append_approximant_record(record_context(run), RecordFormat::kCsv, exponents, 701.955, row);
  EXPECT_EQ(row, "-1 1,3,2,701.955,701.955,,3/2,-1 1,3,2.584962500721156,3,\n");
}

}  // namespace

// Records for a pipe or a file are gathered before they are written: the same bytes as
// one write per record, in far fewer writes, each of whole records; a progress report
// writes what waits, so a reader is never far behind.
TEST(Records, GatheredRecordsAreTheSameBytesInFewerWrites) {
  std::vector<const char *> argv{"ratiohunt", "--format=json", "1/1", "1e9", "5", "10", "-2", "0", "12", "2", "3", "5",
                                 "7"};
  RunConfig config;
  read_command_line(static_cast<int>(argv.size()), argv.data(), config);
  auto search_with_gathering = [&config](size_t gather_bytes) {
    std::vector<std::string> writes;
    RecordSink sink(
        run_view(config), RecordFormat::kJson, [&writes](const std::string &text) { writes.push_back(text); },
        [](const std::string & /*summary*/) {}, gather_bytes);
    run_search(config.search, sink);
    return writes;
  };
  std::vector<std::string> one_by_one = search_with_gathering(0);
  std::vector<std::string> gathered = search_with_gathering(4000);
  ASSERT_GT(one_by_one.size(), 50u);
  EXPECT_LT(gathered.size(), one_by_one.size() / 4);
  std::string all;
  for (const std::string &write : gathered) {
    EXPECT_EQ(write.back(), '\n');
    all += write;
  }
  std::string expected;
  for (const std::string &write : one_by_one) expected += write;
  EXPECT_EQ(all, expected);

  std::vector<std::string> writes;
  RecordSink sink(
      run_view(config), RecordFormat::kJson, [&writes](const std::string &text) { writes.push_back(text); },
      [](const std::string & /*summary*/) {}, size_t{1} << 20);
  const int exponents[] = {-4, 4, -1, 0};
  sink.approximant(Approximant{exponents, 4, std::log(81.0 / 80.0), 21.506, std::log(81.0 / 80.0)});
  EXPECT_TRUE(writes.empty());
  sink.progress(SearchProgress{});
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_NE(writes[0].find("\"numerator\":\"81\""), std::string::npos) << writes[0];

  // The same with the progress line in front, as when standard error is a terminal.
  writes.clear();
  FILE *terminal = std::tmpfile();
  ASSERT_NE(terminal, nullptr);
  RecordSink behind(
      run_view(config), RecordFormat::kJson, [&writes](const std::string &text) { writes.push_back(text); },
      [](const std::string & /*summary*/) {}, size_t{1} << 20);
  ProgressLine line(
      behind, terminal, 80, [] { return 0; }, config.search);
  line.approximant(Approximant{exponents, 4, std::log(81.0 / 80.0), 21.506, std::log(81.0 / 80.0)});
  EXPECT_TRUE(writes.empty());
  line.progress(SearchProgress{});
  EXPECT_EQ(writes.size(), 1u);
  std::fclose(terminal);
}

// A long run of lines made by the workers is written in pieces of whole lines.
TEST(Records, LongRunsOfLinesAreWrittenInPiecesOfWholeLines) {
  std::string lines;
  for (int i = 0; lines.size() < 300000; ++i) lines += std::string(static_cast<size_t>(i % 500), 'x') + "\n";
  lines += std::string(100000, 'y') + "\n";  // one line longer than a piece
  lines += "last\n";
  std::vector<std::string> pieces;
  write_lines_in_pieces([&pieces](const std::string &piece) { pieces.push_back(piece); }, lines);
  std::string joined;
  for (const std::string &piece : pieces) {
    EXPECT_EQ(piece.back(), '\n');
    EXPECT_TRUE(piece.size() <= 65536 || piece.find('\n') == piece.size() - 1) << piece.size();
    joined += piece;
  }
  EXPECT_EQ(joined, lines);
  EXPECT_GE(pieces.size(), 6u);
}
