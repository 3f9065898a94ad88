// CSV as the tool reads and writes it: comma separated, fields with a comma, quote or
// line break in double quotes (a quote doubled inside), lines ended by LF or CRLF.
//
// Every line is one record, a blank one too (the record of a one-column file whose
// value is blank); a quoted field may hold line breaks, so a record may span lines.
// A quote opens a field only at its start and must close it right before a comma or
// the end of the line; a NUL byte is refused anywhere.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kw::tool {

std::string csvField(const std::string& s);
// One record and its line break; the record of one blank field is written `""` so that
// no line is empty.
std::string csvLine(const std::vector<std::string>& fields);

// Reads the records of a whole input held in memory.
class CsvReader {
  public:
    enum class Result { Record, End, Error };

    explicit CsvReader(std::string_view input) : in_(input) {}

    // The next record into `fields`. On Error, `error` says what is wrong; the reader
    // then goes on at the next line (none when the error was a quote left open).
    Result next(std::vector<std::string>& fields, std::string& error);
    // The line (from 1) where the record last read, or the error, starts.
    long line() const { return line_; }
    // The field (from 1) where the last error lies.
    std::size_t column() const { return column_; }

  private:
    void skipLine();

    std::string_view in_;
    std::size_t pos_ = 0;
    long nextLine_ = 1;
    long line_ = 0;
    std::size_t column_ = 0;
};

// At most `max` bytes of `s` for a message, cut at a character and with bytes that are
// not printable UTF-8 written \xHH; "..." and the full length when it was cut.
std::string excerpt(std::string_view s, std::size_t max = 40);

}  // namespace kw::tool
