// SM_PAROL: a user's change of their own password, from the login window.
#include "dictionary/sec.h"
#include "framework/data/dct_init.h"
#include "framework/data/relation_manager.h"
#include "framework/window/procedure_window.h"
#include "runtime/codepage.h"
#include "runtime/fixed_string.h"
#include "shell/globals.h"
#include "shell/user_rules.h"
#include "shell/users.h"

namespace {

using kw::W;
using kw::shell::PasswordChange;
using kw::ui::Control;

enum : int32_t {
    kMessage = 1,
    kCodePrompt,
    kCode,
    kOldPrompt,
    kOld,
    kNewPrompt,
    kNew,
    kAgainPrompt,
    kAgain,
    kOk,
    kClose,
};

class SmParol : public kw::ProcedureWindow {
  public:
    explicit SmParol(uint8_t code) : ProcedureWindow("SM_PAROL", {&Relate::SEC}), code_(code) {}

    PasswordChange outcome() const { return outcome_; }

  protected:
    kw::ui::WindowDef Define() override {
        kw::ui::WindowDef s;
        s.title = W("Смена пароля");
        s.resizable = false;
        s.add(Control::promptOf(kw::ui::Binding::of(MESSAGE).named("MESSAGE"), "s62")
                  .number(kMessage));
        s.add(Control::prompt(W("Код пользователя:")).number(kCodePrompt));
        s.add(Control::entry(kw::ui::Binding::of(code_).named("KOD"), "n2").number(kCode));
        s.add(Control::prompt(W("Старый пароль:")).number(kOldPrompt));
        s.add(
            Control::entry(kw::ui::Binding::of(PAROL).named("PAROL"), "s10").masked().number(kOld));
        s.add(Control::prompt(W("Новый пароль:")).number(kNewPrompt));
        s.add(Control::entry(kw::ui::Binding::of(PAROL1).named("PAROL1"), "s10")
                  .masked()
                  .number(kNew));
        s.add(Control::prompt(W("Новый пароль еще раз:")).number(kAgainPrompt));
        s.add(Control::entry(kw::ui::Binding::of(PAROL2).named("PAROL2"), "s10")
                  .masked()
                  .number(kAgain));
        kw::AddOkClose(s, kOk, kClose);
        return s;
    }

    kw::Level Opened() override {
        AddItem(kClose, kw::resp::Cancelled);
        FirstField = code_ == 0 ? kCode : kOld;
        Win.select(FirstField);
        return kw::Level::Benign;
    }

    kw::Level TakeAccepted() override {
        const kw::Level l = WindowManager::TakeAccepted();
        if (l != kw::Level::Benign || Win.field() != kOk) return l;
        (void)Win.update();
        change();
        return kw::Level::Benign;
    }

    // The thread's SEC record held the user's record: it is not left behind.
    void Closing() override { SEC = kw::dict::SecRecord{}; }

  private:
    void change() {
        using namespace kw::shell;
        // A wrong code or old password ends the window: the login counts it as a wrong try.
        if (!passwordMatches(code_, PAROL)) {
            outcome_ = PasswordChange::Refused;
            SetResponse(kw::resp::Cancelled);
            return;
        }
        std::string problem = newPasswordProblem(PAROL1, PAROL2);
        if (problem.empty()) problem = passwordTakenProblem(PAROL1, code_);
        if (problem.empty() && store()) {
            outcome_ = PasswordChange::Changed;
            SetResponse(kw::resp::Completed);
            return;
        }
        // A failed write has been said by the file manager.
        MESSAGE.assign(problem);
        PAROL1.clear();
        PAROL2.clear();
        Win.display();
        Win.select(kNew);
    }

    // The user's record with the new password, through the relation manager.
    bool store() {
        SEC = kw::dict::SecRecord{};
        SEC.K_POL = code_;
        if (Access::SEC->Fetch(kw::dict::secTable().keys[0]) != kw::Level::Benign) return false;
        SEC.PAROL = PAROL1;
        return Relate::SEC->Update(0) == kw::Level::Benign;
    }

    uint8_t code_ = 0;
    kw::FixedString<10> PAROL;   // the old password
    kw::FixedString<10> PAROL1;  // the new one
    kw::FixedString<10> PAROL2;  // the new one again
    kw::FixedString<62> MESSAGE;
    PasswordChange outcome_ = PasswordChange::Cancelled;
};

}  // namespace

kw::shell::PasswordChange SM_PAROL(uint8_t code) {
    SmParol ThisWindow(code);
    GlobalResponse = ThisWindow.Run();
    return ThisWindow.outcome();
}
