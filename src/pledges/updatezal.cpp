// UPDATEZAL: the new pledge: the client, the item and its appraisal, the loan with its
// term, interest and storage; the record is written in state 0. Opened from the day's
// list with insert, or change, delete and view for a pledge of today. All arithmetic is
// in the refresh, in the order of its steps; the buttons only clear what the next
// refresh computes again, or open a list whose choice the refresh takes over.
#include <initializer_list>
#include <utility>

#include "dictionary/tables.h"
#include "framework/data/dct_init.h"
#include "framework/window/procedure_window.h"
#include "pledges/full_cost_fields.h"
#include "pledges/pledge_common.h"
#include "pledges/pledge_form.h"
#include "pledges/pledge_procedures.h"
#include "pledges/reference_procedures.h"
#include "rules/loan_calc.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/message_box.h"
#include "runtime/real.h"
#include "shell/day_lock.h"
#include "shell/day_state.h"
#include "shell/globals.h"
#include "shell/small_forms.h"
#include "storage/file_guard.h"

namespace {

using kw::W;
using kw::real::isZero;

enum : int32_t {
    kFio = 1,
    kPas,
    kAdr,
    kNKv,
    kData,
    kRemember,
    kChooseClient,
    kMetal,
    kChooseMetal,
    kProb,
    kChooseProb,
    kZ1g,
    kOpIz,
    kChooseKind,
    kVec,
    kStone,
    kChooseStone,
    kZ1k,
    kVecK,
    kCarat,
    kVecCh,
    kOzK,
    kPrim,
    kKolD,
    kSOzen,
    kSCcyd,
    kProzCc,
    kDataK,
    kPCcD,
    kPXrD,
    kSPS,
    kSPX,
    kSVid,
    kOper,
    kToday,
    kMessage,
    kHint,
    kCalculate,
    kPrint,
    kReverse,
    kOk,
    kClose,
    kClientGroup = 60,
    kItemGroup,
    kLoanGroup,
    kPledgeColumn,
    kLoanColumn,
    kFirstPrompt = 100,  // the prompts, in window order
};

// The text the client hand-over globals hold once a form has taken them.
std::string doneMarker() {
    return W("Задание выполнено");
}

class UpdateZal : public kw::pledges::PledgeForm {
  public:
    UpdateZal() : PledgeForm("UPDATEZAL") {
        OKControl = kOk;
        MessageControl = kMessage;
        FirstField = kFio;
    }

    kw::Level Prepare() override {
        AddItem(kClose, kw::resp::Cancelled);
        K_IZD = 0;
        T_RAC = 0;
        return PledgeForm::Prepare();
    }

    kw::ui::WindowDef Define() override;
    // The groups of the form, each numbering its prompts on from `prompt`.
    void defineClient(kw::ui::WindowDef& s, int& prompt);
    void defineItem(kw::ui::WindowDef& s, int& prompt);
    void defineLoan(kw::ui::WindowDef& s, int& prompt);
    // A prompt and the entry of a ZAL field.
    struct Row {
        const char* prompt;  // UTF-8
        const char* field;
        int32_t number;  // the entry's
    };
    // Each row's prompt, numbered from `prompt` on, and its entry.
    static void addRows(kw::ui::WindowDef& s, int& prompt, std::initializer_list<Row> rows);

    // Steps 1 and 2 (settings, operator, today) are the common refresh's.
    void Compute() override {
        ticketNumber();    // 3
        dateTakenIn();     // 4
        chosenMetal();     // 8, before 5 and 6: the default price is the chosen metal's
        defaultMetal();    // 5
        defaultPrice();    // 6
        itemKind();        // 7
        metalName();       // 9
        chosenPrice();     // 10
        chosenStone();     // 11
        stoneName();       // 12
        defaults();        // 13 to 16
        appraise();        // 17 to 19
        dailyRate();       // 20
        calculate();       // 21, 22
        clientHandOver();  // 23
        staleAmounts();
        cost_.show(kw::documents::loanFullCost(ZAL));
    }

