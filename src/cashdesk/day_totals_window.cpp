#include "cashdesk/day_totals_window.h"

#include <cstring>
#include <functional>
#include <optional>

#include "cashdesk/cashdesk.h"
#include "cashdesk/day_texts.h"
#include "cashdesk/settings_record.h"
#include "dictionary/tables.h"
#include "framework/data/dct_init.h"
#include "framework/data/relation_manager.h"
#include "framework/data/transaction_frame.h"
#include "framework/window/procedure_window.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/money.h"
#include "shell/day_lock.h"
#include "shell/day_state.h"

namespace kw::cashdesk {

DayTotalsWindow::DayTotalsWindow(std::string procedureName, std::string title, std::string button,
                                 std::string messagePicture)
    : ProcedureWindow(std::move(procedureName),
                      {&Relate::ZAL, &Relate::KLM, &Relate::DAY, &Relate::KBP}),
      title_(std::move(title)),
      button_(std::move(button)),
      messagePicture_(std::move(messagePicture)) {}

ui::WindowDef DayTotalsWindow::Define() {
    using ui::Binding;
    using ui::Control;
    ui::WindowDef s;
    s.title = title_;
    s.resizable = false;
    auto value = [&](int label, const char* text, Binding use, const char* picture) {
        s.add(Control::prompt(W(text)).number(label));
        Control e = Control::entry(std::move(use), picture);
        e.readOnly = true;
        s.add(e.number(label + 1));
    };
    value(kDateLabel, "На данный момент в кассе:", Binding::of(DATA_T).named("DATA_T"), "D6");
    value(kOpeningLabel, "Входящий остаток:", Binding::of(KAS_NN).named("KAS_NN"), "n_15.2");
    value(kReceiptsLabel, "Приход:", Binding::of(T_PRI).named("T_PRI"), "n_15.2");
    value(kExpensesLabel, "Расход:", Binding::of(T_RAS).named("T_RAS"), "n_15.2");
    value(kBalanceLabel, "Текущий остаток:", Binding::of(TEK_O).named("TEK_O"), "n-_12.2");
    value(kCirculationLabel, "Находится в обороте:", Binding::of(OBO).named("OBO"), "n_15.2");
    value(kProfitLabel, "Получена прибыль:", Binding::of(PRIBI).named("PRIBI"), "n-_10.2");
    s.add(Control::button(button_).number(kAction));
    s.add(
        Control::promptOf(Binding::of(MESSAGE).named("MESSAGE"), messagePicture_).number(kMessage));
    kw::AddOkClose(s, kOk, kExit, "Выход");
    return s;
}

Level DayTotalsWindow::TakeAccepted() {
    const Level l = WindowManager::TakeAccepted();
    if (l != Level::Benign) return l;
    switch (Win.field()) {
        case kAction: {
            Request();
            (void)Win.update();
            Update();
            // Either OK goes on; a box closed without one cancels the request.
            if (ZAC_M() != resp::Completed) Cancelled();
            Reset();
            break;
        }
        case kOk:
        case kExit:
            Win.post(ui::ev::CloseWindow);
            break;
        default:
            break;
    }
    return Level::Benign;
}

void DayTotalsWindow::Reset(uint8_t Force) {
    if (Win.acceptAllActive()) return;
    // The action is carried out on the totals of this pass: no other desk may change
    // the day's money from the pass's start until DAY and KBP are written.
    std::optional<shell::DayLock> day;
    if (Requested()) {
        day.emplace(shell::DayLock::Kind::Close);
        if (!day->held()) {
            MESSAGE.assign(shell::dayBusyText());
            Cancelled();
            day.reset();
        }
    }
    DayTotals t;
    DATA_T = clock::today();
    // A failed pass leaves the totals incomplete: nothing is closed or reopened on
    // them, and the request is dropped.
    passFailed_ = !addPledges(t, DATA_T) || !addJournal(t, DATA_T);
    OBO = t.OBO;
    PRIBI = t.PRIBI;
    T_RAS = t.T_RAS;
    T_PRI = t.T_PRI;
    (void)readSettings();
    if (shell::dayState(DATA_T) == shell::DayState::NotOpen) {
        MESSAGE.assign(dayNotOpenText());
    } else {
        // In whole kopecks: an opening balance carried over with a residue (written
        // before amounts were kept in kopecks) is carried on rounded.
        KAS_NN = money::round(DAY.KAS_N);
        TEK_O = closingBalance(KAS_NN, t);
        if (passFailed_)
            Cancelled();
        else
            Act();
    }
    day.reset();
    Acted();
    WindowManager::Reset(Force);
}

bool DayTotalsWindow::writeSettingsThenDay(const void* savedKbp) {
    if (writeSettingsAndDay()) return true;
    std::memcpy(&KBP, savedKbp, sizeof KBP);
    return false;
}

namespace {
std::function<void()> g_betweenWrites;
}  // namespace

void setBetweenWritesObserver(std::function<void()> observer) {
    g_betweenWrites = std::move(observer);
}

bool writeSettingsAndDay() {
    if (!Access::KBP || !Access::DAY) return false;
    // Both tables' rows change together or not at all: a crash or a failure between
    // the two writes leaves both as they were (the frame is rolled back, or recovery
    // finds it uncommitted).
    transaction::Discard();
    if (!transaction::Enrol(*Access::KBP->File).ok() ||
        !transaction::Enrol(*Access::DAY->File).ok() ||
        !transaction::Begin(kTransactionWait).ok()) {
        transaction::Discard();
        (void)Access::KBP->Throw(21);
        return false;
    }
    bool written = Access::KBP->Update() == Level::Benign;
    if (written && g_betweenWrites) g_betweenWrites();
    written = written && Access::DAY->Update() == Level::Benign;
    if (written && transaction::Commit().ok()) return true;
    if (transaction::Active() && !transaction::Rollback().ok()) {
        // The frame could not be undone here: the next start's recovery finds it
        // uncommitted and undoes it.
        (void)Access::KBP->Throw(21);
    }
    return false;
}

}  // namespace kw::cashdesk
