// The audit journal read back: which entries a selection takes, and its printed list
// PR_AUD ("Журнал операций"). The journal's window (AUD_TAB) and the print share the
// selection, so the paper shows exactly the lines the window listed.
//
// A selection is a period of days (both ends included) and, optionally, one ticket
// (entries on the pledge file whose record key is that number), one user code and one
// kind of entry. Its filter names the journal's date first, so a view in the order of
// AUD's KEY_2 (date, number) reads only the period's part of the key, however long
// the journal has grown.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/report.h"

namespace kw::documents {

struct AuditSelection {
    int32_t from = 0;    // first day
    int32_t to = 0;      // last day
    int32_t ticket = 0;  // ticket number; 0: any record
    int user = -1;       // user code 0..255; -1: any user
    int16_t kind = 0;    // audit::Kind; 0: any kind
};

// The view filter of `s` over AUD: "AUD:DATA >= ... AND AUD:DATA <= ..." and the
// conditions of the filters given.
std::string auditFilter(const AuditSelection& s);

// The filters of `s` in words (CP1251) for the report's header: "все записи" or
// "билет № 1368; пользователь 6; вид: Выкуп".
std::string auditSelectionText(const AuditSelection& s);

// The lines `cp1251` takes in a column `widthMm` wide set in `f`: the changes of an
// entry ("A: x -> y; B: ...") one to a line, each broken at blanks where it is wider
// than the column (a word wider than the column is broken where it fills it). Never
// empty: an empty text is one empty line.
std::vector<std::string> wrapText(const report::Font& f, std::string_view cp1251, double widthMm);

}  // namespace kw::documents

// The printed journal of the selection: A4 landscape, one row per entry in number
// order with its changes wrapped below one another in the last column, the count at
// the end; the progress window "Подготовка печати", then the preview. An empty
// selection says "No Records" and prints nothing.
void PR_AUD(const kw::documents::AuditSelection& s);
