#include "pledges/event_form.h"

#include <algorithm>

#include "dictionary/tables.h"
#include "framework/data/dct_init.h"
#include "framework/window/procedure_window.h"
#include "pledges/pledge_common.h"
#include "pledges/pledge_procedures.h"
#include "rules/pledge_events.h"
#include "rules/pledge_state.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/message_box.h"

namespace kw::pledges {

using ui::Control;

EventForm::EventForm(std::string procedureName, std::string title, std::vector<uint8_t> sources,
                     uint8_t target)
    : PledgeForm(std::move(procedureName)),
      title_(std::move(title)),
      sources_(std::move(sources)),
      target_(target) {
    OKControl = kOk;
    MessageControl = kMessage;
}

bool EventForm::fits() const {
    return Request == req::Insert ||
           std::find(sources_.begin(), sources_.end(), ZAL.SOST) != sources_.end();
}

Level EventForm::Prepare() {
    AddItem(kClose, resp::Cancelled);
    if (Request == req::Change && !fits()) {
        msgbox::show(W("Залог ") + std::to_string(ZAL.N_KV) + W(" уже в другом состоянии (") +
                         stateText(ZAL.SOST) + W("): операция не выполняется."),
                     title_, msgbox::Icon::Exclamation, msgbox::Ok);
        return Level::Notify;
    }
    return PledgeForm::Prepare();
}

void EventForm::Compute() {
    uint32_t records = 0;
    (void)Access::ZAL->File->records(records);
    fillLoanData(ZAL, KBP, clock::today(), records);
    MET_N = metalName(ZAL.MET);
    KAM_N = stoneName(ZAL.KAM);
    Event();
}

Level EventForm::TakeCompleted() {
    if (!fits()) {
        msgbox::show(W("Залог ") + std::to_string(ZAL.N_KV) + W(" изменен другой кассой (") +
                         stateText(ZAL.SOST) + W("): операция не выполняется."),
                     title_, msgbox::Icon::Exclamation, msgbox::Ok);
        SetResponse(resp::Cancelled);
        return Level::Notify;
    }
    return PledgeForm::TakeCompleted();
}

void EventForm::Complete() {
    ZAL.SOST = target_;
}

Level EventForm::TakeAccepted() {
    const Level l = PledgeForm::TakeAccepted();
    if (l != Level::Benign) return l;
    switch (Win.field()) {
        case kCalculate:
            (void)Win.update();
            ClearEvent();
            D_PRO1 = 0;
            MESSAGE.clear();
            OpenFromForm([] { RAS(); });
            break;
        case kPrint:
            PrintTicket();
            break;
        default:
            break;
    }
    return Level::Benign;
}

std::string EventForm::ReceivedPrompt() const {
    return W("получено:");
}
std::string EventForm::OverduePrompt() const {
    return W("Просрочено:");
}

int32_t EventForm::AddField(ui::WindowDef& s, const char* promptUtf8, const char* field,
                            bool beside) {
    Control p = Prompt(promptUtf8).number(prompt_++);
    if (beside) p.beside();
    s.add(p);
    return s.add(Field(field).number(field_++));
}

void EventForm::addPledge(ui::WindowDef& s) {
    auto shown = [&](ui::Binding b, const char* picture) {
        Control c = Control::entry(std::move(b), picture);
        c.readOnly = true;
        return c.number(field_++);
    };
    const std::size_t first = s.controls.size();
    // The pledge as it stands, in the left column; the event beside it (Define()).
    s.begin(Control::group("").number(kPledgeColumn));
    s.begin(Control::group(W("Клиент")).number(prompt_++));
    AddField(s, "ФИО:", "FIO");
    AddField(s, "Паспорт:", "PAS");
    AddField(s, "Адрес:", "ADR");
    AddField(s, "Номер квитанции:", "N_KV");
    AddField(s, "Дата приема вещи:", "DATA", true);
    s.end();
    s.begin(Control::group(W("Изделие")).number(prompt_++));
    s.add(Prompt("Вид металла:").number(prompt_++));
    s.add(shown(ui::Binding::of(MET_N).named("MET_N"), "s10"));
    AddField(s, "Проба:", "PROB", true);
    AddField(s, "Цена за грамм:", "Z1G", true);
    AddField(s, "Описание изделия:", "OP_IZ");
    AddField(s, "Вес общий:", "VEC");
    s.add(Prompt("Камень:").number(prompt_++).beside());
    s.add(shown(ui::Binding::of(KAM_N).named("KAM_N"), "s15"));
    AddField(s, "Цена за карат:", "Z1K", true);
    AddField(s, "Вес камня:", "VEC_K");
    AddField(s, "Вес чистый:", "VEC_CH", true);
    AddField(s, "Оценка камня:", "OZ_K", true);
    AddField(s, "Примечание:", "PRIM");
    s.end();
    s.begin(Control::group(W("Ссуда")).number(prompt_++));
    AddField(s, "Количество дней:", "KOL_D");
    AddField(s, "Сумма оченки:", "S_OZEN", true);
    AddField(s, "Сумма ссуды:", "S_CCYD");
    AddField(s, "Дата истечения срока:", "DATA_K", true);
    AddField(s, "Процент по ссуде за день:", "P_CC_D");
    AddField(s, "Процент за хранение за день:", "P_XR_D", true);
    AddField(s, "Сумма по проценту за ссуду:", "S_P_S");
    AddField(s, "Сумма по проценту за хранение:", "S_P_X", true);
    AddField(s, "Было выдано:", "S_VID");
    s.end();
    s.end();
    // The pledge as it stands is shown, not typed: read-only and out of the Tab order
    // (a pledge entered afresh through the form, an insert, is typed in full).
    if (Request != req::Insert)
        for (std::size_t i = first; i < s.controls.size(); ++i) s.controls[i].readOnly = true;
}

void EventForm::addProlongations(ui::WindowDef& s) {
    static const char* const starts[] = {"DATA_P11", "DATA_P21", "DATA_P31"};
    static const char* const ends[] = {"DATA_P12", "DATA_P22", "DATA_P32"};
    static const char* const days[] = {"KOL_D1", "KOL_D2", "KOL_D3"};
    static const char* const received[] = {"S_POL1", "S_POL2", "S_POL3"};
    if (ShownProlongations() == 0) return;
    const std::size_t earlier = s.controls.size();
    s.begin(Control::group(W("Перезалоги")).number(prompt_++));
    const storage::TableDecl& t = dict::zalTable();
    for (int k = 0; k < ShownProlongations(); ++k) {
        // "Дата начала 1-го перезалога:" and the other prompts of the dictionary.
        s.add(Control::prompt(W(t.field(t.fieldNumber(starts[k])).prompt + ":")).number(prompt_++));
        s.add(Field(starts[k]).number(field_++));
        AddField(s, "Дата окончания:", ends[k], true);
        AddField(s, "Кол-во дней:", days[k]);  // a line of its own: the column stays narrow
        s.add(Control::prompt(ReceivedPrompt()).number(prompt_++).beside());
        s.add(Field(received[k]).number(field_++));
    }
    s.end();
    if (Request != req::Insert)
        for (std::size_t i = earlier; i < s.controls.size(); ++i) s.controls[i].readOnly = true;
}

ui::WindowDef EventForm::Define() {
    ui::WindowDef s;
    s.title = title_;
    addPledge(s);
    s.begin(Control::group("").number(kEventColumn).beside());
    addProlongations(s);
    const std::size_t event = s.controls.size();
    AddEventFields(s);
    // The form opens on the first field the operator types.
    for (std::size_t i = event; i < s.controls.size() && FirstField == 0; ++i)
        if (s.controls[i].kind == ui::ControlKind::Entry && !s.controls[i].readOnly)
            FirstField = s.controls[i].feq;
    s.add(Control::prompt(OverduePrompt()).number(prompt_++));
    Control overdue = Control::entry(ui::Binding::of(D_PRO1).named("D_PRO1"), "n_5");
    overdue.readOnly = true;
    s.add(overdue.number(kOverdue));
    s.add(Prompt("дн.").number(prompt_++).beside());
    s.add(Prompt("Оператор:").number(prompt_++));
    s.add(operatorField(*this).number(kOperator));
    s.add(Prompt("Текущая дата:").number(prompt_++).beside());
    s.add(todayField(*this).number(kToday));
    s.end();
    s.add(messageLine(*this).number(kMessage));
    for (const std::string& line : HintLines()) s.add(Control::prompt(line).number(prompt_++));
    s.add(Control::button(W("Рассчитать ???")).number(kCalculate));
    s.add(Control::button(W("Распечатать")).number(kPrint));
    kw::AddOkClose(s, kOk, kClose);
    return s;
}

}  // namespace kw::pledges
