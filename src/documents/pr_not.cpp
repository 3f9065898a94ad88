// PR_NOT: the list for the notary's writ of execution over D1..D2: the pledges in state
// 5 handed over for sale in the period, with what each client owes (the loan, storage
// and service charges, the sum required) and the notary's charge at KBP:N_PROZ %, in
// sheets of 14 rows with their sums and the grand line. The writ's header names the
// notary (KBP:FIO_N, licence KBP:N_LIZ) and the pawnshop as the creditor. Portrait, on
// paper of 8250 x 11688 thousandths of an inch, measures in millimetres.
#include "dictionary/kbp.h"
#include "documents/document_names.h"
#include "documents/report_layout.h"
#include "documents/sale_reports.h"
#include "documents/sheets.h"
#include "documents/zal_report.h"
#include "rules/notary_charge.h"
#include "runtime/fixed_string.h"
#include "shell/globals.h"

namespace {

using namespace kw::documents::layout;
using kw::W;
using kw::ui::Binding;

constexpr int kRowsPerSheet = 14;
// Column edges, mm from the left margin.
constexpr double kNo = 0, kTicket = 8, kClient = 22, kMoney = 112, kMoneyWidth = 17.5,
                 kRight = 199.5;

double money(int column) {
    return kMoney + column * kMoneyWidth;
}

class NotaryReport : public kw::documents::ZalReport {
  public:
    NotaryReport() : ZalReport("PR_NOT", "zal:sost=5 and zal:data_r>=d1 and zal:data_r<=d2") {}

  protected:
    kw::report::ReportDef Define() override {
        FIO = W("Я, ") + KBP.FIO_N.clip() + W(",Нотариус г.Москвы(лицензия №") + KBP.N_LIZ.clip() +
              ")";
        ADR = KBP.NAME.clip() + W(" адр. ") + KBP.ADR.clip();
        PROZ_T = "(" + kw::documents::plainNumber(KBP.N_PROZ) + " %)";
        kw::report::ReportDef d = userSheet("Перечень для нотариата");
        d.fileName = kw::documents::periodName(d.title);
        header(d.header);
        d.details.push_back(row());
        d.details.push_back(sums("И т о г о  по листу:", sheets_.sheet, false));
        d.details.push_back(sums("Всего по листам  с 1 по", sheets_.grand, true));
        return d;
    }

    void TakeRow() override {
        PASP = kw::documents::passportLine(ZAL.PAS.view());
        IZZ = kw::documents::itemDescription();
        S_SCR = ZAL.S_P_CR + ZAL.S_STR;
        S_PROZ = kw::documents::notaryCharge(ZAL.S_R, KBP.N_PROZ);
        sheets_.row(Out(), {ZAL.S_CCYD, ZAL.S_P_XR, S_SCR, ZAL.S_R, S_PROZ});
    }

    void Finish() override { sheets_.finish(Out()); }

  private:
    void header(kw::report::Band& b) {
        b.height = 54;
        centred(b, 0, 0, kRight, "И с п о л н и т е л ь н а я   н а д п и с ь", sans(11, true));
        b.field(0, 7, Binding::of(FIO).named("FIO"), "s90", sans(8), kRight);
        b.text(0, 11, W("на основании ст.89 Основн.Законод. Российской Федерации "));
        b.text(0, 15, W("о нотариусах и ст.358 ГК РФ предлагаю взыскать "));
        b.text(0, 19, W("с залогодателей, указанных в перечне, в пользу кредитора - ломбарда:"));
        b.field(0, 23, Binding::of(ADR).named("ADR"), "s100", sans(8, true), kRight);
        b.text(0, 27, W("не уплаченную в срок задолженность по возврату кредита,"));
        b.text(0, 31, W("оплате услуг,выдаче и хранению,указанную в залоговом билете"));
        b.text(0, 36, W("с"));
        b.field(4, 36, Binding::of(D1).named("D1"), "D6");
        b.text(24, 36, W("по"));
        b.field(30, 36, Binding::of(D2).named("D2"), "D6");
        headings(b, 42);
    }

