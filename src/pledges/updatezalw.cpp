// UPDATEZALW: the redemption of a pledge (states 0 to 3 to state 4): the client repays
// what was paid out, interest and storage for the days used of the current period,
// and a penalty for the days past its end.
#include "pledges/event_form.h"
#include "pledges/pledge_procedures.h"
#include "rules/pledge_events.h"
#include "rules/pledge_state.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"

namespace {

using kw::W;

class UpdateZalW : public kw::pledges::EventForm {
  public:
    UpdateZalW()
        : EventForm("UPDATEZALW", W("Оформление  выкупа заложенной вещи"),
                    {kw::pledges::kIssued, kw::pledges::kProlonged1, kw::pledges::kProlonged2,
                     kw::pledges::kProlonged3},
                    kw::pledges::kRedeemed) {}

  protected:
    void Event() override {
        const kw::pledges::EventDays d = kw::pledges::redeem(ZAL, KBP, kw::clock::today(), Penalty);
        D_PRO1 = static_cast<int16_t>(d.overdue);
        D_PROW = static_cast<int16_t>(d.charged);
    }
    void AddEventFields(kw::ui::WindowDef& s) override {
        s.begin(kw::ui::Control::group(W("Выкуп")).number(kFirstPrompt - 1));
        AddField(s, "Дата прихода клиента:", "DATA_PRW");
        AddField(s, "Штраф за просрочку выкупа:", "S_STW");
        AddField(s, "Сумма %% по ссуде:", "S_P_CW");
        AddField(s, "Сумма %% по хранению:", "S_P_XW", true);
        AddField(s, "Получить с клиента:", "S_W");
        s.end();
    }
    std::vector<std::string> HintLines() const override {
        return {W("Если согласны с расчетом,распечатайте квитанцию"),
                W("и нажмите ОК для записи в базу")};
    }
    void ClearEvent() override { ZAL.S_P_CW = ZAL.S_P_XW = ZAL.S_W = ZAL.S_STW = 0; }
    int ShownProlongations() const override { return 3; }
};

}  // namespace

void UPDATEZALW() {
    UpdateZalW ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
