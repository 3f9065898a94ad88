// PR_REAL: the act of hand-over for sale over D1..D2: every pledge in state 5 whose
// hand-over date lies in the period, with its sale price, client and item, and the
// total at sale prices (T_REA). A4 portrait, millimetres.
#include "dictionary/kbp.h"
#include "documents/document_names.h"
#include "documents/report_layout.h"
#include "documents/sale_reports.h"
#include "documents/zal_report.h"
#include "shell/globals.h"

namespace {

using namespace kw::documents::layout;
using kw::W;
using kw::ui::Binding;

class ActReport : public kw::documents::ZalReport {
  public:
    ActReport() : ZalReport("PR_REAL", "zal:data_r>=d1 and zal:data_r<=d2 and zal:sost=5") {}

    double T_REA = 0;

  protected:
    kw::report::ReportDef Define() override {
        kw::report::ReportDef d =
            sheet("Акт передачи на реализацию", kw::report::Orientation::Portrait, {12, 10, 8, 10});
        d.fileName = kw::documents::periodName(d.title);
        header(d.header);
        d.details.push_back(row());
        d.details.push_back(total());
        return d;
    }

    void TakeRow() override {
        T_REA += ZAL.S_R;
        (void)Out().print(1);
    }

    void Finish() override { (void)Out().print(2); }

  private:
    static void header(kw::report::Band& b) {
        b.height = 16;
        b.text(0, 2, W("АКТ передачи на реализацию за период от:"), sans(10, true));
        b.field(88, 2, Binding::of(D1).named("D1"), "D6", sans(10, true));
        b.text(112, 2, W("до:"), sans(10, true));
        b.field(120, 2, Binding::of(D2).named("D2"), "D6", sans(10, true));
        b.text(0, 8, W("Ломбард:"), sans(8, true));
        b.field(16, 8, kw::UseField(kw::dict::kbpTable(), "NAME"), "s60", sans(8, true), 170);
        b.line(0, 14, 190, 0);
    }

    static kw::report::Band row() {
        kw::report::Band b;
        b.height = 16;
        b.text(0, 1, W("Билет №:"), sans(8, true));
        b.field(14, 1, zal("N_KV"), "n_14", sans(8, true));
        b.text(38, 1, W("от:"));
        b.field(44, 1, zal("DATA"), "D6");
        b.text(68, 1, W("Передано на реализацию:"));
        b.field(106, 1, zal("DATA_R"), "D6");
        b.text(130, 1, W("по цене:"));
        number(b, 145, 1, 45, zal("S_R"), "n_15.2", sans(8, true));
        b.field(4, 4.5, zal("FIO"), "s60", {}, 100);
        b.field(108, 4.5, zal("PAS"), "s60", {}, 82);
        b.field(4, 8, zal("ADR"), "s60", {}, 186);
        b.field(4, 11.5, zal("OP_IZ"), "s80", {}, 150);
        b.text(158, 11.5, W("Вес:"));
        number(b, 165, 11.5, 25, zal("VEC"), "n_10.4");
        b.line(0, 15.5, 190, 0);
        return b;
    }

    kw::report::Band total() {
        kw::report::Band b;
        b.height = 10;
        b.text(0, 3, W("Итого передано на реализацию на сумму:"), sans(8, true));
        number(b, 130, 3, 60, Binding::of(T_REA).named("T_REA"), "n_15.2", sans(8, true));
        return b;
    }
};

}  // namespace

void PR_REAL() {
    ActReport ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
