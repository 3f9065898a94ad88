// Conditions on a table's fields as SQL for the server: the money totals' conditions
// and what a view's pass lets through (File::filter). Values always go as parameters.
#pragma once

#include <string>
#include <vector>

#include "storage/file.h"
#include "storage/table_decl.h"

namespace kw::storage::pg {

// The condition as SQL, its value a parameter appended to `params`; "" when the field
// cannot take part (not a whole number). A date is compared as its key's index has it,
// the empty date 0 as 28.12.1800 (day 0), so that a condition on a key's first date can
// read that index.
std::string conditionSql(const TableDecl& decl, const File::Condition& c,
                         std::vector<std::string>& params);

// Whether `a op b` holds, as the program compares whole numbers.
bool holds(int64_t a, File::Condition::Op op, int64_t b);

// A STRING field equal to a text as the program compares them (trailing blanks do not
// count: the column holds the text without them); "" when the field is not a STRING.
std::string textEqualSql(const TableDecl& decl, const File::TextEqual& t,
                         std::vector<std::string>& params);

// " AND " and every condition and text of `pass`; "" when none can take part.
std::string filterSql(const TableDecl& decl, const File::Filter& pass,
                      std::vector<std::string>& params);

}  // namespace kw::storage::pg
