#include "pledges/pledge_list.h"

#include "dictionary/tables.h"
#include "framework/data/dct_init.h"
#include "framework/window/window_manager.h"
#include "pledges/pledge_common.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/message_box.h"
#include "shell/day_state.h"
#include "shell/globals.h"

namespace kw::pledges {

namespace {

using ui::Control;

int fieldOf(const char* name) {
    return dict::zalTable().fieldNumber(name);
}

std::string pictureOf(const char* name) {
    return dict::zalTable().field(fieldOf(name)).picture;
}

// A read-only entry showing a field of the highlighted pledge.
Control shown(const char* name, const char* picture = nullptr) {
    Control c =
        Control::entry(UseField(dict::zalTable(), name), picture ? picture : pictureOf(name));
    c.readOnly = true;
    return c;
}

Control shownVar(ui::Binding b, const char* picture) {
    Control c = Control::entry(std::move(b), picture);
    c.readOnly = true;
    return c;
}

struct ListColumn {
    const char* title;
    const char* field;
    const char* picture;  // nullptr: the dictionary's
    int width;
};

const std::vector<ListColumn>& dayColumns() {
    static const std::vector<ListColumn> c = {{"N квитанции", "N_KV", "n_7", 11},
                                              {"Кол-во дней", "KOL_D", nullptr, 11},
                                              {"Сумма оценки", "S_OZEN", "n_15.2", 15},
                                              {"Сумма к выдаче", "S_VID", nullptr, 15}};
    return c;
}

const std::vector<ListColumn>& commonColumns() {
    static const std::vector<ListColumn> c = {
        {"N квитанции", "N_KV", "n_7", 11},     {"Дата выдачи", "DATA", "D6", 11},
        {"Дата выкупа", "DATA_K", "D6", 11},    {"Сумма оценки", "S_OZEN", "n_15.2", 15},
        {"Сумма ссуды", "S_CCYD", nullptr, 15}, {"Было выдано", "S_VID", nullptr, 15}};
    return c;
}

}  // namespace

// --- the browse --------------------------------------------------------------------------

uint8_t PledgeBrowse::ValidateRecord() {
    return list_.Check();
}

void PledgeBrowse::Fetch(uint8_t Direction) {
    // Every batch reads the names afresh: a name another desk changed shows with it.
    metals_.clear();
    stones_.clear();
    BrowseClass::Fetch(Direction);
}

void PledgeBrowse::SetQueueRecord() {
    auto metal = metals_.find(ZAL.MET);
    if (metal == metals_.end()) metal = metals_.emplace(ZAL.MET, metalName(ZAL.MET)).first;
    auto stone = stones_.find(ZAL.KAM);
    if (stone == stones_.end()) stone = stones_.emplace(ZAL.KAM, stoneName(ZAL.KAM)).first;
    list_.MET_N = metal->second;
    list_.KAM_N = stone->second;
    BrowseClass::SetQueueRecord();
}

void PledgeBrowse::ResetFromView() {
    list_.Totals();
    BrowseClass::ResetFromView();
}

void PledgeBrowse::ResetFromAsk(uint8_t Request, uint8_t Response) {
    if (Response == resp::Completed) list_.Totals();
    BrowseClass::ResetFromAsk(Request, Response);
}

// --- the list ----------------------------------------------------------------------------

PledgeList::PledgeList(PledgeListDef def)
    : ProcedureWindow(def.name, {&Relate::ZAL, &Relate::DAY, &Relate::MET, &Relate::KAM,
                                 &Relate::KBP, &Relate::SEC}),
      BRW1(*this),
      def_(std::move(def)) {}

Level PledgeList::Prepare() {
    if (def_.kind != ListKind::Inquiry && !shell::todayOpenForOperations(def_.title))
        return Level::Notify;
    return Level::Benign;
}

ui::WindowDef PledgeList::Define() {
    ui::WindowDef s;
    s.title = def_.title;
    std::vector<ui::Column> columns;
    for (const ListColumn& c : def_.kind == ListKind::Day ? dayColumns() : commonColumns())
        columns.push_back(
            ui::Column{W(c.title), c.width, c.picture ? c.picture : pictureOf(c.field), 0, true});
    s.add(Control::list(columns, nullptr, 12).number(kList));
    addPanel(s);
    if (def_.kind != ListKind::Day) {
        s.add(Control::prompt(W("Быстрый поиск по N квитанции:")).number(kLookPrompt));
        s.add(Control::entry(ui::Binding::of(LOOK).named("LOOK"), "s20").number(kLook));
    }
    s.add(Control::prompt(W("Текущая дата:")).number(kTodayPrompt));
    s.add(shownVar(ui::Binding::of(DATA_T).named("DATA_T"), "D6").number(kToday));
    AddTotals(s);
    AddUpdateButtons(s, kInsert, kChange, kDelete,
                     def_.kind == ListKind::Day ? "&Изменить" : "&Обработать");
    if (def_.kind == ListKind::Inquiry) s.add(Control::button(W("&Выбрать")).number(kSelect));
    s.add(Control::button(W("Закрыть")).number(kClose));
    return s;
}

void PledgeList::addPanel(ui::WindowDef& s) {
    int n = kFirstPanelControl;
    s.begin(Control::group(W("Информация по ссуде")).number(kPanel));
    s.add(shown("FIO").number(n++));
    s.add(shownVar(ui::Binding::of(MET_N).named("MET_N"), "s10").number(n++));
    s.add(Control::prompt(W("проба:")).number(n++).beside());
    s.add(shown("PROB").number(n++));
    s.add(Control::prompt(W("Вес:")).number(n++).beside());
    s.add(shown("VEC").number(n++));
    s.add(Control::prompt(W("Цена 1гр.:")).number(n++).beside());
    s.add(shown("Z1G").number(n++));
    s.add(Control::prompt(W("Камень:")).number(n++));
    s.add(shownVar(ui::Binding::of(KAM_N).named("KAM_N"), "s15").number(n++));
    s.add(Control::prompt(W("Вес:")).number(n++).beside());
    s.add(shown("VEC_K").number(n++));
    s.add(Control::prompt(W("Оценка:")).number(n++).beside());
    s.add(shown("OZ_K").number(n++));
    s.add(Control::prompt(W("Дата ист.срока:")).number(n++));
    s.add(shown("DATA_K").number(n++));
    s.add(Control::prompt(W("%%  по ссуде за 1 д:")).number(n++).beside());
    s.add(shown("P_CC_D").number(n++));
    s.add(Control::prompt(W("%% за 1 д хранения.:")).number(n++).beside());
    s.add(shown("P_XR_D").number(n++));
    static const char* const ends[] = {"DATA_P12", "DATA_P22", "DATA_P32"};
    static const char* const received[] = {"S_POL1", "S_POL2", "S_POL3"};
    for (int k = 0; k < def_.prolongations && k < 3; ++k) {
        s.add(Control::prompt(std::to_string(k + 1) + W(" перезалог")).number(n++));
        s.add(Control::prompt(W("дата окончания:")).number(n++).beside());
        s.add(shown(ends[k]).number(n++));
        s.add(Control::prompt(W("получено:")).number(n++).beside());
        s.add(shown(received[k]).number(n++));
    }
    if (def_.outcome) {
        s.add(Control::prompt(W("Погашено:")).number(n++));
        s.add(shown("DATA_PRW").number(n++));
        s.add(Control::prompt(W("Реализовано:")).number(n++).beside());
        s.add(shown("DATA_R").number(n++));
        s.add(Control::prompt(W("по цене:")).number(n++).beside());
        s.add(shown("S_R").number(n++));
    }
    s.end();
}

Level PledgeList::Opened() {
    const storage::TableDecl& t = dict::zalTable();
    view_ = std::make_unique<storage::View>(*Access::ZAL->File);
    BRW1.Init(kList, view_.get(), queue_, *Relate::ZAL, *this);
    BRW1.AddSortOrder(nullptr, &t.keys[static_cast<std::size_t>(def_.key - 1)]);
    if (def_.kind != ListKind::Day) {
        BRW1.AddLocator(&locator_);
        locator_.Init(kLook, FieldRef{&t, fieldOf("N_KV")}, 0, BRW1);
    }
    if (!def_.filter.empty()) BRW1.SetFilter(def_.filter);
    for (const ListColumn& c : def_.kind == ListKind::Day ? dayColumns() : commonColumns())
        BRW1.AddField(FieldRef{&t, fieldOf(c.field)});
    BRW1.AddField(ui::Binding::of(MET_N).named("MET_N"));
    BRW1.AddField(ui::Binding::of(KAM_N).named("KAM_N"));
    if (def_.kind != ListKind::Inquiry && OriginalRequest != req::View)
        BRW1.ConnectUpdates(kInsert, kChange, kDelete);
    AddItem(kClose, resp::Cancelled);
    AddItem(BRW1);
    return Level::Benign;
}

void PledgeList::Reset(uint8_t Force) {
    DATA_T = clock::today();
    ProcedureWindow::Reset(Force);
}

uint8_t PledgeList::Run(uint16_t Number, uint8_t Req) {
    if (Number != 1 || !def_.form) return resp::Cancelled;
    // A pledge carries its money history: removing it would take its loan out of the
    // past days' figures. It is cancelled by putting it in state 6.
    if (Req == req::Delete && def_.kind == ListKind::Operation) {
        msgbox::show(W("Залог не удаляется из базы.|Чтобы аннулировать его, поставьте состояние 6 "
                       "в \"Откат операции\"."),
                     def_.title, msgbox::Icon::Exclamation, msgbox::Ok);
        return resp::Cancelled;
    }
    GlobalRequest = Req;
    def_.form();
    return GlobalResponse;
}

Level PledgeList::TakeAccepted() {
    const Level l = ProcedureWindow::TakeAccepted();
    if (l != Level::Benign) return l;
    if (Win.field() == kSelect) TakeSelect();
    return Level::Benign;
}

void runPledgeList(PledgeListDef def) {
    PledgeList ThisWindow(std::move(def));
    GlobalResponse = ThisWindow.Run();
}

}  // namespace kw::pledges
