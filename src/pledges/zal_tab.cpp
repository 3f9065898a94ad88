// ZAL_TAB: the pledges issued today, with the day's totals over the whole list (not
// only the page on screen). Its insert button opens the new-pledge form, and change
// and delete open it on a pledge of today whatever its state. The totals leave out
// cancelled pledges (state 6), as the day's closing does; the list still shows them.
#include "dictionary/zal.h"
#include "framework/window/view_totals.h"
#include "pledges/pledge_list.h"
#include "pledges/pledge_procedures.h"
#include "rules/pledge_state.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/money.h"

namespace {

using kw::W;

class ZalTab : public kw::pledges::PledgeList {
  public:
    ZalTab()
        : PledgeList({.name = "ZAL_TAB",
                      .title = W("Залоговые ссуды за день"),
                      .key = 2,
                      .filter = "(zal:data=today())",
                      .kind = kw::pledges::ListKind::Day,
                      .form = UPDATEZAL}) {}

    uint8_t Check() override {
        return ZAL.DATA == kw::clock::today() ? kw::record::OK : kw::record::Filtered;
    }

    void Totals() override {
        TOT_K = 0;
        TOT_O = TOT_C = TOT_X = TOT_V = 0;
        if (summedByBackEnd()) return;
        // Only the fields summed and those Check reads travel.
        (void)kw::ForEachInView(BRW1,
                                [this] {
                                    if (ZAL.SOST == kw::pledges::kDeleted) return;
                                    ++TOT_K;
                                    TOT_O = kw::money::add(TOT_O, ZAL.S_OZEN);
                                    TOT_C = kw::money::add(TOT_C, ZAL.S_P_S);
                                    TOT_X = kw::money::add(TOT_X, ZAL.S_P_X);
                                    TOT_V = kw::money::add(TOT_V, ZAL.S_VID);
                                },
                                {"SOST", "S_OZEN", "S_P_S", "S_P_X", "S_VID", "DATA"});
    }

    // On a server the day's pledges are added up there (after every loan, every desk):
    // the same records as the list's filter and Check take, in whole kopecks.
    bool summedByBackEnd() {
        using Cond = kw::storage::File::Condition;
        const kw::storage::TableDecl& t = kw::dict::zalTable();
        const std::vector<Cond> when = {
            {t.fieldNumber("DATA"), Cond::Op::Eq, kw::clock::today()},
            {t.fieldNumber("SOST"), Cond::Op::Ne, kw::pledges::kDeleted}};
        std::vector<int64_t> k;
        if (!kw::SumsByBackEnd(BRW1,
                               {{0, when},
                                {t.fieldNumber("S_OZEN"), when},
                                {t.fieldNumber("S_P_S"), when},
                                {t.fieldNumber("S_P_X"), when},
                                {t.fieldNumber("S_VID"), when}},
                               k))
            return false;
        TOT_K = static_cast<int32_t>(k[0]);
        TOT_O = kw::money::roubles(k[1]);
        TOT_C = kw::money::roubles(k[2]);
        TOT_X = kw::money::roubles(k[3]);
        TOT_V = kw::money::roubles(k[4]);
        return true;
    }

    int32_t TOT_K = 0;  // pledges of the day
    double TOT_O = 0;   // appraisal
    double TOT_C = 0;   // interest
    double TOT_X = 0;   // storage
    double TOT_V = 0;   // paid out

  protected:
    void AddTotals(kw::ui::WindowDef& s) override {
        int n = kFirstTotalsControl;
        auto total = [&](const char* prompt, kw::ui::Binding b, const char* picture, bool beside) {
            kw::ui::Control p = kw::ui::Control::prompt(W(prompt));
            if (beside) p.beside();
            s.add(p.number(n++));
            kw::ui::Control e = kw::ui::Control::entry(std::move(b), picture);
            e.readOnly = true;
            s.add(e.number(n++));
        };
        total("Всего ссуд за день:", kw::ui::Binding::of(TOT_K).named("TOT_K"), "n_7", false);
        total("Всего оценка:", kw::ui::Binding::of(TOT_O).named("TOT_O"), "n_15.2", true);
        total("Суммы %% по судам:", kw::ui::Binding::of(TOT_C).named("TOT_C"), "n_15.2", false);
        total("За хранение:", kw::ui::Binding::of(TOT_X).named("TOT_X"), "n_15.2", true);
        total("Всего к выдаче:", kw::ui::Binding::of(TOT_V).named("TOT_V"), "n_15.2", false);
    }
};

}  // namespace

void ZAL_TAB() {
    ZalTab ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
