// SIS: the main menu window, which starts every business procedure of the pawnshop.
#include "shell/sis.h"

#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "framework/window/procedure_window.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/fixed_string.h"
#include "runtime/message_box.h"
#include "shell/day_state.h"
#include "shell/globals.h"
#include "shell/main.h"
#include "shell/procedures.h"

namespace kw::shell {

namespace {

SisEntry menu(int n, const char* utf8) {
    return SisEntry{n, true, W(utf8), "", 0};
}
SisEntry item(int n, const char* utf8, const char* procedure, std::size_t stack = 0) {
    return SisEntry{n, false, W(utf8), procedure, stack};
}

}  // namespace

const std::vector<SisEntry>& sisMenu() {
    static const std::vector<SisEntry> entries = {
        menu(1, "&Работа с клиентами"),
        item(2, "Открытие рабочего дня ломбарда", "O_DAY"),
        item(3, "Выдача ссуды клиенту", "ZAL_TAB"),
        item(4, "1 перезалог", "ZAL_TAB1"),
        item(5, "2 перезалог", "ZAL_TAB2"),
        item(6, "3 перезалог", "ZAL_TAB3"),
        item(7, "Выкуп", "ZAL_TABV"),
        item(8, "Передача на реализацию", "ZAL_TABR", 50000),
        item(9, "Откат операции", "OTK_TAB"),
        item(10, "Поиск в архиве", "P_FORM"),
        menu(11, "Отчеты"),
        item(12, "Справки по залогам", "SPR"),
        item(13, "Финансовая справка", "SPR1"),
        item(14, "Печать сводного ордера", "OR_M"),
        item(15, "Справка по операциям", "O_ME"),
        item(16, "Просроченные ссуды:", "PR_M"),
        item(17, "Отчет по прибыли", "PRIB_M"),
        item(18, "Перечень вещей,поставленных на реализацию", "REAL_M"),
        item(41, "Реестр ПСК", "PSK_M"),         // the program's own, beyond the 33
        item(44, "Журнал операций", "AUD_TAB"),  // the program's own
        item(19, "Внешние операции по кассе", "KAS_ME"),
        item(20, "Закрытие рабочего дня ломбарда", "ZAC_D"),
        item(21, "Аврийно открыть день ломбарда", "AVA_D"),
        item(22, "Просмотр закрытых дней", "DAY_TAB"),
        menu(23, "Оформление реализации"),
        item(24, "Нотариальное оформление", "NOT_M"),
        item(25, "Перечень предметов торгов", "LOT_M"),
        menu(26, "Справочники"),
        item(27, "Основные константы", "KBP_FORM"),
        item(28, "Справочник металлов", "MET_TAB"),
        item(29, "Справочник цен на металлы", "MET_ZEN_TAB"),
        item(30, "Справочник камней", "KAM_TAB"),
        item(31, "Справочник типовых изделий", "IZD_TAB"),
        item(40, "Полная стоимость займа (ПСК)", "PSK_TAB"),
        item(42, "Резервная копия", "REZ_KOP"),  // the program's own
        item(43, "Пользователи", "SEC_TAB"),     // the program's own
        menu(32, "Выход"),
        item(33, "Закончить работу???", ""),
    };
    return entries;
}

const std::vector<int>& restrictedEntries() {
    static const std::vector<int> numbers = {8, 13, 17, 18, 22, 23};
    return numbers;
}

std::string dateLabel() {
    return W("Текущая дата:");
}
std::string dayLabel() {
    return W("Рабочий день ломбарда:");
}
std::string dayNotOpen() {
    return W("Не открыт");
}
std::string dayOpen() {
    return W("Открыт");
}
std::string dayClosed() {
    return W("Закрыт");
}
std::string notAvailableText() {
    return W("Эта функция пока недоступна.");
}

}  // namespace kw::shell

namespace {

using kw::shell::SisEntry;

// The status bar, after the 33 numbered entries.
enum : int {
    kFinish = 33,
    kDateLabel = 34,
    kDate,
    kDayLabel,
    kDay,
};

kw::ui::WindowDef menuDef(int32_t& date, kw::FixedString<20>& day) {
    using kw::ui::Binding;
    using kw::ui::Control;
    kw::ui::WindowDef s;
    s.title = kw::shell::frameTitle();
    s.picture = "Lom.bmp";
    s.width = 100;
    s.height = 20;
    int open = 0;
    for (const SisEntry& e : kw::shell::sisMenu()) {
        if (e.menu) {
            if (open) s.end();
            s.begin(Control::menu(e.text).number(e.number));
            open = e.number;
        } else {
            s.add(Control::item(e.text).number(e.number));
        }
    }
    if (open) s.end();
    s.add(Control::status(kw::shell::dateLabel()).number(kDateLabel));
    s.add(Control::statusOf(Binding::at(&date, kw::ui::ValueType::Long, 4).named("DATE"), "d6", 10)
              .number(kDate));
    s.add(Control::status(kw::shell::dayLabel()).number(kDayLabel));
    s.add(Control::statusOf(Binding::of(day).named("DAY_STATUS"), "s12", 12).number(kDay));
    return s;
}

const SisEntry* entryOf(int number) {
    for (const SisEntry& e : kw::shell::sisMenu())
        if (e.number == number) return &e;
    return nullptr;
}

}  // namespace

void SIS() {
    class ThisWindowClass : public kw::ProcedureWindow {
      public:
        ThisWindowClass() : ProcedureWindow("sis", {&Relate::DAY}) {}

        kw::ui::WindowDef Define() override { return menuDef(DATE, DAY_STATUS); }
        void Closing() override { MESSAGE_G.clear(); }

        // Today's date and day status, and the rights of the user.
        void Reset(uint8_t Force = 0) override {
            if (Win.acceptAllActive()) return;
            DATE = kw::clock::today();
            switch (kw::shell::dayState(DATE)) {
                case kw::shell::DayState::NotOpen:
                    DAY_STATUS.assign(kw::shell::dayNotOpen());
                    break;
                case kw::shell::DayState::Open:
                    DAY_STATUS.assign(kw::shell::dayOpen());
                    break;
                case kw::shell::DayState::Closed:
                    DAY_STATUS.assign(kw::shell::dayClosed());
                    break;
            }
            if (KOD <= kw::shell::kRestrictedUpTo)
                for (int n : kw::shell::restrictedEntries()) Win.disable(n);
            WindowManager::Reset(Force);
        }

        kw::Level TakeAccepted() override {
            const kw::Level l = WindowManager::TakeAccepted();
            if (l != kw::Level::Benign) return l;
            const int field = Win.field();
            if (field == kFinish) {
                Win.post(kw::ui::ev::CloseWindow);
                return kw::Level::Benign;
            }
            const SisEntry* e = entryOf(field);
            if (!e || e->menu || e->procedure.empty()) return kw::Level::Benign;
            (void)Win.update();
            Update();
            run(*e);
            Reset();
            return kw::Level::Benign;
        }

        int32_t DATE = 0;                // today, shown "d6"
        kw::FixedString<20> DAY_STATUS;  // the day's status, shown "s12"

      private:
        void run(const SisEntry& e) {
            const std::string caption = kw::ui::labelText(e.text);
            kw::shell::Procedure p = kw::shell::procedure(e.procedure);
            if (!p) {
                kw::msgbox::show(kw::shell::notAvailableText(), caption,
                                 kw::msgbox::Icon::Information, kw::msgbox::Ok);
                return;
            }
            if (e.stack > 0)
                kw::shell::startProcedure(std::move(p), e.stack, caption);
            else
                p();
        }
    };

    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
