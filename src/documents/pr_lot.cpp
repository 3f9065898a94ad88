// PR_LOT: the list of auction lots ("ПЕРЕЧЕНЬ ПРЕДМЕТОВ ТОРГОВ") for the auction of
// D_T: the pledges in state 5 handed over for sale in D1..D2, each a lot with its
// starting price (the sale price) and description, in sheets of 53 rows with their
// sums and the grand line. Portrait, on paper of 8250 x 11688 thousandths of an inch,
// measures in millimetres.
#include "dictionary/kbp.h"
#include "documents/document_names.h"
#include "documents/report_layout.h"
#include "documents/sale_reports.h"
#include "documents/sheets.h"
#include "documents/zal_report.h"
#include "runtime/fixed_string.h"
#include "shell/globals.h"

namespace {

using namespace kw::documents::layout;
using kw::W;
using kw::ui::Binding;

constexpr int kRowsPerSheet = 53;
// Column edges, mm from the left margin.
constexpr double kNo = 0, kLot = 10, kPrice = 28, kText = 54, kRight = 199.5;
constexpr double kRow = 4.2;

class LotReport : public kw::documents::ZalReport {
  public:
    LotReport() : ZalReport("PR_LOT", "zal:sost=5 and zal:data_r>=d1 and zal:data_r<=d2") {}

  protected:
    kw::report::ReportDef Define() override {
        NAME_L = KBP.NAME.clip();
        kw::report::ReportDef d = userSheet("Перечень предметов торгов");
        d.fileName = kw::documents::periodName(d.title);
        header(d.header);
        d.details.push_back(row());
        d.details.push_back(sums("И т о г о  по листу:", sheets_.sheet[0], "TS_SR", false));
        d.details.push_back(sums("Всего по листам  с 1 по", sheets_.grand[0], "TG_SR", true));
        return d;
    }

    void TakeRow() override {
        IZZ = kw::documents::itemDescription();
        sheets_.row(Out(), {ZAL.S_R, 0, 0, 0, 0});
    }

    void Finish() override { sheets_.finish(Out()); }

  private:
    void header(kw::report::Band& b) {
        b.height = 27;
        b.field(0, 0, Binding::of(NAME_L).named("NAME_L"), "s60", sans(9, true), kRight);
        centred(b, 0, 5, kRight, "ПЕРЕЧЕНЬ ПРЕДМЕТОВ ТОРГОВ", sans(11, true));
        b.text(0, 11, W("Дата проведения торгов:"));
        b.field(36, 11, Binding::of(D_T).named("D_T"), "D6b", sans(8, true));
        b.text(70, 11, W("постановки на реализацию с"));
        b.field(110, 11, Binding::of(D1).named("D1"), "D6");
        b.text(129, 11, W("по"));
        b.field(134, 11, Binding::of(D2).named("D2"), "D6");
        const double y = 17;
        const auto small = sans(7);
        b.line(kNo, y, kRight, 0);
        b.line(kNo, y + 10, kRight, 0);
        for (double x : {kNo, kLot, kPrice, kText, kRight}) b.line(x, y, 0, 10);
        centred(b, kNo, y + 3.5, kLot - kNo, "№пп", small);
        centred(b, kLot, y + 2, kPrice - kLot, "Номер", small);
        centred(b, kLot, y + 5, kPrice - kLot, "лота", small);
        centred(b, kPrice, y + 3.5, kText - kPrice, "Начальная цена", small);
        centred(b, kText, y + 3.5, kRight - kText, "Описание лота", small);
    }

    kw::report::Band row() {
        kw::report::Band b;
        b.height = kRow;
        const auto f = sans(7);
        number(b, kNo, 0.6, kLot - kNo - 1, Binding::of(sheets_.NN).named("NN"), "n_4", f);
        number(b, kLot, 0.6, kPrice - kLot - 1, zal("N_KV"), "n_8", f);
        number(b, kPrice, 0.6, kText - kPrice - 1, zal("S_R"), "n_12.2", f);
        b.field(kText + 1, 0.6, Binding::of(IZZ).named("IZZ"), "s100", f, kRight - kText - 2);
        for (double x : {kNo, kLot, kPrice, kText, kRight}) b.line(x, 0, 0, kRow);
        b.line(kNo, kRow, kRight, 0);
        return b;
    }

    kw::report::Band sums(const char* utf8, double& v, const char* name, bool grand) {
        kw::report::Band b;
        b.height = 5.5;
        const auto f = sans(7, true);
        b.text(kText + 1, 1.2, W(utf8), f);
        if (grand) b.field(kText + 32, 1.2, Binding::of(sheets_.N_LIST).named("N_LIST"), "n_4", f);
        number(b, kPrice, 1.2, kText - kPrice - 1, Binding::of(v).named(name), "n_13.2", f);
        b.line(kNo, 5, kRight, 0);
        return b;
    }

    kw::documents::Sheets sheets_{kRowsPerSheet, 1, 2, 3};
    kw::FixedString<60> NAME_L;
    kw::FixedString<100> IZZ;
};

}  // namespace

void PR_LOT() {
    LotReport ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
