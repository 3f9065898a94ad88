#include "pledges/pledge_form.h"

#include <optional>

#include "dictionary/tables.h"
#include "documents/f_pr.h"
#include "documents/print_globals.h"
#include "framework/data/dct_init.h"
#include "framework/window/update_form.h"
#include "framework/window/window_manager.h"
#include "pledges/pledge_common.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/message_box.h"
#include "runtime/picture.h"
#include "runtime/real.h"
#include "shell/day_lock.h"
#include "shell/day_state.h"
#include "shell/globals.h"

namespace kw::pledges {

PledgeForm::PledgeForm(std::string procedureName)
    : ProcedureWindow(std::move(procedureName),
                      {&Relate::SEC, &Relate::DAY, &Relate::KLM, &Relate::ZAL, &Relate::KBP,
                       &Relate::MET, &Relate::PRB, &Relate::KAM, &Relate::IZD, &Relate::PKL}) {}

Level PledgeForm::Prepare() {
    Primary = Relate::ZAL;
    KOD_M = 0;
    KOD_K = 0;
    PROBA = 0;
    ::Z1G = 0;
    ::Z1K = 0;
    MET_N.clear();
    KAM_N.clear();
    DAY.DATA = clock::today();
    // "Закрыть" leaves without writing and without asking; a form opened to view has
    // no OK. A delete is carried out at once after its question, not through the form.
    SetUpdateActions(*this, OKControl);
    if (Request != req::View) DeleteAction = kDeleteWarn;
    return PrimeUpdate() == Level::Benign ? Level::Benign : Level::Notify;
}

Level PledgeForm::PrimeUpdate() {
    // A delete is carried out at once (after its question): it is refused on a day that
    // is not open like any other write.
    if (Request == req::Delete && Primary && !shell::todayOpenForOperations(W("Удалить ???"))) {
        Response = resp::Cancelled;
        return Level::Fatal;
    }
    // The question names the pledge, so the operator sees which one goes (default: keep it).
    if (Request == req::Delete && DeleteAction == kDeleteWarn) {
        const std::string text =
            W("Удалить залог N ") + std::to_string(ZAL.N_KV) + " (" + ZAL.FIO.clip() + ")?";
        if (msgbox::show(text, W("Удалить ???"), msgbox::Icon::Question, msgbox::Yes | msgbox::No,
                         msgbox::No) != msgbox::Yes) {
            Response = resp::Cancelled;
            return Level::Fatal;
        }
        DeleteAction = kDeleteNoWarn;
    }
    return WindowManager::PrimeUpdate();
}

void PledgeForm::Reset(uint8_t Force) {
    if (Win.acceptAllActive()) return;
    readSettings();
    fillOperator(OPER);
    DATA_T = clock::today();
    Compute();
    WindowManager::Reset(Force);
}

Level PledgeForm::TakeCompleted() {
    const bool writes = Request == req::Insert || Request == req::Change || Request == req::Delete;
    // The day's state is read and the pledge written under the day's lock, so that a
    // closing on another desk counts this write or comes before it and refuses it.
    std::optional<shell::DayLock> day;
    if (writes) day.emplace(shell::DayLock::Kind::Write);
    if (writes && !day->held()) {
        Say(shell::dayBusyText());
        return Level::Notify;
    }
    if (writes && !shell::todayOpenForOperations(Win.title())) {
        Win.display();
        return Level::Notify;
    }
    if ((Request == req::Insert || Request == req::Change) && ZAL.N_KV == 0) {
        Say(W("Не указан номер квитанции"));
        return Level::Notify;
    }
    if ((Request == req::Insert || Request == req::Change) && !Validated()) return Level::Notify;
    Complete();
    return WindowManager::TakeCompleted();
}

Level PledgeForm::TakeAccepted() {
    const Level l = WindowManager::TakeAccepted();
    if (l != Level::Benign) return l;
    const ui::Control* c = Win.model() ? Win.model()->def.find(Win.field()) : nullptr;
    if (!c || c->kind != ui::ControlKind::Entry) return Level::Benign;
    // The entry's own effect first, so that the refresh works from it.
    Accepting(Win.field());
    if (!Win.acceptAllActive()) Reset();
    return Level::Benign;
}

std::string PledgeForm::Refusal() const {
    auto notPositive = [](double x) { return x <= 0 || real::isZero(x); };
    if (ZAL.FIO.clip().empty()) return W("Не указано ФИО клиента");
    if (notPositive(ZAL.VEC_CH)) return W("Вес чистый должен быть больше нуля");
    if (notPositive(ZAL.S_OZEN)) return W("Сумма оценки должна быть больше нуля");
    if (notPositive(ZAL.S_CCYD)) return W("Сумма ссуды должна быть больше нуля");
    if (notPositive(ZAL.S_VID)) return W("Сумма к выдаче должна быть больше нуля");
    return std::string();
}

bool PledgeForm::Validated() {
    const std::string why = Refusal();
    if (why.empty()) return true;
    Say(why);
    return false;
}

void PledgeForm::SayRejected(const std::string& Text) {
    Say(Text);
}

void PledgeForm::OpenFromForm(const std::function<void()>& procedure) {
    (void)Win.update();
    Update();
    procedure();
    Reset();
}

void PledgeForm::PrintTicket() {
    (void)Win.update();
    Update();
    documents::printTicket(ZAL);
    Reset();
}

void PledgeForm::Closing() {
    if (Response == resp::Completed &&
        (OriginalRequest == req::Insert || OriginalRequest == req::Change))
        F_PR();
}

void PledgeForm::Say(const std::string& text) {
    MESSAGE = text;
    if (MessageControl != 0) Win.display(MessageControl);
}

ui::Control PledgeForm::Field(const char* name, const char* picture) {
    const storage::TableDecl& t = dict::zalTable();
    const int n = t.fieldNumber(name);
    const std::string pic =
        picture ? std::string(picture) : (n > 0 ? t.field(n).picture : std::string());
    return ui::Control::entry(UseField(t, name), pic);
}

ui::Control PledgeForm::Prompt(const char* utf8) {
    return ui::Control::prompt(W(utf8));
}

ui::Control messageLine(PledgeForm& form) {
    ui::Control c = ui::Control::prompt("");
    c.use = ui::Binding::of(form.MESSAGE).named("MESSAGE");
    c.picture = "s40";
    return c;
}

ui::Control operatorField(PledgeForm& form) {
    ui::Control c = ui::Control::entry(ui::Binding::of(form.OPER).named("OPER"), "s25");
    c.readOnly = true;
    return c;
}

ui::Control todayField(PledgeForm& form) {
    ui::Control c = ui::Control::entry(ui::Binding::of(form.DATA_T).named("DATA_T"), "D6");
    c.readOnly = true;
    return c;
}

}  // namespace kw::pledges
