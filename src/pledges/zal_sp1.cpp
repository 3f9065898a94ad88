// ZAL_SP1: the financial inquiry: the pledges issued from D1 to D2, cancelled ones left
// out, with the money of the whole list. The totals follow the date of issue: what a
// later prolongation or redemption received counts in the period of the pledge's issue.
#include "dictionary/zal.h"
#include "framework/window/view_totals.h"
#include "pledges/pledge_list.h"
#include "pledges/pledge_procedures.h"
#include "runtime/codepage.h"

namespace {

using kw::W;

class ZalSp1 : public kw::pledges::PledgeList {
  public:
    ZalSp1()
        : PledgeList({.name = "ZAL_SP1",
                      .title = W("Финансовая справка"),
                      .filter = "(zal:data>=d1 and zal:data<=d2 and zal:sost<>6)",
                      .kind = kw::pledges::ListKind::Inquiry,
                      .prolongations = 3,
                      .outcome = true}) {}

    void Totals() override {
        I_S = 0;
        S_S = I_P = I_P_C = I_P_X = S_VI = POL_S = XR_S = I_ST = S_WW = T_REALZ = 0;
        (void)kw::ForEachInView(BRW1, [this] {
            const kw::dict::ZalRecord& z = ZAL;
            ++I_S;
            S_S += z.S_CCYD;
            I_P_C += z.S_P_S;
            I_P_X += z.S_P_X;
            S_VI += z.S_VID;
            POL_S += z.S_P_C1 + z.S_P_C2 + z.S_P_C3 + z.S_P_CW;
            XR_S += z.S_P_X1 + z.S_P_X2 + z.S_P_X3 + z.S_P_XW;
            I_ST += z.S_ST1 + z.S_ST2 + z.S_ST3 + z.S_STW;
            S_WW += z.S_W;
            T_REALZ += z.S_R;
        });
        I_P = I_P_C + I_P_X;
    }

    int32_t I_S = 0;  // pledges issued
    double S_S = 0, I_P = 0, I_P_C = 0, I_P_X = 0, S_VI = 0, POL_S = 0, XR_S = 0, I_ST = 0,
           S_WW = 0, T_REALZ = 0;

  protected:
    void AddTotals(kw::ui::WindowDef& s) override {
        int n = kFirstTotalsControl;
        auto total = [&](const char* prompt, kw::ui::Binding b, const char* name,
                         const char* picture, bool beside) {
            kw::ui::Control p = kw::ui::Control::prompt(W(prompt));
            if (beside) p.beside();
            s.add(p.number(n++));
            kw::ui::Control e = kw::ui::Control::entry(std::move(b.named(name)), picture);
            e.readOnly = true;
            s.add(e.number(n++));
        };
        using kw::ui::Binding;
        total("Выдано ссуд всего:", Binding::of(I_S), "I_S", "n_7", false);
        total("на сумму:", Binding::of(S_S), "S_S", "n_15.2", true);
        total("начислено всего %%:", Binding::of(I_P), "I_P", "n_15.2", false);
        total("в том числе по ссудам:", Binding::of(I_P_C), "I_P_C", "n_15.2", true);
        total("по хранению:", Binding::of(I_P_X), "I_P_X", "n_15.2", true);
        total("Выдано клиентам:", Binding::of(S_VI), "S_VI", "n_15.2", false);
        total("Получено %% по ссудам:", Binding::of(POL_S), "POL_S", "n_15.2", false);
        total("по хранению:", Binding::of(XR_S), "XR_S", "n_15.2", true);
        total("получено по штрафам:", Binding::of(I_ST), "I_ST", "n_15.2", true);
        total("Возврат при выкупе всего:", Binding::of(S_WW), "S_WW", "n_15.2", false);
        total("Передано на реализацию на сумму:", Binding::of(T_REALZ), "T_REALZ", "n_15.2", true);
    }
};

}  // namespace

void ZAL_SP1() {
    ZalSp1 ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
