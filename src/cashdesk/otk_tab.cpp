// OTK_TAB: "Просмотр/восстановление статуса записи", every pledge in ticket order with
// its state in blue, the highlighted pledge's details in "Информация по ссуде", and a
// quick search by ticket number typed on the list or into the field beside "Быстрый
// поиск по N квитанции:" (where the typed digits show). The update buttons run OTK_FORM; a list
// opened to view only has none connected.
#include "cashdesk/cashdesk.h"
#include "dictionary/tables.h"
#include "framework/data/dct_init.h"
#include "framework/window/browse_procedure.h"
#include "framework/window/locator_class.h"
#include "runtime/codepage.h"

namespace {

// Windows colour value 0x00BBGGRR: blue.
constexpr uint32_t kStateColor = 0xFF0000;

enum : int {
    kLookLabel = 1,
    kLook,
    kList,
    kInfo,
    kInsert = 100,
    kChange,
    kDelete,
    kClose,
};

// The highlighted pledge's metal and stone names and the latest end of its loan.
struct RowValues {
    kw::FixedString<10> MET_N;
    kw::FixedString<15> KAM_N;
    int32_t DATA_W = 0;
};

class ThisWindowClass : public kw::BrowseProcedure {
  public:
    ThisWindowClass() : BrowseProcedure("OTK_TAB", {&Relate::ZAL, &Relate::MET, &Relate::KAM}) {}

    kw::ui::WindowDef Define() override {
        using kw::W;
        using kw::ui::Binding;
        using kw::ui::Column;
        using kw::ui::Control;
        const kw::storage::TableDecl& t = kw::dict::zalTable();
        kw::ui::WindowDef s;
        s.title = W("Просмотр/восстановление статуса записи");
        s.add(Control::prompt(W("Быстрый поиск по N квитанции:")).number(kLookLabel));
        s.add(Control::entry(Binding::of(LOOK).named("LOOK"), "s20").number(kLook));
        s.add(Control::list({{W("N квитанции"), 12, "n_7"},
                             {W("Дата выдачи"), 12, "D6"},
                             {W("Дата выкупа"), 12, "D6"},
                             {W("Сумма оценки"), 15, "n_15.2"},
                             {W("Сумма ссуды"), 15, "n_15.2"},
                             {W("Было выдано"), 15, "n_15.2"},
                             Column{W("Статус"), 6, "n3"}.colored(kStateColor)},
                            nullptr, 12)
                  .number(kList));
        s.begin(Control::group(W("Информация по ссуде")).number(kInfo));
        auto value = [&](const char* label, Binding use, const char* picture, bool beside) {
            Control l = Control::prompt(W(label));
            if (beside) l.beside();
            s.add(l);
            Control e = Control::entry(std::move(use), picture);
            e.readOnly = true;
            s.add(e);
        };
        auto field = [&](const char* label, const char* name, const char* picture,
                         bool beside = false) {
            value(label, kw::UseField(t, name), picture, beside);
        };
        field("", "FIO", "s60");
        value("", Binding::of(row_.MET_N).named("MET_N"), "s10", false);
        field("проба:", "PROB", "n4", true);
        field("Вес:", "VEC", "n_9.2");
        field("Цена 1гр.:", "Z1G", "n_10.2", true);
        value("Камень:", Binding::of(row_.KAM_N).named("KAM_N"), "s15", false);
        field("Вес:", "VEC_K", "n_9.2", true);
        field("Оценка:", "OZ_K", "n_12.2", true);
        field("Дата ист.срока:", "DATA_K", "D6");
        value("Окончание срока:", Binding::of(row_.DATA_W).named("DATA_W"), "D6", true);
        field("%%  по ссуде за 1 д:", "P_CC_D", "n_8.3");
        field("%% за 1 д хранения.:", "P_XR_D", "n_8.3", true);
        for (int k = 1; k <= 3; ++k) {
            const std::string n = std::to_string(k);
            s.add(Control::prompt(n + W(" перезалог")));
            s.add(Control::prompt(W("дата окончания:")).beside());
            Control end = Control::entry(kw::UseField(t, "DATA_P" + n + "2"), "D6");
            end.readOnly = true;
            s.add(end);
            field("получено:", ("S_POL" + n).c_str(), "n_12.2", true);
        }
        field("Погашено:", "DATA_PRW", "D6");
        field("Реализовано:", "DATA_R", "D6");
        field("по цене:", "S_R", "n_12.2", true);
        s.end();
        kw::AddUpdateButtons(s, kInsert, kChange, kDelete, "&Установить/Восстановить");
        s.add(Control::button(W("Закрыть")).number(kClose));
        return s;
    }

    kw::Level Opened() override {
        const kw::storage::TableDecl& t = kw::dict::zalTable();
        InitBrowse(kList, *Relate::ZAL, t.keys[0]);
        BRW1.AddLocator(&locator_);
        locator_.Init(kLook, kw::FieldRef{&t, t.fieldNumber("N_KV")}, 1, BRW1);
        BRW1.AddFields(t, {"N_KV", "DATA", "DATA_K", "S_OZEN", "S_CCYD", "S_VID", "SOST"});
        if (Request != kw::req::View) BRW1.ConnectUpdates(kInsert, kChange, kDelete);
        AddItem(kClose, kw::resp::Cancelled);
        AddItem(BRW1);
        return kw::Level::Benign;
    }

    // Selecting the search field starts a new search.
    kw::Level TakeSelected() override {
        if (Win.field() == kLook) {
            LOOK.clear();
            locator_.Reset();
            Win.display(kLook);
        }
        return WindowManager::TakeSelected();
    }

    bool RunUpdate(uint16_t Number) override {
        if (Number != 1) return false;
        OTK_FORM();
        return true;
    }

    // The highlighted pledge's metal and stone names and the latest end of its loan.
    void RowRead() override {
        row_.MET_N.clear();
        row_.KAM_N.clear();
        MET.KOD = ZAL.MET;
        if (Access::MET && Access::MET->TryFetch(kw::dict::metTable().keys[0]) == kw::Level::Benign)
            row_.MET_N = MET.NAME;
        KAM.KOD = ZAL.KAM;
        if (Access::KAM && Access::KAM->TryFetch(kw::dict::kamTable().keys[0]) == kw::Level::Benign)
            row_.KAM_N.assign(KAM.NAME.clip());
        row_.DATA_W = ZAL.DATA_K;
        for (int32_t end : {ZAL.DATA_P12, ZAL.DATA_P22, ZAL.DATA_P32})
            if (end != 0) row_.DATA_W = end;
    }

    kw::FixedString<20> LOOK;

  private:
    RowValues row_;
    kw::IncrementalLocatorClass locator_;
};

}  // namespace

void OTK_TAB() {
    ThisWindowClass ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