    // A typed value overrides an earlier choice from a list before the refresh that
    // follows it, so the refresh does not put the choice back.
    void Accepting(int32_t field) override {
        switch (field) {
            case kProb:
                PROBA = 0;
                ::Z1G = 0;
                break;
            case kZ1g:
                ::Z1G = 0;
                break;
            case kZ1k:
            case kOzK:
                KOD_K = 0;
                break;
            default:
                break;
        }
    }

    // A value typed and not left before OK reaches the record without a refresh: the
    // appraisal is checked against the weights and prices too.
    std::string Refusal() const override {
        std::string why = PledgeForm::Refusal();
        if (!why.empty()) return why;
        kw::dict::ZalRecord z = ZAL;
        kw::pledges::loan::netWeight(z);
        kw::pledges::loan::stoneAppraisal(z);
        kw::pledges::loan::appraisal(z);
        const bool appraised =
            kw::real::equal(z.VEC_CH, ZAL.VEC_CH) && kw::real::equal(z.S_OZEN, ZAL.S_OZEN);
        if (!appraised || !kw::pledges::loan::amountsMatch(ZAL)) return staleText();
        return std::string();
    }

    kw::Level TakeAccepted() override {
        const kw::Level l = PledgeForm::TakeAccepted();
        if (l != kw::Level::Benign) return l;
        switch (Win.field()) {
            case kRemember:
                rememberClient();
                break;
            case kChooseClient:
                chooseClient();
                break;
            case kChooseMetal:
                chooseMetal();
                break;
            case kChooseProb:
                chooseFineness();
                break;
            case kChooseKind:
                chooseKind();
                break;
            case kChooseStone:
                chooseStone();
                break;
            case kCalculate:
                recalculate();
                break;
            case kReverse:
                reverseCalculation();
                break;
            case kPrint:
                PrintTicket();
                break;
            default:
                break;
        }
        moveOnAfterChoice(Win.field());
        return kw::Level::Benign;
    }

    kw::Level TakeCompleted() override;

