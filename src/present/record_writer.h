// The streaming writer of records: one record's values appended to a string as a JSON
// object or a CSV row, with no document built in between. It owns how each kind of value
// is spelt in each format: escaping, lists, missing values and numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Records as JSON Lines or as CSV rows.
enum class RecordFormat { kJson, kCsv };

// Appends one record to out. A JSON record opens with "{" and its type and closes with
// "}"; a CSV row has no opening and closing. Every value follows a field().
struct RecordWriter {
  RecordFormat format;
  std::string &out;
  int fields = 0;  // values begun so far
  // The last number written and where its text stands in out: the next, when it is the
  // same double (a comma's cents and its distance), copies the text rather than spell it.
  double last_number = 0.0;
  size_t last_number_at = std::string::npos;
  size_t last_number_size = 0;
};

// Begins a record, a value named name (JSON: ,"name": ; CSV: the separator), and ends it.
void begin_record(RecordWriter &writer, std::string_view type);
void field(RecordWriter &writer, const char *name);
// The same from the field's JSON key text, ,"name": (see json_key), made once for many
// records.
void keyed_field(RecordWriter &writer, std::string_view json_key);
std::string json_key(const char *name);
void end_record(RecordWriter &writer);

// JSON null; an empty CSV field.
void write_null(RecordWriter &writer);
void write_integer(RecordWriter &writer, int64_t value);
// JSON true or false; CSV the same words.
void write_boolean(RecordWriter &writer, bool value);
// Shortest round-trip decimal; null (CSV: the word null) when not finite.
void write_number(RecordWriter &writer, double value);
// A JSON string; a CSV field, quoted only when it must be.
void write_text(RecordWriter &writer, std::string_view text);
// The same for a text of digits and slashes (a numerator, a ratio), which never needs
// escaping or quotes.
void write_numeral(RecordWriter &writer, std::string_view digits);
// The text, or null when text is null.
void write_text_or_null(RecordWriter &writer, const char *text);
// A JSON array; a CSV field of the entries joined by blanks.
void write_integers(RecordWriter &writer, const int *values, size_t count);
void write_integers(RecordWriter &writer, const int64_t *values, size_t count);
// A JSON array of numbers (the CSV rows have none).
void write_numbers(RecordWriter &writer, const double *values, size_t count);

// The shortest of %.15g, %.16g and %.17g that reads back as exactly this double ("null"
// when not finite): the numbers of CSV rows and of messages.
std::string shortest_number_text(double value);
void append_shortest_number(std::string &out, double value);
