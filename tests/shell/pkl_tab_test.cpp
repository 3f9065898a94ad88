// PKL_TAB and PKL_FORM: the remembered clients in name order, the quick search by name
// with Cyrillic letters in either case (typed on the list or into the search entry),
// choosing a client for a pledge form, closing without a choice, and adding a client
// through the form.
#include "framework/data/dct_init.h"
#include "procedure_test_util.h"
#include "runtime/window_events.h"
#include "shell/small_forms.h"

using namespace kwproc;
namespace key = kw::ui::key;

namespace {

constexpr int kList = 1;

kw::dict::PklRecord client(const char* fio, const char* adr = "", const char* pas = "") {
    kw::dict::PklRecord r;
    r.FIO = W(fio);
    r.ADR = W(adr);
    r.PAS = W(pas);
    return r;
}

class PklTabTest : public ProcedureTest {
  protected:
    void SetUp() override {
        ProcedureTest::SetUp();
        addRecords(
            kw::dict::pklTable(), PKL,
            {client("Сидоров Сидор", "ул. Мира, 1", "19 04 123456"),
             client("петров пётр", "ул. Ленина, 5"), client("Иванов Иван"), client("Ёлкин Олег"),
             client("Петрова Анна", "пр. Победы, 7", "19 05 654321"), client("Abramov Ivan")});
    }

    WindowDriver open(ProcedureRun& run, uint8_t request = 0) {
        start(run, PKL_TAB, request);
        WindowDriver w = kw::script::waitWindow(kw::shell::pklListTitle());
        if (w) {
            EXPECT_EQ(w.settle(), Drive::Ok);
        }
        return w;
    }

    static std::string highlighted(const WindowDriver& w) {
        const int r = w.choice(kList);
        return r > 0 ? kw::cp::toUtf8(w.cell(kList, r, 1)) : std::string();
    }

    // Types `utf8` on the list, one key a character, as the operator does.
    static void typeOnList(WindowDriver& w, const char* utf8) {
        for (const char c : W(utf8))
            EXPECT_EQ(w.key(kList, key::ofChar(static_cast<unsigned char>(c))), Drive::Ok) << c;
    }
};

}  // namespace

TEST_F(PklTabTest, ClientsInNameOrderWithLetterCaseIgnored) {
    ProcedureRun run;
    WindowDriver w = open(run);
    ASSERT_TRUE(w);
    std::vector<std::string> names;
    for (int r = 1; r <= w.rows(kList); ++r) names.push_back(kw::cp::toUtf8(w.cell(kList, r, 1)));
    EXPECT_EQ(names, (std::vector<std::string>{"Abramov Ivan", "Ёлкин Олег", "Иванов Иван",
                                               "петров пётр", "Петрова Анна", "Сидоров Сидор"}));
    EXPECT_EQ(w.model()->def.find(kList)->columns[0].title, W("Фамилия"));
    EXPECT_EQ(w.closeBox(), Drive::Ok);
}

TEST_F(PklTabTest, TheQuickSearchTakesCyrillicLettersInEitherCase) {
    ProcedureRun run;
    WindowDriver w = open(run);
    ASSERT_TRUE(w);
    typeOnList(w, "петрова");
    EXPECT_EQ(highlighted(w), "Петрова Анна");
    EXPECT_EQ(w.shown("LOOK"), W("петрова"));
    EXPECT_EQ(kw::cp::toUtf8(w.shown(w.find(W("Паспорт:")) + 1)), "19 05 654321");
    // Backspace takes letters off again: "пет" finds the first of the two.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(w.key(kList, key::Backspace), Drive::Ok);
    EXPECT_EQ(w.shown("LOOK"), W("пет"));
    EXPECT_EQ(highlighted(w), "петров пётр");

    // Moving the highlight starts afresh; capitals find the same names.
    EXPECT_EQ(w.selectRow(kList, 1), Drive::Ok);
    typeOnList(w, "СИД");
    EXPECT_EQ(highlighted(w), "Сидоров Сидор");
    EXPECT_EQ(w.shown("LOOK"), W("СИД"));

    EXPECT_EQ(w.selectRow(kList, 1), Drive::Ok);
    typeOnList(w, "ё");
    EXPECT_EQ(highlighted(w), "Ёлкин Олег");

    // Typed into the entry, the search moves the list when the entry is left.
    EXPECT_EQ(w.type("LOOK", W("иВа")), Drive::Ok);
    EXPECT_EQ(highlighted(w), "Иванов Иван");
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    EXPECT_TRUE(run.join());
}

TEST_F(PklTabTest, ChoosingAClientHandsItOverAndClosingWithoutAChoiceLeavesTheGlobals) {
    ProcedureRun run;
    WindowDriver w = open(run);
    ASSERT_TRUE(w);
    typeOnList(w, "сидоров");
    EXPECT_EQ(w.press(W("Выбрать")), Drive::Ok);
    EXPECT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Completed);
    EXPECT_EQ(FIO_G.clip(), W("Сидоров Сидор"));
    EXPECT_EQ(ADR_G.clip(), W("ул. Мира, 1"));
    EXPECT_EQ(PAS_G.clip(), "19 04 123456");

    w = open(run);
    ASSERT_TRUE(w);
    typeOnList(w, "иван");
    EXPECT_EQ(w.press(W("Закрыть")), Drive::Ok);
    EXPECT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Cancelled);
    EXPECT_EQ(FIO_G.clip(), W("Сидоров Сидор"));
    EXPECT_EQ(ADR_G.clip(), W("ул. Мира, 1"));
    EXPECT_EQ(PAS_G.clip(), "19 04 123456");
}

TEST_F(PklTabTest, AClientIsAddedThroughTheFormAndAViewingListChangesNothing) {
    ProcedureRun run;
    WindowDriver w = open(run);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.press(W("Добавить")), Drive::Ok);
    WindowDriver form = kw::script::waitWindow(W("Добавить ???  (New)"));
    ASSERT_TRUE(form);
    ASSERT_EQ(form.settle(), Drive::Ok);
    EXPECT_EQ(form.type("PKL:FIO", W("Кузнецова Мария")), Drive::Ok);
    EXPECT_EQ(form.type("PKL:ADR", W("ул. Садовая, 3")), Drive::Ok);
    EXPECT_EQ(form.type("PKL:PAS", "19 01 111222"), Drive::Ok);
    EXPECT_EQ(form.press("OK"), Drive::Ok);
    EXPECT_TRUE(form.waitClosed(5s));
    EXPECT_EQ(w.settle(), Drive::Ok);
    EXPECT_EQ(highlighted(w), "Кузнецова Мария");
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    EXPECT_TRUE(run.join());
    EXPECT_EQ(readRecords(kw::dict::pklTable(), PKL).size(), 7u);

    w = open(run, kw::req::View);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.press(W("Добавить")), Drive::Ok);
    EXPECT_EQ(w.key(kList, key::Delete), Drive::Ignored);
    EXPECT_EQ(kw::script::windows().size(), 1u);
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    EXPECT_TRUE(run.join());
    EXPECT_EQ(readRecords(kw::dict::pklTable(), PKL).size(), 7u);
}
