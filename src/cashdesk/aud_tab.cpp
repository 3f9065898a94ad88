// AUD_TAB: "Журнал операций", the audit journal read back, for the users with full
// rights only. It lists the entries of a period (today when it opens) in number order,
// narrowed to one ticket, one user code or one kind of entry when those are given; the
// changes of the highlighted entry stand in full above the list, one change a line.
// "Печать" prints the same selection (PR_AUD). Nothing in the window adds, changes or
// deletes an entry: the journal is written only by the changes it records.
#include <algorithm>
#include <cctype>
#include <string>

#include "cashdesk/cashdesk.h"
#include "dictionary/tables.h"
#include "documents/audit_report.h"
#include "documents/report_layout.h"
#include "framework/data/audit.h"
#include "framework/data/dct_init.h"
#include "framework/window/browse_procedure.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/message_box.h"
#include "shell/globals.h"
#include "shell/sis.h"

namespace {

using kw::W;

enum : int {
    kFilters = 1,
    kFromLabel,
    kFrom,
    kToLabel,
    kTo,
    kTicketLabel,
    kTicket,
    kUserLabel,
    kUser,
    kShow,
    kKindBox,
    kKinds,
    kDetailBox,
    kDetail,
    kList,
    kPrint,
    kClose,
};

// The width the changes of one entry are broken to in their list: about its column's.
constexpr double kDetailWidthMm = 110;

std::string caption() {
    return W("Журнал операций");
}

// A whole number 0..limit typed into a text entry; -1 when blank, -2 when not one.
long typedNumber(std::string_view text, long limit) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (text.empty()) return -1;
    if (text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -2;
    const long v = std::stol(std::string(text));
    return v <= limit ? v : -2;
}

class ThisWindowClass : public kw::BrowseProcedure {
  public:
    ThisWindowClass() : BrowseProcedure("AUD_TAB", {&Relate::AUD, &Relate::KBP}) {
        FROM_D = TO_D = kw::clock::today();
        kinds_.rows.push_back({kw::ui::Value(W("Все виды"))});
        for (int16_t k = 1; k <= kw::audit::kLastKind; ++k)
            kinds_.rows.push_back({kw::ui::Value(W(kw::audit::kindText(k)))});
    }

    kw::ui::WindowDef Define() override {
        using kw::ui::Binding;
        using kw::ui::Control;
        kw::ui::WindowDef s;
        s.title = caption();
        s.begin(Control::group("").number(kFilters));
        s.add(Control::prompt(W("Период от:")).number(kFromLabel));
        s.add(Control::entry(Binding::of(FROM_D).named("FROM_D"), "D6").number(kFrom));
        s.add(Control::prompt(W("до:")).number(kToLabel));
        s.add(Control::entry(Binding::of(TO_D).named("TO_D"), "D6").number(kTo));
        s.add(Control::prompt(W("Билет №:")).number(kTicketLabel));
        s.add(Control::entry(Binding::of(TICKET).named("TICKET"), "s10").number(kTicket));
        s.add(Control::prompt(W("Код пользователя:")).number(kUserLabel));
        s.add(Control::entry(Binding::of(USER).named("USER"), "s3").number(kUser));
        s.add(Control::button(W("&Показать")).number(kShow));
        s.end();
        s.begin(Control::group(W("Вид операции")).number(kKindBox).beside());
        s.add(Control::list({{W("Вид операции"), 24, "s30"}}, &kinds_, 5).number(kKinds));
        s.end();
        // Beside the filters, in boxes that keep their rows: the journal's list below
        // takes the height the window gains.
        s.begin(Control::group(W("Изменения выбранной записи")).number(kDetailBox).beside());
        s.add(Control::list({{W("Поле: было -> стало"), 76, "s250"}}, &detail_, 5).number(kDetail));
        s.end();
        s.add(Control::list({{W("Дата"), 10, "D6"},
                             {W("Время"), 8, "T8"},
                             {W("Пользователь"), 22, "s36"},
                             {W("Касса"), 12, "s20"},
                             {W("Табл."), 5, "s3"},
                             {W("Запись"), 10, "s20"},
                             {W("Операция"), 22, "s30"},
                             {W("Изменения"), 58, "s120"}},
                            nullptr, 15)
                  .number(kList));
        s.add(Control::button(W("П&ечать")).number(kPrint));
        s.add(Control::button(W("Закрыть")).number(kClose));
        return s;
    }