  private:
    // --- the refresh's steps ------------------------------------------------------------
    void ticketNumber() {
        if (ZAL.N_KV == 0) ZAL.N_KV = kw::pledges::nextTicketNumber();
    }
    void dateTakenIn() {
        if (ZAL.DATA == 0) ZAL.DATA = kw::clock::today();
    }
    void chosenMetal() {
        if (KOD_M == 0) return;
        MET.KOD = KOD_M;
        if (Access::MET->TryFetch(kw::dict::metTable().keys[0]) == kw::Level::Benign) {
            MET_N = MET.NAME;
            ZAL.MET = MET.KOD;
        }
    }
    void defaultMetal() {
        if (ZAL.MET != 0) return;
        ZAL.MET = 1;
        MET.KOD = 1;
        if (Access::MET->TryFetch(kw::dict::metTable().keys[0]) == kw::Level::Benign) {
            MET_N = MET.NAME;
            ZAL.MET = MET.KOD;
        }
    }
    void defaultPrice() {
        if (ZAL.PROB != 0 || !isZero(ZAL.Z1G)) return;
        PRB.KOD = ZAL.MET;
        PRB.PROB = 583;
        if (Access::PRB->TryFetch(kw::dict::prbTable().keys[0]) == kw::Level::Benign) {
            ZAL.PROB = PRB.PROB;
            ZAL.Z1G = PRB.ZEN;
        }
    }
    void itemKind() {
        if (K_IZD <= 0 || !ZAL.OP_IZ.clip().empty()) return;
        IZD.KOD = K_IZD;
        if (Access::IZD->TryFetch(kw::dict::izdTable().keys[0]) != kw::Level::Benign)
            IZD = kw::dict::IzdRecord{};
        ZAL.OP_IZ = IZD.NAME.view();
    }
    void metalName() {
        if (ZAL.MET != 0) MET_N = kw::pledges::metalName(ZAL.MET);
    }
    void chosenPrice() {
        if (PROBA > 0) ZAL.PROB = PROBA;
        if (::Z1G > 0) ZAL.Z1G = ::Z1G;
    }
    void chosenStone() {
        if (KOD_K <= 0) return;
        KAM_N.clear();
        KAM.KOD = static_cast<uint8_t>(KOD_K);
        if (Access::KAM->TryFetch(kw::dict::kamTable().keys[0]) == kw::Level::Benign) {
            KAM_N = KAM.NAME;
            ZAL.KAM = static_cast<uint8_t>(KOD_K);
            ZAL.Z1K = KAM.ZEN;
        }
    }
    void stoneName() {
        if (ZAL.KAM != 0) KAM_N = kw::pledges::stoneName(ZAL.KAM);
    }
    void defaults() {
        if (ZAL.PRIM.clip().empty()) ZAL.PRIM = KBP.S_NAD.view();
        if (ZAL.KOL_D == 0) ZAL.KOL_D = static_cast<int16_t>(static_cast<double>(KBP.KDZ));
        if (isZero(ZAL.PROZ_CC)) ZAL.PROZ_CC = KBP.PRO_S;
        if (isZero(ZAL.P_XR_D)) ZAL.P_XR_D = KBP.PDX;
    }
    // A stone value the form computed follows a corrected stone weight or price; one
    // the operator typed stays.
    void appraise() {
        if (stoneFilled_ && kw::real::equal(ZAL.OZ_K, stoneValue_)) ZAL.OZ_K = 0;
        kw::pledges::loan::netWeight(ZAL);
        if (isZero(ZAL.OZ_K)) {
            kw::pledges::loan::stoneAppraisal(ZAL);
            stoneFilled_ = true;
            stoneValue_ = ZAL.OZ_K;
        }
        kw::pledges::loan::appraisal(ZAL);
    }
    void dailyRate() {
        if (kw::pledges::loan::bandRate(ZAL, KBP)) {
            bandFilled_ = true;
            bandValue_ = ZAL.P_CC_D;
        }
    }
    void calculate() {
        reverseRefused_ = false;
        if (T_RAC == 0 && isZero(ZAL.S_VID)) kw::pledges::loan::forward(ZAL);
        if (T_RAC == 1 && ZAL.S_VID > 0 && !isZero(ZAL.S_VID)) {
            const std::string why = kw::pledges::loan::reverse(ZAL);
            if (!why.empty()) MESSAGE = why;
            reverseRefused_ = !why.empty();
        }
    }
    // The amounts are computed once; an input changed since (a weight, a stone, the
    // term, a rate, the date) is said at once, and OK refuses until the amounts are
    // calculated again.
    static std::string staleText() { return W("Суммы не сходятся: нажмите Рассчитать"); }
    void staleAmounts() {
        if (reverseRefused_ || (Request != kw::req::Insert && Request != kw::req::Change)) return;
        if (!kw::pledges::loan::amountsMatch(ZAL))
            MESSAGE = staleText();
        else if (MESSAGE.clip() == staleText())
            MESSAGE.clear();
    }
    // The client chosen in the list, or the client of the ticket printed last: a blank
    // or taken hand-over changes nothing; a pledge opened for change takes only a
    // client chosen while it is open.
    void clientHandOver() {
        const std::string fio = FIO_G.clip();
        if (fio.empty() || fio == doneMarker()) return;
        if (Request != kw::req::Insert && !clientChosen_) return;
        ZAL.FIO = FIO_G;
        ZAL.ADR = ADR_G;
        ZAL.PAS = PAS_G;
        FIO_G = doneMarker();
        ADR_G = doneMarker();
        PAS_G = doneMarker();
        clientChosen_ = false;
    }

