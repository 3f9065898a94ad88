// Sheets: the numbered lists that go to the notary and to the auction are printed in
// sheets of a fixed number of rows. A sheet is closed by its band of sums ("И т о г о
// по листу:"), and the list ends with the grand line over all sheets ("Всего по листам
// с 1 по" and the number of sheets). Each sheet is a page of its own: the row that
// opens a new sheet starts a new page, so the page header repeats on every sheet.
//
// The sheet band is printed after the last row of a full sheet, and once more after the
// last row of the list for the sheet that row leaves open: a part-filled sheet with its
// sums, or, when the last sheet was filled exactly, a new sheet that holds no row, whose
// band shows zeros and which is counted like the others (28 rows of 14 make three
// sheets).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "runtime/report.h"

namespace kw::documents {

inline constexpr std::size_t kSheetSums = 5;
using SheetValues = std::array<double, kSheetSums>;

class Sheets {
  public:
    // `rowBand`, `sheetBand` and `grandBand` are detail-band numbers of the report.
    Sheets(int rowsPerSheet, int rowBand, int sheetBand, int grandBand);

    // Prints the current row (NN is its running number by then) and adds `values` to
    // the sums of its sheet and to the grand sums.
    void row(report::Report& r, const SheetValues& values);
    // After the last row: the band of the sheet left open, then the grand line.
    void finish(report::Report& r);

    // Bound in the bands.
    int32_t NN = 0;       // running number of the row in the list
    int32_t N_LIST = 0;   // sheets closed so far
    SheetValues sheet{};  // sums of the current sheet
    SheetValues grand{};  // sums of the whole list

  private:
    void closeSheet(report::Report& r);

    int perSheet_, rowBand_, sheetBand_, grandBand_;
    int rowsOnSheet_ = 0;
};

}  // namespace kw::documents
