#include "documents/sheets.h"

namespace kw::documents {

Sheets::Sheets(int rowsPerSheet, int rowBand, int sheetBand, int grandBand)
    : perSheet_(rowsPerSheet), rowBand_(rowBand), sheetBand_(sheetBand), grandBand_(grandBand) {}

void Sheets::row(report::Report& r, const SheetValues& values) {
    if (rowsOnSheet_ == perSheet_) {
        r.endPage();
        rowsOnSheet_ = 0;
    }
    ++NN;
    (void)r.print(rowBand_);
    for (std::size_t i = 0; i < kSheetSums; ++i) {
        sheet[i] += values[i];
        grand[i] += values[i];
    }
    if (++rowsOnSheet_ == perSheet_) closeSheet(r);
}

void Sheets::finish(report::Report& r) {
    if (rowsOnSheet_ == perSheet_) {  // the empty sheet after a full one, on its own page
        r.endPage();
        rowsOnSheet_ = 0;
    }
    closeSheet(r);
    (void)r.print(grandBand_);
}

void Sheets::closeSheet(report::Report& r) {
    (void)r.print(sheetBand_);
    ++N_LIST;
    sheet.fill(0);
}

}  // namespace kw::documents