    // --- buttons ------------------------------------------------------------------------
    // After a choice from a list the operator goes on with the field after those the
    // choice filled, not back at the top of the form.
    void moveOnAfterChoice(int32_t button) {
        static const std::pair<int32_t, int32_t> next[] = {{kChooseClient, kNKv},
                                                           {kChooseMetal, kProb},
                                                           {kChooseProb, kOpIz},
                                                           {kChooseKind, kVec},
                                                           {kChooseStone, kVecK}};
        for (const auto& [choose, field] : next)
            if (choose == button && Win.isOpen()) Win.select(field);
    }
    void rememberClient();
    void chooseClient() {
        FIO_G.clear();
        ADR_G.clear();
        PAS_G.clear();
        OpenFromForm([this] {
            GlobalRequest = kw::req::Select;
            PKL_TAB();
            clientChosen_ = !FIO_G.clip().empty();
            if (!clientChosen_) {
                // Nothing chosen: the hand-over stays taken, so no later form copies
                // the blanks.
                FIO_G = doneMarker();
                ADR_G = doneMarker();
                PAS_G = doneMarker();
            }
        });
    }
    void chooseMetal() {
        OpenFromForm([] {
            KOD_M = 0;
            GlobalRequest = kw::req::Select;
            MET_TAB();
            if (KOD_M == 0) return;
            ZAL.MET = 0;
            ZAL.PROB = 0;
            ZAL.Z1G = 0;
        });
    }
    void chooseFineness() {
        OpenFromForm([] {
            PROBA = 0;
            ::Z1G = 0;
            GlobalRequest = kw::req::Select;
            PRB_TAB();
            if (PROBA <= 0 && ::Z1G <= 0) return;
            ZAL.PROB = 0;
            ZAL.Z1G = 0;
        });
    }
    void chooseKind() {
        OpenFromForm([] {
            const int16_t before = K_IZD;
            K_IZD = 0;
            GlobalRequest = kw::req::Select;
            IZD_TAB();
            if (K_IZD <= 0) {
                K_IZD = before;
                return;
            }
            ZAL.OP_IZ.clear();
        });
    }
    void chooseStone() {
        OpenFromForm([] {
            KOD_K = 0;
            GlobalRequest = kw::req::Select;
            KAM_TAB();
            if (KOD_K <= 0) return;
            ::Z1K = 0;
            ZAL.Z1K = 0;
            ZAL.OZ_K = 0;
        });
    }
    // "Рассчитать ???": the amounts are computed again at the next refresh, the band
    // rate too unless the operator typed it.
    void recalculate() {
        (void)Win.update();
        ZAL.S_CCYD = 0;
        ZAL.DATA_K = 0;
        ZAL.S_P_S = 0;
        ZAL.S_P_X = 0;
        ZAL.S_VID = 0;
        if (bandFilled_ && kw::real::equal(ZAL.P_CC_D, bandValue_)) ZAL.P_CC_D = 0;
        bandFilled_ = false;
        T_RAC = 0;
        MESSAGE.clear();
        OpenFromForm([] { RAS(); });
    }
    void reverseCalculation() {
        (void)Win.update();
        T_RAC = 1;
        ZAL.S_CCYD = 0;
        ZAL.PROZ_CC = 0;
        ZAL.S_P_S = 0;
        ZAL.S_P_X = 0;
        MESSAGE.clear();
        OpenFromForm([] { RAS(); });
    }

