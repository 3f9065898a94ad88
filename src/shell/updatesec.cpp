// UPDATESEC: adds, changes or deletes one user.
#include "dictionary/sec.h"
#include "framework/data/dct_init.h"
#include "framework/data/relation_manager.h"
#include "framework/data/transaction_frame.h"
#include "framework/window/update_form.h"
#include "runtime/codepage.h"
#include "runtime/fixed_string.h"
#include "shell/globals.h"
#include "shell/user_rules.h"
#include "shell/users.h"

namespace {

using kw::W;
using kw::ui::Control;

enum : int32_t {
    kCodePrompt = 1,
    kCode,
    kNamePrompt,
    kName,
    kPostPrompt,
    kPost,
    kPasswordPrompt,
    kPassword,
    kAgainPrompt,
    kAgain,
    kMessage,
    kOk,
    kClose,
};

class UpdateSec : public kw::UpdateForm {
  public:
    UpdateSec() : UpdateForm("UPDATESEC", {&Relate::SEC}, &Relate::SEC, kOk, kClose) {}

  protected:
    kw::ui::WindowDef Define() override {
        const kw::storage::TableDecl& t = kw::dict::secTable();
        kw::ui::WindowDef s;
        s.title = W("Пользователь");
        kw::AddFormRows(s, t, kCodePrompt,
                        {{"Код пользователя:", "K_POL", "n2"},
                         {"Ф.И.О.:", "FIO", "s25"},
                         {"Должность:", "DOL", "s25"}});
        s.add(Control::prompt(W("Пароль:")).number(kPasswordPrompt));
        s.add(Control::entry(kw::ui::Binding::of(PAROL1).named("PAROL1"), "s10")
                  .masked()
                  .number(kPassword));
        s.add(Control::prompt(W("Пароль еще раз:")).number(kAgainPrompt));
        s.add(Control::entry(kw::ui::Binding::of(PAROL2).named("PAROL2"), "s10")
                  .masked()
                  .number(kAgain));
        s.add(Control::promptOf(kw::ui::Binding::of(MESSAGE).named("MESSAGE"), "s70")
                  .number(kMessage));
        kw::AddOkClose(s, kOk, kClose);
        return s;
    }

    kw::Level Prepare() override {
        const kw::Level l = UpdateForm::Prepare();
        // The user as the form found it: the one the rules leave out of "another user".
        self_ = Request == kw::req::Insert ? kw::shell::kNoUser : SEC.K_POL;
        if (Request == kw::req::Change) MESSAGE.assign(W("Пустой пароль: остается прежний"));
        FirstField = kCode;
        return l;
    }

    kw::Level Opened() override {
        if (Request == kw::req::Delete || Request == kw::req::View) {
            Win.disable(kPassword);
            Win.disable(kAgain);
        }
        return UpdateForm::Opened();
    }

    // The rules are checked and the record written in one frame over SEC: no other
    // desk writes a user in between.
    kw::Level TakeCompleted() override {
        if (Request != kw::req::Insert && Request != kw::req::Change && Request != kw::req::Delete)
            return UpdateForm::TakeCompleted();
        kw::transaction::Discard();
        if (!kw::transaction::Enrol(*Access::SEC->File).ok() ||
            !kw::transaction::Begin(kw::kTransactionWait).ok()) {
            kw::transaction::Discard();
            (void)Access::SEC->Throw(21);
            return kw::Level::Notify;
        }
        if (!rulesHold()) {
            (void)endFrame(false);
            return kw::Level::Notify;
        }
        if (!PAROL1.blank()) SEC.PAROL = PAROL1;
        const kw::Level l = UpdateForm::TakeCompleted();
        if (Response != kw::resp::Completed) {
            (void)endFrame(false);
            return l;
        }
        if (!endFrame(true)) {
            Response = kw::resp::Cancelled;
            return kw::Level::Notify;
        }
        return l;
    }

    kw::RequestCaptions Captions() const override {
        kw::RequestCaptions c;
        c.Insert = W("Новый пользователь");
        c.Change = W("Изменение пользователя");
        c.Delete = W("Удаление пользователя");
        c.View = W("Пользователь");
        return c;
    }

  private:
    // Whether the record in hand may be written; when not, the message line says why
    // and the cursor goes where the fault is.
    bool rulesHold() {
        using namespace kw::shell;
        const bool deleting = Request == kw::req::Delete;
        const int code = deleting ? kNoUser : SEC.K_POL;
        if (!deleting) {
            if (!say(codeProblem(code, self_), kCode)) return false;
            if (SEC.FIO.blank()) return say(W("Введите фамилию, имя и отчество"), kName);
            const bool keep = Request == kw::req::Change && PAROL1.blank() && PAROL2.blank();
            if (!keep && !sayPassword(newPasswordProblem(PAROL1, PAROL2))) return false;
            if (!keep && !sayPassword(passwordTakenProblem(PAROL1, self_))) return false;
        }
        return say(fullRightsProblem(self_, code), deleting ? kOk : kCode);
    }

    // True when `problem` is none; otherwise says it and puts the cursor on `control`.
    bool say(const std::string& problem, int32_t control) {
        if (problem.empty()) return true;
        MESSAGE.assign(problem);
        Win.display();
        Win.select(control);
        return false;
    }

    // A password refused is typed again, both times.
    bool sayPassword(const std::string& problem) {
        if (problem.empty()) return true;
        PAROL1.clear();
        PAROL2.clear();
        return say(problem, kPassword);
    }

    // Commits (`keep`) or rolls the frame back; true when the user is stored.
    static bool endFrame(bool keep) {
        if (!kw::transaction::Active()) return keep;
        if (keep && kw::transaction::Commit().ok()) return true;
        if (kw::transaction::Active() && !kw::transaction::Rollback().ok())
            (void)Access::SEC->Throw(21);
        return false;
    }

    kw::FixedString<10> PAROL1;  // the password typed
    kw::FixedString<10> PAROL2;  // typed again
    kw::FixedString<70> MESSAGE;
    int self_ = kw::shell::kNoUser;
};

}  // namespace

void UPDATESEC() {
    UpdateSec ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
