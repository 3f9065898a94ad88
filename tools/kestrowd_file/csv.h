// CSV as the tool reads and writes it: comma separated, fields with a comma, quote or
// line break in double quotes (a quote doubled inside), lines ended by LF or CRLF.
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace kw::tool {

std::string csvField(const std::string& s);
std::string csvLine(const std::vector<std::string>& fields);
// Reads one record; false at the end of the input.
bool readCsvRecord(std::istream& in, std::vector<std::string>& fields);

}  // namespace kw::tool
