// REZ_KOP: "Резервная копия": the folder the backups go into and how many are kept (the
// settings PRM), and a backup taken at once. The program also takes one after each
// closing of the day (ZAC_D).
#include "cashdesk/cashdesk.h"
#include "cashdesk/day_backup.h"
#include "cashdesk/settings_record.h"
#include "dictionary/tables.h"
#include "framework/data/dct_init.h"
#include "framework/window/procedure_window.h"
#include "runtime/codepage.h"
#include "runtime/message_box.h"

namespace {

using kw::W;

enum : int { kFolderLabel = 1, kFolder, kKeepLabel, kKeep, kSave, kTake, kMessage, kClose };

class ThisWindowClass : public kw::ProcedureWindow {
  public:
    ThisWindowClass() : ProcedureWindow("REZ_KOP", {&Relate::PRM}) {}

    kw::ui::WindowDef Define() override {
        using kw::ui::Binding;
        using kw::ui::Control;
        kw::ui::WindowDef s;
        s.title = W("Резервная копия");
        s.resizable = false;
        s.add(Control::prompt(W("Папка для копий:")).number(kFolderLabel));
        s.add(Control::entry(kw::UseField(kw::dict::prmTable(), "BKDIR"), "s120").number(kFolder));
        s.add(Control::prompt(W("Хранить последних копий (0 - 30):")).number(kKeepLabel));
        s.add(Control::entry(kw::UseField(kw::dict::prmTable(), "BKKEEP"), "n3").number(kKeep));
        s.add(Control::button(W("&Сохранить")).number(kSave));
        s.add(Control::button(W("Сделать &копию")).number(kTake));
        s.add(Control::promptOf(Binding::of(MESSAGE).named("MESSAGE"), "s60").number(kMessage));
        s.add(Control::button(W("&Закрыть")).number(kClose).asDefault());
        return s;
    }

    kw::Level Opened() override {
        found_ = readFirst();
        return kw::Level::Benign;
    }

    kw::Level TakeAccepted() override {
        const kw::Level l = WindowManager::TakeAccepted();
        if (l != kw::Level::Benign) return l;
        switch (Win.field()) {
            case kSave:
                (void)Win.update();
                MESSAGE.assign(save() ? W("Настройки сохранены") : W("Настройки не сохранены"));
                break;
            case kTake: {
                (void)Win.update();
                if (!save()) {
                    MESSAGE.assign(W("Настройки не сохранены"));
                    break;
                }
                const kw::cashdesk::BackupOutcome b = kw::cashdesk::takeBackup(false);
                MESSAGE.assign(b.message.substr(0, MESSAGE.size()));
                if (!b.taken)
                    kw::msgbox::show(b.message, W("Резервная копия"), kw::msgbox::Icon::Exclamation,
                                     kw::msgbox::Ok);
                break;
            }
            case kClose:
                Win.post(kw::ui::ev::CloseWindow);
                break;
            default:
                break;
        }
        WindowManager::Reset(1);
        return kw::Level::Benign;
    }

    kw::FixedString<60> MESSAGE;

  private:
    // The first settings record into the buffer; false when there is none yet.
    bool readFirst() {
        const kw::dict::PrmRecord typed = PRM;
        if (kw::cashdesk::readFirstRecord(Access::PRM)) return true;
        PRM = typed;
        return false;
    }
    // Writes what is typed over the settings record, or adds it.
    bool save() {
        const kw::dict::PrmRecord typed = PRM;
        if (!found_) {
            found_ = Access::PRM->Insert() == kw::Level::Benign;
            return found_;
        }
        if (!readFirst()) return false;
        PRM = typed;
        return Access::PRM->Update() == kw::Level::Benign;
    }

    bool found_ = false;
};

}  // namespace

void REZ_KOP() {
    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
