// The lists of the reference tables: their order, columns and pictures, the metal
// name of each price row, the filter of PRB_TAB by the pledge's metal, and the
// hand-back of a chosen row (nothing when the list is closed without a choice).
#include "pledges/reference_list.h"
#include "pledges/reference_procedures.h"
#include "reference_records.h"

using namespace kwref;
using kw::pledges::kRefChange;
using kw::pledges::kRefClose;
using kw::pledges::kRefDelete;
using kw::pledges::kRefInsert;
using kw::pledges::kRefList;
using kw::pledges::kRefSelect;

namespace {

class ReferenceListTest : public ReferenceTest {
  protected:
    void SetUp() override {
        ReferenceTest::SetUp();
        addRecords(kw::dict::metTable(), MET,
                   {met(2, "Серебро"), met(1, "Золото"), met(3, "Платина")});
        addRecords(kw::dict::prbTable(), PRB,
                   {prb(1, 583, 2950), prb(2, 875, 33), prb(1, 375, 1900), prb(4, 999, 7.5),
                    prb(2, 925, 35.25)});
    }

    // Opens `procedure` for a pledge of metal `metal` (its ZAL record on the thread).
    WindowDriver open(ProcedureRun& run, void (*procedure)(), const char* title, uint8_t request,
                      uint8_t metal = 0) {
        start(run, procedure, request, [metal] {
            ZAL = kw::dict::ZalRecord{};
            ZAL.MET = metal;
        });
        return window(title);
    }

    static void close(WindowDriver& w, ProcedureRun& run) {
        EXPECT_EQ(w.press(kRefClose), Drive::Ok);
        EXPECT_TRUE(run.join());
    }
};

}  // namespace

TEST_F(ReferenceListTest, MetalsInCodeOrderWithTheSelectButtonOnlyForACallerThatSelects) {
    ProcedureRun run;
    WindowDriver w = open(run, MET_TAB, "Справочник драгметаллов", 0);
    ASSERT_TRUE(w);
    EXPECT_EQ(rows(w), (std::vector<std::string>{"1|Золото", "2|Серебро", "3|Платина"}));
    EXPECT_TRUE(w.hidden(kRefSelect));
    close(w, run);
    EXPECT_EQ(run.response, kw::resp::Cancelled);

    ProcedureRun selecting;
    w = open(selecting, MET_TAB, "Справочник драгметаллов", kw::req::Select);
    ASSERT_TRUE(w);
    EXPECT_FALSE(w.hidden(kRefSelect));
    close(w, selecting);
}

TEST_F(ReferenceListTest, ChoosingAMetalHandsItsCodeBackAndClosingWithoutAChoiceLeavesZero) {
    KOD_M = 7;  // left by an earlier choice
    ProcedureRun run;
    WindowDriver w = open(run, MET_TAB, "Справочник драгметаллов", kw::req::Select);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.selectRow(kRefList, 3), Drive::Ok);
    EXPECT_EQ(w.press(kRefSelect), Drive::Ok);
    EXPECT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Completed);
    EXPECT_EQ(KOD_M, 3);

    // Enter on the list chooses too.
    w = open(run, MET_TAB, "Справочник драгметаллов", kw::req::Select);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.selectRow(kRefList, 2), Drive::Ok);
    EXPECT_EQ(w.key(kRefList, kw::ui::key::Enter), Drive::Ok);
    EXPECT_TRUE(run.join());
    EXPECT_EQ(KOD_M, 2);

    w = open(run, MET_TAB, "Справочник драгметаллов", kw::req::Select);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.selectRow(kRefList, 3), Drive::Ok);
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    EXPECT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Cancelled);
    EXPECT_EQ(KOD_M, 0);
}

TEST_F(ReferenceListTest, ThePricesOfEveryMetalShowTheMetalNameAndABlankOneForAMissingMetal) {
    ProcedureRun run;
    WindowDriver w = open(run, MET_ZEN_TAB, "Цены за грамм драгметалла", 0);
    ASSERT_TRUE(w);
    EXPECT_EQ(rows(w), (std::vector<std::string>{"1|Золото|375|1900.00", "1|Золото|583|2950.00",
                                                 "2|Серебро|875|33.00", "2|Серебро|925|35.25",
                                                 "4||999|7.50"}));
    EXPECT_TRUE(w.hidden(kRefSelect));
    close(w, run);
}