    kw::pledges::FullCostShown cost_;  // the loan's full cost, beside the loan
    bool clientChosen_ = false;        // a client was chosen in the list while the form is open
    bool reverseRefused_ = false;  // the last refresh could not calculate from the amount paid out
    bool bandFilled_ = false;      // the daily rate is the one the band rule gave
    bool stoneFilled_ = false;     // the stone value is the one the form computed
    double stoneValue_ = 0;
    double bandValue_ = 0;
};

kw::ui::WindowDef UpdateZal::Define() {
    using kw::ui::Control;
    int prompt = kFirstPrompt;
    auto P = [&prompt](const char* utf8) { return Prompt(utf8).number(prompt++); };
    kw::ui::WindowDef s;
    s.title = CaptionFor(kw::RequestCaptions::Standard());
    if (s.title.empty()) s.title = W("Оформление ссуды");
    // Two columns, so the form fits a cash desk's screen with its buttons: the client and
    // the article on the left, the loan on the right; the message line and the buttons
    // under both.
    s.begin(Control::group("").number(kPledgeColumn));
    defineClient(s, prompt);
    defineItem(s, prompt);
    s.end();

    s.begin(Control::group("").number(kLoanColumn).beside());
    defineLoan(s, prompt);
    kw::pledges::addFullCostFields(s, cost_);

    s.add(P("Оператор:"));
    s.add(kw::pledges::operatorField(*this).number(kOper));
    s.add(P("Текущая дата:"));
    s.add(kw::pledges::todayField(*this).number(kToday));
    s.end();
    s.add(kw::pledges::messageLine(*this).number(kMessage));
    s.add(Prompt("Если согласны с расчетом-распечатайте и нажмите ОК для записи в базу")
              .number(kHint));
    s.add(Control::button(W("Рассчитать ???")).number(kCalculate));
    s.add(Control::button(W("Распечатать квитанцию")).number(kPrint));
    s.add(Control::button(W("Пересчитать от суммы к выдаче")).number(kReverse));
    kw::AddOkClose(s, kOk, kClose);
    return s;
}

void UpdateZal::defineClient(kw::ui::WindowDef& s, int& prompt) {
    using kw::ui::Control;
    auto P = [&prompt](const char* utf8) { return Prompt(utf8).number(prompt++); };
    s.begin(Control::group(W("Клиент")).number(kClientGroup));
    addRows(s, prompt,
            {{"ФИО:", "FIO", kFio},
             {"Паспорт:", "PAS", kPas},
             {"Адрес:", "ADR", kAdr},
             {"Номер квитанции:", "N_KV", kNKv}});
    s.add(P("Дата приема вещи:").beside());
    s.add(Field("DATA").number(kData));
    s.add(Control::button(W("Запомнить клиента")).number(kRemember));
    s.add(Control::button(W("Выбрать клиента")).number(kChooseClient));
    s.end();
}

void UpdateZal::defineItem(kw::ui::WindowDef& s, int& prompt) {
    using kw::ui::Control;
    auto P = [&prompt](const char* utf8) { return Prompt(utf8).number(prompt++); };
    s.begin(Control::group(W("Изделие")).number(kItemGroup));
    s.add(P("Вид металла:"));
    Control metal = Control::entry(kw::ui::Binding::of(MET_N).named("MET_N"), "s10");
    metal.readOnly = true;
    s.add(metal.number(kMetal));
    s.add(Control::button(W("<-Выбрать")).number(kChooseMetal).beside());
    addRows(s, prompt, {{"Проба:", "PROB", kProb}});
    s.add(Control::button(W("<-Выбрать")).number(kChooseProb).beside());
    addRows(s, prompt, {{"Цена за грамм:", "Z1G", kZ1g}, {"Описание изделия:", "OP_IZ", kOpIz}});
    s.add(Control::button(W("Выбрать ^")).number(kChooseKind).beside());
    addRows(s, prompt, {{"Вес общий:", "VEC", kVec}});
    s.add(P("Камень:"));
    Control stone = Control::entry(kw::ui::Binding::of(KAM_N).named("KAM_N"), "s15");
    stone.readOnly = true;
    s.add(stone.number(kStone));
    s.add(Control::button(W("<-Выбрать")).number(kChooseStone).beside());
    addRows(s, prompt, {{"Цена за карат:", "Z1K", kZ1k}, {"Вес камня:", "VEC_K", kVecK}});
    s.add(Prompt("кар.").number(kCarat).beside());
    addRows(s, prompt,
            {{"Вес чистый:", "VEC_CH", kVecCh},
             {"Оценка камня:", "OZ_K", kOzK},
             {"Примечание:", "PRIM", kPrim}});
    s.end();
}

void UpdateZal::defineLoan(kw::ui::WindowDef& s, int& prompt) {
    s.begin(kw::ui::Control::group(W("Ссуда")).number(kLoanGroup));
    addRows(s, prompt,
            {{"Количество дней:", "KOL_D", kKolD},
             {"Сумма оченки:", "S_OZEN", kSOzen},
             {"Сумма ссуды:", "S_CCYD", kSCcyd},
             {"Корректирующий процент по ссуде:", "PROZ_CC", kProzCc},
             {"Дата истечения срока:", "DATA_K", kDataK},
             {"Процент по ссуде за день:", "P_CC_D", kPCcD},
             {"Процент за хранение за день:", "P_XR_D", kPXrD},
             {"Сумма по проценту за ссуду:", "S_P_S", kSPS},
             {"Сумма по проценту за хранение:", "S_P_X", kSPX},
             {"ИТОГО к выдаче:", "S_VID", kSVid}});
    s.end();
}

void UpdateZal::addRows(kw::ui::WindowDef& s, int& prompt, std::initializer_list<Row> rows) {
    for (const Row& r : rows) {
        s.add(Prompt(r.prompt).number(prompt++));
        s.add(Field(r.field).number(r.number));
    }
}

// "Запомнить клиента": the client of the form into the remembered clients, once.
void UpdateZal::rememberClient() {
    (void)Win.update();
    if (ZAL.FIO.clip().empty() || ZAL.ADR.clip().empty() || ZAL.PAS.clip().empty()) return;
    PKL.FIO = ZAL.FIO;
    PKL.ADR = ZAL.ADR;
    PKL.PAS = ZAL.PAS;
    const kw::dict::PklRecord client = PKL;
    // The same name (the key ignores letter case) with the same passport is there already.
    bool known = false;
    if (Access::PKL->File->setFromBuffer(1).ok()) {
        while (Access::PKL->TryNext() == kw::Level::Benign) {
            if (kw::cp::compareNoCase(PKL.FIO.clip(), client.FIO.clip()) != 0) break;
            if (PKL.PAS == client.PAS) {
                known = true;
                break;
            }
        }
    }
    PKL = client;
    if (known) {
        Say(W("Клиент уже есть в списке"));
        return;
    }
    if (Access::PKL->Insert() == kw::Level::Benign) Say(doneMarker());
}

// OK on a new pledge: the ticket number is checked under the file's lock up to the
// write, so two stations issuing at once never store the same number. The day's lock
// comes first (the closing takes no pledge lock, so the order cannot deadlock); both
// are given back before any box.
kw::Level UpdateZal::TakeCompleted() {
    const bool writes = Request == kw::req::Insert || Request == kw::req::Change;
    if (!writes) return PledgeForm::TakeCompleted();
    // The refusals say so in boxes or the message line: before any lock is taken.
    if (!Validated()) return kw::Level::Notify;
    if (kw::pledges::refusedAboveLimit(kw::documents::loanFullCost(ZAL), ZAL.DATA, Win.title()))
        return kw::Level::Notify;
    kw::shell::DayLock day(kw::shell::DayLock::Kind::Write);
    if (!day.held()) {
        Say(kw::shell::dayBusyText());
        return kw::Level::Notify;
    }
    if (!kw::shell::todayOpenForOperations(Win.title())) {
        Win.display();
        return kw::Level::Notify;
    }
    kw::storage::FileLockGuard lock(*Access::ZAL->File, 5);
    if (!lock.held()) {
        Say(W("Файл залогов занят другой кассой: повторите"));
        return kw::Level::Notify;
    }
    kw::msgbox::BeforeBox unlockFirst([&lock] { (void)lock.release(); });
    if (kw::pledges::ticketNumberTaken(Request == kw::req::Change)) {
        const int32_t was = ZAL.N_KV;
        if (Request == kw::req::Insert) ZAL.N_KV = kw::pledges::nextTicketNumber();
        (void)lock.release();
        day.release();
        Win.display();
        const std::string text =
            Request == kw::req::Insert
                ? W("Номер квитанции ") + std::to_string(was) +
                      W(" уже занят.|Взят свободный номер ") + std::to_string(ZAL.N_KV) +
                      W(": распечатайте квитанцию и нажмите ОК.")
                : W("Номер квитанции ") + std::to_string(was) + W(" уже занят другим залогом.");
        kw::msgbox::show(text, Win.title(), kw::msgbox::Icon::Exclamation, kw::msgbox::Ok);
        Win.select(kNKv);
        return kw::Level::Notify;
    }
    return PledgeForm::TakeCompleted();
}

}  // namespace

void UPDATEZAL() {
    UpdateZal ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
