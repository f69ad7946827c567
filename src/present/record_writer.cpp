// The streaming record writer. JSON numbers are spelt by nlohmann/json's own shortest
// round-trip conversion and odd strings escaped by its serializer, so the records read as
// a JSON library writes them; CSV follows RFC 4180 and spells numbers as printf's %.*g.
#include "present/record_writer.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <system_error>

#include "present/number_formats.h"

namespace {

// Enough for any double or int64 as text (nlohmann/json's serializer uses the same).
constexpr size_t kNumberBufferSize = 64;

void append_integer(std::string &out, int64_t value) {
  char digits[kNumberBufferSize];  // left unset: to_chars writes what is appended
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, static_cast<size_t>(result.ptr - digits));
}

void append_json_number(std::string &out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char digits[kNumberBufferSize];  // left unset: to_chars writes what is appended
  char *end = nlohmann::detail::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, static_cast<size_t>(end - digits));
}

// Printable ASCII but the quote and the backslash: written as it is in both formats.
bool plain_text(std::string_view text) {
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7f || c == '"' || c == '\\') return false;
  }
  return true;
}

void append_json_text(std::string &out, std::string_view text) {
  if (plain_text(text)) {
    out += '"';
    out += text;
    out += '"';
    return;
  }
  // Anything else, the target as typed included, may be any bytes: what is not UTF-8
  // becomes U+FFFD, as the library's serializer does it.
  out +=
      nlohmann::ordered_json(std::string(text)).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

// RFC 4180: a field with a comma, a quote or a line break is quoted, its quotes doubled.
void append_csv_text(std::string &out, std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += text;
    return;
  }
  out += '"';
  for (char c : text) out += c == '"' ? std::string_view("\"\"") : std::string_view(&c, 1);
  out += '"';
}

// The list is spelt into a buffer on the stack and appended a buffer at a time: one
// append to the record for most lists, rather than two for each entry.
template <typename Integer>
void append_integers(RecordWriter &writer, const Integer *values, size_t count) {
  bool json = writer.format == RecordFormat::kJson;
  char buffer[512];
  char *end = buffer + sizeof buffer;
  char *at = buffer;
  if (json) *at++ = '[';
  for (size_t i = 0; i < count; ++i) {
    if (end - at < static_cast<std::ptrdiff_t>(kNumberBufferSize)) {  // room for a separator, an entry and "]"
      writer.out.append(buffer, static_cast<size_t>(at - buffer));
      at = buffer;
    }
    if (i > 0) *at++ = json ? ',' : ' ';
    at = std::to_chars(at, end, values[i]).ptr;
  }
  if (json) *at++ = ']';
  writer.out.append(buffer, static_cast<size_t>(at - buffer));
}

#if defined(__cpp_lib_to_chars)
// to_chars at a precision writes what printf's %.*g writes, and from_chars reads what
// strtod reads, both without the C library's locale and its arithmetic on big numbers:
// several times faster, the same text.
char *write_at_precision(char *first, char *last, double value, int precision) {
  return std::to_chars(first, last, value, std::chars_format::general, precision).ptr;
}
bool reads_back_as(const char *first, const char *last, double value) {
  double back = 0.0;
  if (std::from_chars(first, last, back).ec != std::errc()) back = std::strtod(first, nullptr);
  return back == value;
}
#else
char *write_at_precision(char *first, char *last, double value, int precision) {
  int length = std::snprintf(first, static_cast<size_t>(last - first), kRoundTripFormat, precision, value);
  return first + length;
}
bool reads_back_as(const char *first, const char * /*last*/, double value) {
  return std::strtod(first, nullptr) == value;
}
#endif

}  // namespace

void append_shortest_number(std::string &out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char buffer[kNumberBufferSize];
  char *end = buffer;
  for (int precision : kRoundTripPrecisions) {
    end = write_at_precision(buffer, buffer + sizeof buffer - 1, value, precision);
    *end = '\0';  // for strtod
    if (reads_back_as(buffer, end, value)) break;
  }
  out.append(buffer, static_cast<size_t>(end - buffer));
}

std::string shortest_number_text(double value) {
  std::string text;
  append_shortest_number(text, value);
  return text;
}

void begin_record(RecordWriter &writer, std::string_view type) {
  if (writer.format != RecordFormat::kJson) return;
  writer.out += "{\"type\":";
  append_json_text(writer.out, type);
}

void field(RecordWriter &writer, const char *name) {
  if (writer.format == RecordFormat::kJson) {
    writer.out += ",\"";
    writer.out += name;
    writer.out += "\":";
  } else if (writer.fields > 0) {
    writer.out += ',';
  }
  ++writer.fields;
}

void keyed_field(RecordWriter &writer, std::string_view json_key) {
  if (writer.format == RecordFormat::kJson) {
    writer.out += json_key;
  } else if (writer.fields > 0) {
    writer.out += ',';
  }
  ++writer.fields;
}

std::string json_key(const char *name) { return std::string(",\"") + name + "\":"; }

void end_record(RecordWriter &writer) {
  if (writer.format == RecordFormat::kJson) writer.out += '}';
}

void write_null(RecordWriter &writer) {
  if (writer.format == RecordFormat::kJson) writer.out += "null";
}

void write_integer(RecordWriter &writer, int64_t value) { append_integer(writer.out, value); }

void write_boolean(RecordWriter &writer, bool value) { writer.out += value ? "true" : "false"; }

namespace {

// The very same double: -0.0 is not 0.0 here, as their texts differ.
bool same_bits(double a, double b) {
  uint64_t a_bits = 0;
  uint64_t b_bits = 0;
  std::memcpy(&a_bits, &a, sizeof a_bits);
  std::memcpy(&b_bits, &b, sizeof b_bits);
  return a_bits == b_bits;
}

}  // namespace

void write_number(RecordWriter &writer, double value) {
  if (writer.last_number_at != std::string::npos && same_bits(value, writer.last_number)) {
    char text[kNumberBufferSize];
    writer.out.copy(text, writer.last_number_size, writer.last_number_at);
    writer.out.append(text, writer.last_number_size);
    return;
  }
  size_t at = writer.out.size();
  if (writer.format == RecordFormat::kJson) {
    append_json_number(writer.out, value);
  } else {
    append_shortest_number(writer.out, value);
  }
  writer.last_number = value;
  writer.last_number_at = at;
  writer.last_number_size = writer.out.size() - at;
}

void write_text(RecordWriter &writer, std::string_view text) {
  if (writer.format == RecordFormat::kJson) {
    append_json_text(writer.out, text);
  } else {
    append_csv_text(writer.out, text);
  }
}

void write_numeral(RecordWriter &writer, std::string_view digits) {
  if (writer.format == RecordFormat::kJson) {
    writer.out += '"';
    writer.out += digits;
    writer.out += '"';
  } else {
    writer.out += digits;
  }
}

void write_text_or_null(RecordWriter &writer, const char *text) {
  if (text != nullptr) {
    write_text(writer, text);
  } else {
    write_null(writer);
  }
}

void write_integers(RecordWriter &writer, const int *values, size_t count) { append_integers(writer, values, count); }

void write_integers(RecordWriter &writer, const int64_t *values, size_t count) {
  append_integers(writer, values, count);
}

void write_numbers(RecordWriter &writer, const double *values, size_t count) {
  writer.out += '[';
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) writer.out += ',';
    append_json_number(writer.out, values[i]);
  }
  writer.out += ']';
}