    void headings(kw::report::Band& b, double y) {
        const auto small = sans(7), narrow = sans(6);
        b.line(kNo, y, kRight, 0);
        b.line(kNo, y + 12, kRight, 0);
        for (double x :
             {kNo, kTicket, kClient, money(0), money(1), money(2), money(3), money(4), kRight})
            b.line(x, y, 0, 12);
        centred(b, kNo, y + 1, kTicket - kNo, "№пп", small);
        centred(b, kTicket, y + 1, kClient - kTicket, "№ залог.", small);
        centred(b, kTicket, y + 4, kClient - kTicket, "билета", small);
        centred(b, kClient, y + 1, kMoney - kClient, "Ф.И.О. № паспорта,Адрес", small);
        centred(b, kClient, y + 4, kMoney - kClient, "краткое описание залога", small);
        const char* const lines[5][3] = {
            {"Оценка ", "кредита/", "выдано на руки"},
            {"%% за", "хранен.", nullptr},
            {"Плата за", "услуги", "кредита"},
            {"Требуемая", "сумма", nullptr},
            {"%% оформл.", "нотариуса", nullptr}};  // and the percentage below
        for (int c = 0; c < 5; ++c)
            for (int l = 0; l < 3; ++l)
                if (lines[c][l])
                    centred(b, money(c), y + 1 + 3.2 * l, kMoneyWidth, lines[c][l], narrow);
        kw::report::Item pct;
        pct.x = money(4);
        pct.y = y + 1 + 3.2 * 2;
        pct.width = kMoneyWidth;
        pct.use = Binding::of(PROZ_T).named("N_PROZ");
        pct.picture = "s12";
        pct.font = narrow;
        pct.align = kw::report::Align::Center;
        b.add(std::move(pct));
    }

    // Four lines in the client's cell: name, address, passport, the article; what was
    // paid out in the first money column (its sheet sum adds up the loans).
    kw::report::Band row() {
        kw::report::Band b;
        b.height = 13;
        const auto f = sans(7);
        number(b, kNo, 0.5, kTicket - kNo - 1, Binding::of(sheets_.NN).named("NN"), "n_4", f);
        number(b, kTicket, 0.5, kClient - kTicket - 1, zal("N_KV"), "n_8", f);
        b.field(kClient + 1, 0.5, zal("FIO"), "s60", f, kMoney - kClient - 2);
        b.field(kClient + 1, 3.4, zal("ADR"), "s60", f, kMoney - kClient - 2);
        b.field(kClient + 1, 6.3, Binding::of(PASP).named("PAS"), "s66", f, kMoney - kClient - 2);
        b.field(kClient + 1, 9.2, Binding::of(IZZ).named("IZZ"), "s100", f, kMoney - kClient - 2);
        number(b, money(0), 0.5, kMoneyWidth - 1, zal("S_VID"), "n_10.2", f);
        number(b, money(1), 0.5, kMoneyWidth - 1, zal("S_P_XR"), "n_10.2", f);
        number(b, money(2), 0.5, kMoneyWidth - 1, Binding::of(S_SCR).named("S_SCR"), "n_11.2", f);
        number(b, money(3), 0.5, kMoneyWidth - 1, zal("S_R"), "n_10.2", f);
        number(b, money(4), 0.5, kMoneyWidth - 1, Binding::of(S_PROZ).named("S_PROZ"), "n_10.2", f);
        for (double x :
             {kNo, kTicket, kClient, money(0), money(1), money(2), money(3), money(4), kRight})
            b.line(x, 0, 0, 13);
        b.line(kNo, 13, kRight, 0);
        return b;
    }

    // The sheet band, or with `grand` the grand line with the number of sheets.
    kw::report::Band sums(const char* utf8, kw::documents::SheetValues& v, bool grand) {
        kw::report::Band b;
        b.height = 6;
        const auto f = sans(7, true);
        b.text(kClient + 1, 1.5, W(utf8), f);
        if (grand)
            b.field(kClient + 32, 1.5, Binding::of(sheets_.N_LIST).named("N_LIST"), "n_4", f);
        const char* const names[5][2] = {{"TS_OK", "TG_OK"},
                                         {"TS_XR", "TG_XR"},
                                         {"TS_SCR", "TG_SCR"},
                                         {"TS_SR", "TG_SR"},
                                         {"TS_NOT", "TG_NOT"}};
        for (int c = 0; c < 5; ++c)
            number(b, money(c), 1.5, kMoneyWidth - 1,
                   Binding::of(v[static_cast<std::size_t>(c)]).named(names[c][grand]), "n_13.2",
                   f);  // a sheet of the largest amounts still shows its sums
        b.line(kNo, 5.5, kRight, 0);
        return b;
    }

    kw::documents::Sheets sheets_{kRowsPerSheet, 1, 2, 3};
    kw::FixedString<90> FIO;
    kw::FixedString<100> ADR;
    kw::FixedString<12> PROZ_T;
    kw::FixedString<66> PASP;  // "пасп. " and the whole passport
    kw::FixedString<100> IZZ;
    double S_SCR = 0, S_PROZ = 0;
};

}  // namespace

void PR_NOT() {
    NotaryReport ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
