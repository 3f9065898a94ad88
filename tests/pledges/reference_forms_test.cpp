// The update forms of the reference tables, run from their lists: the caption by
// request, the record written, and UPDATEPRB's metal: its name, the choice from MET_TAB, and a
// KOD_M left by an earlier choice that never moves a row to another metal.
#include "pledges/reference_list.h"
#include "pledges/reference_procedures.h"
#include "reference_records.h"

using namespace kwref;
using kw::pledges::kRefChange;
using kw::pledges::kRefClose;
using kw::pledges::kRefInsert;
using kw::pledges::kRefList;
using kw::pledges::kRefSelect;

namespace {

class ReferenceFormTest : public ReferenceTest {
  protected:
    void SetUp() override {
        ReferenceTest::SetUp();
        addRecords(kw::dict::metTable(), MET, {met(1, "Золото"), met(2, "Серебро")});
        addRecords(kw::dict::prbTable(), PRB, {prb(1, 583, 2950), prb(2, 875, 33)});
    }

    static std::vector<std::string> prices() {
        std::vector<std::string> out;
        for (const kw::dict::PrbRecord& r : readRecords(kw::dict::prbTable(), PRB))
            out.push_back(std::to_string(r.KOD) + "|" + std::to_string(r.PROB) + "|" +
                          std::to_string(r.ZEN));
        return out;
    }

    // Opens the form of the highlighted row `row` of MET_ZEN_TAB for a change.
    WindowDriver changePrice(WindowDriver& list, int row) {
        EXPECT_EQ(list.selectRow(kRefList, row), Drive::Ok);
        EXPECT_EQ(list.press(kRefChange), Drive::Ok);
        return window("Изменить ???");
    }
};

}  // namespace

TEST_F(ReferenceFormTest, AStoneAddedThroughItsFormIsWrittenAndShown) {
    ProcedureRun run;
    start(run, KAM_TAB);
    WindowDriver list = window("Цены за карат драг.комней");
    ASSERT_TRUE(list);
    EXPECT_EQ(list.press(kRefInsert), Drive::Ok);
    WindowDriver form = window("Добавить ???");
    ASSERT_TRUE(form);
    EXPECT_EQ(form.type("KAM:KOD", "3"), Drive::Ok);
    EXPECT_EQ(form.type("KAM:NAME", W("Рубин")), Drive::Ok);
    EXPECT_EQ(form.type("KAM:ZEN", "1500"), Drive::Ok);
    EXPECT_EQ(form.shown("KAM:ZEN"), "1 500.00");  // "n15.2b": grouped
    EXPECT_EQ(form.press("OK"), Drive::Ok);
    EXPECT_TRUE(form.waitClosed(5s));
    EXPECT_EQ(list.settle(), Drive::Ok);
    EXPECT_EQ(rows(list), (std::vector<std::string>{"3|Рубин|1500.00"}));
    EXPECT_EQ(list.press(kRefClose), Drive::Ok);
    EXPECT_TRUE(run.join());
    const auto stones = readRecords(kw::dict::kamTable(), KAM);
    ASSERT_EQ(stones.size(), 1u);
    EXPECT_EQ(stones[0].KOD, 3);
    EXPECT_EQ(stones[0].NAME.clip(), W("Рубин"));
    EXPECT_EQ(stones[0].ZEN, 1500);
}

TEST_F(ReferenceFormTest, AMetalIsChangedThroughItsForm) {
    ProcedureRun run;
    start(run, MET_TAB);
    WindowDriver list = window("Справочник драгметаллов");
    ASSERT_TRUE(list);
    EXPECT_EQ(list.selectRow(kRefList, 2), Drive::Ok);
    EXPECT_EQ(list.press(kRefChange), Drive::Ok);
    WindowDriver form = window("Изменить ???");
    ASSERT_TRUE(form);
    EXPECT_EQ(form.shown("MET:NAME"), W("Серебро"));
    EXPECT_EQ(form.type("MET:NAME", W("Палладий")), Drive::Ok);
    EXPECT_EQ(form.press("OK"), Drive::Ok);
    EXPECT_TRUE(form.waitClosed(5s));
    EXPECT_EQ(list.settle(), Drive::Ok);
    EXPECT_EQ(rows(list), (std::vector<std::string>{"1|Золото", "2|Палладий"}));
    EXPECT_EQ(list.press(kRefClose), Drive::Ok);
    EXPECT_TRUE(run.join());
}