    kw::Level Opened() override {
        const kw::storage::TableDecl& t = kw::dict::audTable();
        InitBrowse(kList, *Relate::AUD, t.keys[1]);
        BRW1.AddFields(t, {"DATA", "TIME"});
        BRW1.AddField(kw::ui::Binding::of(R_USER).named("R_USER"));
        BRW1.AddFields(t, {"HOST", "TAB", "KEY"});
        BRW1.AddField(kw::ui::Binding::of(R_KIND).named("R_KIND"));
        BRW1.AddField(kw::FieldRef{&t, t.fieldNumber("TEXT")});
        BRW1.SetFilter(kw::documents::auditFilter(selection_));
        Win.setChoice(kKinds, 1);
        AddItem(kClose, kw::resp::Cancelled);
        AddItem(BRW1);
        return kw::Level::Benign;
    }

    kw::Level TakeAccepted() override {
        const kw::Level l = BrowseProcedure::TakeAccepted();
        if (l != kw::Level::Benign) return l;
        switch (Win.field()) {
            case kFrom:
            case kTo:
            case kTicket:
            case kUser:
            case kShow:
                (void)show();
                break;
            case kPrint:
                if (show()) print();
                break;
            default:
                break;
        }
        return kw::Level::Benign;
    }

    // The kind list applies its choice at once; every event may have moved the
    // highlight, whose changes are shown beside the filters.
    kw::Level TakeEvent() override {
        const kw::Level l = BrowseProcedure::TakeEvent();
        if (Win.event() == kw::ui::ev::NewSelection && Win.field() == kKinds) (void)show();
        showChanges();
        return l;
    }

    kw::FixedString<36> R_USER;
    kw::FixedString<30> R_KIND;
    int32_t FROM_D = 0;
    int32_t TO_D = 0;
    kw::FixedString<10> TICKET;
    kw::FixedString<3> USER;

  protected:
    void BeforeRow() override {
        R_USER.assign(std::to_string(AUD.KOD) + " " + std::string(AUD.FIO.view()));
        const std::string_view kind = kw::audit::kindText(AUD.KIND);
        R_KIND.assign(kind.empty() ? std::to_string(AUD.KIND) : W(kind));
    }

  private:
    // Takes the typed filters into the selection and lists it again; false (with a
    // box saying what is wrong) when a filter is not a number.
    bool show() {
        (void)Win.update();
        const long ticket = typedNumber(TICKET.view(), 999999999);
        const long user = typedNumber(USER.view(), 255);
        if (ticket == -2 || ticket == 0)
            return refuse(W("Номер билета - целое число больше нуля (или пусто: все)."));
        if (user == -2)
            return refuse(W("Код пользователя - целое число от 0 до 255 (или пусто: все)."));
        selection_.from = FROM_D;
        selection_.to = TO_D;
        selection_.ticket = ticket < 0 ? 0 : static_cast<int32_t>(ticket);
        selection_.user = static_cast<int>(user);
        const int kind = Win.choice(kKinds);
        selection_.kind = static_cast<int16_t>(kind > 1 ? kind - 1 : 0);
        BRW1.SetFilter(kw::documents::auditFilter(selection_));
        BRW1.ResetSort(1);
        showChanges();
        return true;
    }

    bool refuse(const std::string& text) {
        kw::msgbox::show(text, caption(), kw::msgbox::Icon::Exclamation, kw::msgbox::Ok);
        return false;
    }

    void print() {
        Update();
        PR_AUD(selection_);
        BRW1.ResetSort(1);
    }

    // The highlighted entry's changes, one a line, in their own list.
    void showChanges() {
        const int32_t n = BRW1.Records() > 0 ? AUD.N : 0;
        if (n == shown_ && !(n == 0 && !detail_.rows.empty())) return;
        shown_ = n;
        detail_.rows.clear();
        if (n > 0)
            for (const std::string& line : kw::documents::wrapText(kw::documents::layout::sans(8),
                                                                   AUD.TEXT.view(), kDetailWidthMm))
                detail_.rows.push_back({kw::ui::Value(line)});
        Win.display(kDetail);
    }

    kw::documents::AuditSelection selection_{kw::clock::today(), kw::clock::today()};
    kw::ui::VectorQueue kinds_;
    kw::ui::VectorQueue detail_;
    int32_t shown_ = -1;
};

}  // namespace

void AUD_TAB() {
    if (KOD <= kw::shell::kRestrictedUpTo) {
        kw::msgbox::show(
            W("Журнал операций доступен только пользователю с полными правами (код больше 5)."),
            caption(), kw::msgbox::Icon::Exclamation, kw::msgbox::Ok);
        GlobalResponse = kw::resp::Cancelled;
        return;
    }
    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
