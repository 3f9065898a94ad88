// UPDATEZALR: the hand-over of a forfeited pledge for sale (states 0 to 3 to state 5):
// what the pawnshop collected over the pledge's life and the proposed sale price, all
// recomputed at every refresh. Runs on the sale list's own procedure thread.
#include "pledges/event_form.h"
#include "pledges/pledge_procedures.h"
#include "rules/pledge_events.h"
#include "rules/pledge_state.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"

namespace {

using kw::W;

class UpdateZalR : public kw::pledges::EventForm {
  public:
    UpdateZalR()
        : EventForm("UPDATEZALR", W("Оформление  передачи заложенной вещи на реализацию"),
                    {kw::pledges::kIssued, kw::pledges::kProlonged1, kw::pledges::kProlonged2,
                     kw::pledges::kProlonged3},
                    kw::pledges::kForSale) {}

  protected:
    void Event() override {
        D_PRO1 = static_cast<int16_t>(kw::pledges::sell(ZAL, kw::clock::today()).overdue);
        D_PROW = 0;
    }
    void AddEventFields(kw::ui::WindowDef& s) override {
        s.begin(kw::ui::Control::group(W("Реализация")).number(kFirstPrompt - 1));
        AddField(s, "Дата передачи:", "DATA_R");
        s.add(Prompt("на реализацию").number(kFirstPrompt - 2).beside());
        AddField(s, "Сумма %% по ссуде:", "S_P_CR");
        AddField(s, "Сумма %% по хранению:", "S_P_XR", true);
        AddField(s, "Сумма штрафов:", "S_STR");
        AddField(s, "Оценка цены реализации:", "S_R");
        s.end();
    }
    std::vector<std::string> HintLines() const override {
        return {W("Если согласны с расчетом,"), W("нажмите ОК для записи в базу")};
    }
    // As the form always did: the redemption's amounts (zero for a pledge never
    // redeemed); its own are recomputed at every refresh anyway.
    void ClearEvent() override { ZAL.S_P_CW = ZAL.S_P_XW = ZAL.S_W = ZAL.S_STW = 0; }
    int ShownProlongations() const override { return 3; }
    std::string ReceivedPrompt() const override { return W("Получено от клиента:"); }
    std::string OverduePrompt() const override { return W("Просрочено >=:"); }
};

}  // namespace

void UPDATEZALR() {
    UpdateZalR ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