TEST_F(ReferenceFormTest, APriceRowKeepsItsMetalWhatEverKodMAnEarlierChoiceLeft) {
    KOD_M = 2;  // a pledge form chose silver a moment ago
    ProcedureRun run;
    start(run, MET_ZEN_TAB);
    WindowDriver list = window("Цены за грамм драгметалла");
    ASSERT_TRUE(list);
    WindowDriver form = changePrice(list, 1);
    ASSERT_TRUE(form);
    EXPECT_EQ(form.shown("PRB:KOD"), "1");
    EXPECT_EQ(form.shown("NAME_M"), W("Золото"));
    EXPECT_EQ(form.type("PRB:ZEN", "3000"), Drive::Ok);
    EXPECT_EQ(form.shown("PRB:KOD"), "1");
    EXPECT_EQ(form.press("OK"), Drive::Ok);
    EXPECT_TRUE(form.waitClosed(5s));
    EXPECT_EQ(list.press(kRefClose), Drive::Ok);
    EXPECT_TRUE(run.join());
    EXPECT_EQ(prices(), (std::vector<std::string>{"1|583|3000.000000", "2|875|33.000000"}));
}

TEST_F(ReferenceFormTest, TheMetalOfAPriceRowIsChosenOrTypedAndItsNameFollows) {
    ProcedureRun run;
    start(run, MET_ZEN_TAB);
    WindowDriver list = window("Цены за грамм драгметалла");
    ASSERT_TRUE(list);
    WindowDriver form = changePrice(list, 1);
    ASSERT_TRUE(form);

    // Closing the metals without a choice changes nothing.
    EXPECT_EQ(form.press(W("Выбрать")), Drive::Ok);
    WindowDriver metals = window("Справочник драгметаллов");
    ASSERT_TRUE(metals);
    EXPECT_FALSE(metals.hidden(kRefSelect));
    EXPECT_EQ(metals.press(kRefClose), Drive::Ok);
    EXPECT_TRUE(metals.waitClosed(5s));
    EXPECT_EQ(form.settle(), Drive::Ok);
    EXPECT_EQ(form.shown("PRB:KOD"), "1");
    EXPECT_EQ(form.shown("NAME_M"), W("Золото"));

    EXPECT_EQ(form.press(W("Выбрать")), Drive::Ok);
    metals = window("Справочник драгметаллов");
    ASSERT_TRUE(metals);
    EXPECT_EQ(metals.selectRow(kRefList, 2), Drive::Ok);
    EXPECT_EQ(metals.press(kRefSelect), Drive::Ok);
    EXPECT_TRUE(metals.waitClosed(5s));
    EXPECT_EQ(form.settle(), Drive::Ok);
    EXPECT_EQ(form.shown("PRB:KOD"), "2");
    EXPECT_EQ(form.shown("NAME_M"), W("Серебро"));

    // A code typed after the choice is the one kept; an unknown metal shows no name.
    EXPECT_EQ(form.type("PRB:KOD", "7"), Drive::Ok);
    EXPECT_EQ(form.shown("PRB:KOD"), "7");
    EXPECT_EQ(form.shown("NAME_M"), "");
    EXPECT_EQ(form.type("PRB:KOD", "2"), Drive::Ok);
    EXPECT_EQ(form.shown("NAME_M"), W("Серебро"));
    EXPECT_EQ(form.press("OK"), Drive::Ok);
    EXPECT_TRUE(form.waitClosed(5s));
    EXPECT_EQ(list.settle(), Drive::Ok);
    EXPECT_EQ(rows(list),
              (std::vector<std::string>{"2|Серебро|583|2950.00", "2|Серебро|875|33.00"}));
    EXPECT_EQ(list.press(kRefClose), Drive::Ok);
    EXPECT_TRUE(run.join());
    EXPECT_EQ(prices(), (std::vector<std::string>{"2|583|2950.000000", "2|875|33.000000"}));
}