TEST_F(ReferenceListTest, ThePricesToChooseFromAreThoseOfThePledgesMetal) {
    ProcedureRun run;
    WindowDriver w = open(run, PRB_TAB, "Цены за грамм драгметалла", kw::req::Select, 2);
    ASSERT_TRUE(w);
    EXPECT_EQ(rows(w), (std::vector<std::string>{"2|Серебро|875|33.00", "2|Серебро|925|35.25"}));
    EXPECT_EQ(w.find(W("Добавить")), 0);
    EXPECT_EQ(w.find(W("Изменить")), 0);
    // Its delete button does nothing.
    EXPECT_EQ(w.press(kRefDelete), Drive::Ok);
    EXPECT_EQ(rows(w).size(), 2u);
    EXPECT_EQ(boxes.shown().size(), 0u);
    EXPECT_EQ(w.selectRow(kRefList, 2), Drive::Ok);
    EXPECT_EQ(w.press(kRefSelect), Drive::Ok);
    EXPECT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Completed);
    EXPECT_EQ(PROBA, 925);
    EXPECT_DOUBLE_EQ(Z1G, 35.25);

    // A metal without prices: an empty list, and nothing to hand back.
    PROBA = 583;
    Z1G = 2950;
    w = open(run, PRB_TAB, "Цены за грамм драгметалла", kw::req::Select, 3);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.rows(kRefList), 0);
    EXPECT_EQ(w.closeBox(), Drive::Ok);
    EXPECT_TRUE(run.join());
    EXPECT_EQ(run.response, kw::resp::Cancelled);
    EXPECT_EQ(PROBA, 0);
    EXPECT_EQ(Z1G, 0);
}

TEST_F(ReferenceListTest, ThePriceListGivesTheCallersMetalRecordBack) {
    // The names of the rows are read through MET; the pledge form's MET stays its own.
    uint8_t kod = 0;
    std::string name;
    ProcedureRun run;
    run.number = kw::proc::start([&] {
        ZAL = kw::dict::ZalRecord{};
        ZAL.MET = 1;
        MET = met(9, "Своё");
        GlobalRequest = kw::req::Select;
        PRB_TAB();
        kod = MET.KOD;
        name = MET.NAME.clip();
    });
    WindowDriver w = window("Цены за грамм драгметалла");
    ASSERT_TRUE(w);
    EXPECT_EQ(w.rows(kRefList), 2);
    EXPECT_EQ(w.press(kRefSelect), Drive::Ok);
    EXPECT_TRUE(run.join());
    EXPECT_EQ(kod, 9);
    EXPECT_EQ(name, W("Своё"));
}

TEST_F(ReferenceListTest, StonesAndItemKindsHandBackTheirCodes) {
    addRecords(kw::dict::kamTable(), KAM, {kam(2, "Изумруд", 5000), kam(1, "Бриллиант", 15000)});
    addRecords(kw::dict::izdTable(), IZD, {izd(5, "Цепочка"), izd(1, "Кольцо")});
    ProcedureRun run;
    WindowDriver w = open(run, KAM_TAB, "Цены за карат драг.комней", kw::req::Select);
    ASSERT_TRUE(w);
    EXPECT_EQ(rows(w), (std::vector<std::string>{"1|Бриллиант|15000.00", "2|Изумруд|5000.00"}));
    EXPECT_EQ(w.selectRow(kRefList, 2), Drive::Ok);
    EXPECT_EQ(w.press(kRefSelect), Drive::Ok);
    EXPECT_TRUE(run.join());
    EXPECT_EQ(KOD_K, 2);

    w = open(run, IZD_TAB, "Справочник типовых изделий", kw::req::Select);
    ASSERT_TRUE(w);
    EXPECT_EQ(rows(w), (std::vector<std::string>{"1|Кольцо", "5|Цепочка"}));
    EXPECT_EQ(w.selectRow(kRefList, 2), Drive::Ok);
    EXPECT_EQ(w.key(kRefList, kw::ui::key::DoubleClick), Drive::Ok);
    EXPECT_TRUE(run.join());
    EXPECT_EQ(K_IZD, 5);

    K_IZD = 4;
    KOD_K = 4;
    w = open(run, IZD_TAB, "Справочник типовых изделий", kw::req::Select);
    ASSERT_TRUE(w);
    EXPECT_EQ(w.press(kRefClose), Drive::Ok);
    EXPECT_TRUE(run.join());
    EXPECT_EQ(K_IZD, 0);
    EXPECT_EQ(KOD_K, 4);  // another list's global is left alone
}
