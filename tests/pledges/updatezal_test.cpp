// The new-pledge form through the day's list, as the operator works it: the appraisal,
// the loan arithmetic of the worked example and its edge cases, the ticket number, what
// is written and what a cancel leaves, bad input.
#include <cmath>

#include "pledges/pledge_procedures.h"
#include "rules/pledge_state.h"
#include "runtime/report.h"
#include "zal_fixture.h"

namespace kwpledge {
namespace {

class UpdateZalTest : public PledgeTest {
  protected:
    void SetUp() override {
        PledgeTest::SetUp();
        workedLoanDay();
    }

    // The day's list with the new-pledge form open on insert.
    WindowDriver openNew() {
        run(ZAL_TAB);
        list = window("Залоговые ссуды за день");
        EXPECT_TRUE(list);
        EXPECT_EQ(list.press(W("Добавить")), Drive::Ok);
        WindowDriver f = window("Добавить ???");
        EXPECT_TRUE(f);
        return f;
    }
    // Presses a button that opens RAS and closes RAS with OK.
    static void calculateWith(WindowDriver& form, const char* utf8Button) {
        ASSERT_EQ(form.press(W(utf8Button)), Drive::Ok);
        WindowDriver ras = window("Расчет параметров ссуды");
        ASSERT_TRUE(ras);
        ASSERT_EQ(ras.press("OK"), Drive::Ok);
        ASSERT_EQ(form.settle(), Drive::Ok);
    }

    WindowDriver list;
};

TEST_F(UpdateZalTest, WorkedExamplePaysOut6500AndWritesThePledgeInStateZero) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    EXPECT_EQ(f.shown("ZAL:N_KV"), "1001") << "KBP:S_N 1000, an empty file";
    EXPECT_EQ(f.shown("ZAL:DATA"), "08.12.2025");
    EXPECT_EQ(f.shown("ZAL:PROB"), "583");
    EXPECT_EQ(f.shown("ZAL:Z1G"), "1000.00");
    EXPECT_EQ(f.shown("MET_N"), W("Золото"));
    EXPECT_EQ(f.shown("OPER"), W("Кузнецов Павел Андреевич"));
    EXPECT_EQ(f.shown("ZAL:P_CC_D"), "") << "no appraisal yet: no band";
    ASSERT_EQ(f.type("ZAL:FIO", W("Сидоров Пётр")), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:VEC_CH"), "10.000000");
    EXPECT_EQ(f.shown("ZAL:S_OZEN"), "10000.00");
    EXPECT_EQ(f.shown("ZAL:P_CC_D"), "0.500000") << "band 2";
    EXPECT_EQ(f.shown("ZAL:S_CCYD"), "8000.00");
    EXPECT_EQ(f.shown("ZAL:DATA_K"), "07.01.2026");
    EXPECT_EQ(f.shown("ZAL:S_P_S"), "1200.00");
    EXPECT_EQ(f.shown("ZAL:S_P_X"), "300.00");
    EXPECT_EQ(f.shown("ZAL:S_VID"), "6500.00");
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    EXPECT_TRUE(closeTicketDialog());
    ASSERT_EQ(list.settle(), Drive::Ok);
    EXPECT_EQ(list.shown("TOT_K"), "1");
    EXPECT_EQ(list.shown("TOT_V"), "6500.00");

    const auto z = zal();
    ASSERT_EQ(z.size(), 1u);
    EXPECT_EQ(z[0].N_KV, 1001);
    EXPECT_EQ(z[0].SOST, kw::pledges::kIssued);
    EXPECT_EQ(z[0].OPER, 6);
    EXPECT_EQ(z[0].DATA, kToday);
    EXPECT_EQ(z[0].DATA_K, kToday + 30);
    EXPECT_EQ(z[0].MET, 1);
    EXPECT_EQ(z[0].FIO.clip(), W("Сидоров Пётр"));
    EXPECT_DOUBLE_EQ(z[0].S_OZEN, 10000);
    EXPECT_DOUBLE_EQ(z[0].S_CCYD, 8000);
    EXPECT_DOUBLE_EQ(z[0].S_P_S, 1200);
    EXPECT_DOUBLE_EQ(z[0].S_P_X, 300);
    EXPECT_DOUBLE_EQ(z[0].S_VID, 6500);
    EXPECT_DOUBLE_EQ(z[0].PROZ_CC, 80);
    EXPECT_EQ(z[0].PRIM.clip(), W("Примечание")) << "the default note";
}

// 1.2345 g at 1000: appraisal 1234.50 (band 1, 0.6 %), loan 80 % = 987.60, interest
// 30 x 0.6 % x 987.60 = 177.768 -> 177.77, storage 30 x 0.1 % x 1234.50 = 37.035 ->
// 37.04, paid out 987.60 - 177.77 - 37.04 = 772.79 (at full precision it would be
// 772.797, shown 772.80: the ticket's lines would not add up).
TEST_F(UpdateZalTest, MoneyIsStoredInWholeKopecksAndThePaidOutLineAddsUp) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:FIO", W("Сидоров Пётр")), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:VEC", "1.2345"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:S_OZEN"), "1234.50");
    EXPECT_EQ(f.shown("ZAL:S_CCYD"), "987.60");
    EXPECT_EQ(f.shown("ZAL:S_P_S"), "177.77");
    EXPECT_EQ(f.shown("ZAL:S_P_X"), "37.04");
    EXPECT_EQ(f.shown("ZAL:S_VID"), "772.79");
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    EXPECT_TRUE(closeTicketDialog());

    // The data-file tool reads back whole kopecks, to the last digit; the weight and
    // the appraisal keep their full precision.
    const std::string cmd = std::string(KW_BINARY_DIR) + "/kestrowd-file dump ZAL.DAT > dump.csv";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream in("dump.csv");
    std::string header, row;
    ASSERT_TRUE(std::getline(in, header) && std::getline(in, row));
    auto split = [](const std::string& line) {
        std::vector<std::string> out;
        std::stringstream ss(line);
        for (std::string cell; std::getline(ss, cell, ',');) out.push_back(cell);
        return out;
    };
    const auto names = split(header), cells = split(row);
    auto column = [&](const char* name) {
        for (std::size_t i = 0; i < names.size() && i < cells.size(); ++i)
            if (names[i] == name) return cells[i];
        ADD_FAILURE() << name << " not dumped";
        return std::string();
    };
    EXPECT_EQ(column("VEC"), "1.2345");
    EXPECT_EQ(column("S_OZEN"), "1234.5");
    EXPECT_EQ(column("S_CCYD"), "987.6");
    EXPECT_EQ(column("S_P_S"), "177.77");
    EXPECT_EQ(column("S_P_X"), "37.04");
    EXPECT_EQ(column("S_VID"), "772.79");
    EXPECT_EQ(column("SOST"), "0");
    EXPECT_EQ(column("OPER"), "6");
}

TEST_F(UpdateZalTest, ReverseCalculationFromTheAmountPaidOut) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:S_VID", "6500"), Drive::Ok);
    calculateWith(f, "Пересчитать от суммы к выдаче");
    EXPECT_EQ(f.shown("ZAL:S_CCYD"), "8000.00") << "(300 + 6500) / (1 - 0.15)";
    EXPECT_EQ(f.shown("ZAL:S_P_S"), "1200.00");
    EXPECT_EQ(f.shown("ZAL:PROZ_CC"), "80.00");
    EXPECT_EQ(f.shown("ZAL:S_VID"), "6500.00");

    // 5100 to pay out: loan (300 + 5100) / 0.85 = 6352.94, interest 952.94, 63.53 %
    ASSERT_EQ(f.type("ZAL:S_VID", "5100"), Drive::Ok);
    calculateWith(f, "Пересчитать от суммы к выдаче");
    EXPECT_EQ(f.shown("ZAL:S_CCYD"), "6352.94");
    EXPECT_EQ(f.shown("ZAL:S_P_S"), "952.94");
    EXPECT_EQ(f.shown("ZAL:S_P_X"), "300.00");
    EXPECT_EQ(f.shown("ZAL:PROZ_CC"), "63.53");

    // Odd kopecks typed are paid out to the kopeck: (300 + 5123.45) / 0.85 = 6380.529..
    // -> 6380.53, interest 30 x 0.5 % x 6380.53 = 957.0795 -> 957.08, and 6380.53 -
    // 957.08 - 300 = 5123.45.
    ASSERT_EQ(f.type("ZAL:FIO", W("Сидоров Пётр")), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:S_VID", "5123.45"), Drive::Ok);
    calculateWith(f, "Пересчитать от суммы к выдаче");
    EXPECT_EQ(f.shown("ZAL:S_CCYD"), "6380.53");
    EXPECT_EQ(f.shown("ZAL:S_P_S"), "957.08");
    EXPECT_EQ(f.shown("ZAL:S_VID"), "5123.45");
    EXPECT_EQ(f.shown("MESSAGE"), "") << "the amounts match their inputs";
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    EXPECT_TRUE(closeTicketDialog());
    const auto z = zal();
    ASSERT_EQ(z.size(), 1u);
    EXPECT_EQ(z[0].S_CCYD, 6380.53);
    EXPECT_EQ(z[0].S_P_S, 957.08);
    EXPECT_EQ(z[0].S_P_X, 300);
    EXPECT_EQ(z[0].S_VID, 5123.45);
}

TEST_F(UpdateZalTest, ReverseCalculationThatCannotBeDoneComputesNothingAndSaysWhy) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    // 200 days at 0.5 %: the interest takes the whole loan
    ASSERT_EQ(f.type("ZAL:KOL_D", "200"), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:S_VID", "1000"), Drive::Ok);
    calculateWith(f, "Пересчитать от суммы к выдаче");
    EXPECT_EQ(f.shown("ZAL:S_CCYD"), "");
    EXPECT_EQ(f.shown("ZAL:S_P_S"), "");
    EXPECT_EQ(f.shown("MESSAGE"), W("Проценты за срок >= ссуды: нет расчета"));
}

TEST_F(UpdateZalTest, BandBoundariesTakeTheLastMatchingBandAndNoBandGivesNoInterest) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:VEC", "5"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:S_OZEN"), "5000.00");
    EXPECT_EQ(f.shown("ZAL:P_CC_D"), "0.500000") << "exactly 5000 is in band 2 too";
    // The rate follows the appraisal at the next calculation.
    ASSERT_EQ(f.type("ZAL:VEC", "20.00001"), Drive::Ok);
    calculateWith(f, "Рассчитать ???");
    EXPECT_EQ(f.shown("ZAL:S_OZEN"), "20000.01");
    EXPECT_EQ(f.shown("ZAL:P_CC_D"), "") << "above band 2, no band 3";
    EXPECT_EQ(f.shown("ZAL:S_P_S"), "");
    EXPECT_EQ(f.shown("ZAL:S_CCYD"), "16000.01");
}

TEST_F(UpdateZalTest, ATypedRateStaysThroughTheCalculation) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:P_CC_D", "0.2"), Drive::Ok);
    calculateWith(f, "Рассчитать ???");
    EXPECT_EQ(f.shown("ZAL:P_CC_D"), "0.200000");
    EXPECT_EQ(f.shown("ZAL:S_P_S"), "480.00") << "30 x 0.2 % x 8000";
}

// The stone value the form computed follows the stone's weight and price (a corrected
// weight no longer keeps the old value); one typed by hand stays.
TEST_F(UpdateZalTest, StonesTakeTheirWeightOffTheMetalAndATypedStoneAppraisalStays) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:VEC_K", "5"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:VEC_CH"), "9.000000") << "5 carats are 1 gram";
    ASSERT_EQ(f.type("ZAL:Z1K", "1500"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:OZ_K"), "7500.00") << "1500 a carat, 5 carats";
    ASSERT_EQ(f.type("ZAL:VEC_K", "2"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:OZ_K"), "3000.00") << "the form's value follows the corrected weight";
    ASSERT_EQ(f.type("ZAL:Z1K", "1000"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:OZ_K"), "2000.00") << "... and price";
    ASSERT_EQ(f.type("ZAL:Z1K", "1500"), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:OZ_K", "0"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:OZ_K"), "3000.00") << "1500 a carat, 2 carats";
    ASSERT_EQ(f.type("ZAL:OZ_K", "777"), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:VEC_K", "4"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:OZ_K"), "777.00") << "typed by hand: it stays";
    EXPECT_EQ(f.shown("ZAL:VEC_CH"), "9.200000");
    EXPECT_EQ(f.shown("ZAL:S_OZEN"), "9977.00") << "777 + 9.2 g x 1000";
}

TEST_F(UpdateZalTest, AChangedTermChangesNothingUntilTheCalculation) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:KOL_D", "10"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:S_VID"), "6500.00");
    EXPECT_EQ(f.shown("ZAL:DATA_K"), "07.01.2026");
    calculateWith(f, "Рассчитать ???");
    EXPECT_EQ(f.shown("ZAL:S_P_S"), "400.00");
    EXPECT_EQ(f.shown("ZAL:S_P_X"), "100.00");
    EXPECT_EQ(f.shown("ZAL:S_VID"), "7500.00");
    EXPECT_EQ(f.shown("ZAL:DATA_K"), "18.12.2025");
}

// OK refuses a pledge no loan can rest on, saying why in the message line and writing
// nothing: no client, no net weight, no appraisal, no loan, nothing (or less) to pay out.
TEST_F(UpdateZalTest, OkRefusesAPledgeWithoutClientWeightAppraisalLoanOrPayOut) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    auto refused = [&](const char* utf8Why) {
        ASSERT_EQ(f.press("OK"), Drive::Ok);
        ASSERT_EQ(f.settle(), Drive::Ok);
        EXPECT_TRUE(f.isOpen());
        EXPECT_EQ(f.shown("MESSAGE"), W(utf8Why));
        EXPECT_TRUE(zal().empty());
    };
    refused("Не указано ФИО клиента");
    ASSERT_EQ(f.type("ZAL:FIO", "   "), Drive::Ok);
    refused("Не указано ФИО клиента");
    ASSERT_EQ(f.type("ZAL:FIO", W("Сидоров Пётр")), Drive::Ok);
    refused("Вес чистый должен быть больше нуля");
    // 200 days: 200 x 40 interest and 200 x 10 storage out of a loan of 8000.
    ASSERT_EQ(f.type("ZAL:KOL_D", "200"), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:S_VID"), "-2000.00");
    refused("Сумма к выдаче должна быть больше нуля");
    // A loan typed away.
    ASSERT_EQ(f.type("ZAL:KOL_D", "30"), Drive::Ok);
    calculateWith(f, "Рассчитать ???");
    EXPECT_EQ(f.shown("ZAL:S_VID"), "6500.00");
    ASSERT_EQ(f.type("ZAL:S_CCYD", "0"), Drive::Ok);
    refused("Сумма ссуды должна быть больше нуля");
    ASSERT_EQ(f.type("ZAL:Z1G", "0"), Drive::Ok);
    calculateWith(f, "Рассчитать ???");
    refused("Сумма оценки должна быть больше нуля");
    // Stones heavier than the article: a negative net weight.
    ASSERT_EQ(f.type("ZAL:Z1G", "1000"), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:VEC_K", "60"), Drive::Ok);
    calculateWith(f, "Рассчитать ???");
    EXPECT_EQ(f.shown("ZAL:VEC_CH"), "-2.000000");
    refused("Вес чистый должен быть больше нуля");
    ASSERT_EQ(f.type("ZAL:VEC_K", "0"), Drive::Ok);
    calculateWith(f, "Рассчитать ???");
    EXPECT_EQ(f.shown("ZAL:S_VID"), "6500.00");
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    EXPECT_TRUE(closeTicketDialog());
    const auto z = zal();
    ASSERT_EQ(z.size(), 1u);
    EXPECT_DOUBLE_EQ(z[0].S_VID, 6500);
}

// The amounts are computed once; an input changed after that is said at once, OK
// refuses, and "Рассчитать ???" brings the amounts back in line. Weight 10 g first: loan
// 8000 fixed. Then a stone of 5 ct at 1000 a carat and 60 days: appraisal 5000 + 9 g x
// 1000 = 14000, loan 11200, interest 60 x 0.5 % x 11200 = 3360, storage 60 x 0.1 % x
// 14000 = 840, paid out 7000, end of term 60 days after issue.
TEST_F(UpdateZalTest, AnInputChangedAfterTheCalculationIsRefusedUntilCalculatedAgain) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:FIO", W("Сидоров Пётр")), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:S_CCYD"), "8000.00");
    EXPECT_EQ(f.shown("MESSAGE"), "");
    const std::string stale = W("Суммы не сходятся: нажмите Рассчитать");
    ASSERT_EQ(f.type("ZAL:VEC_K", "5"), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:Z1K", "1000"), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:KOL_D", "60"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:S_OZEN"), "14000.00");
    EXPECT_EQ(f.shown("ZAL:S_CCYD"), "8000.00") << "computed once";
    EXPECT_EQ(f.shown("MESSAGE"), stale);
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_EQ(f.settle(), Drive::Ok);
    EXPECT_TRUE(f.isOpen());
    EXPECT_EQ(f.shown("MESSAGE"), stale);
    EXPECT_TRUE(zal().empty());
    calculateWith(f, "Рассчитать ???");
    EXPECT_EQ(f.shown("MESSAGE"), "");
    EXPECT_EQ(f.shown("ZAL:S_CCYD"), "11200.00");
    EXPECT_EQ(f.shown("ZAL:S_VID"), "7000.00");

    // A rate typed afterwards, and a date taken in typed afterwards, likewise.
    ASSERT_EQ(f.type("ZAL:P_XR_D", "0.2"), Drive::Ok);
    EXPECT_EQ(f.shown("MESSAGE"), stale);
    ASSERT_EQ(f.type("ZAL:P_XR_D", "0.1"), Drive::Ok);
    EXPECT_EQ(f.shown("MESSAGE"), "") << "back to the inputs of the amounts";
    ASSERT_EQ(f.type("ZAL:DATA", "07.12.2025"), Drive::Ok);
    EXPECT_EQ(f.shown("MESSAGE"), stale);
    ASSERT_EQ(f.type("ZAL:DATA", "08.12.2025"), Drive::Ok);
    // An amount typed over a computed one does not follow from the inputs either.
    ASSERT_EQ(f.type("ZAL:S_CCYD", "12000"), Drive::Ok);
    EXPECT_EQ(f.shown("MESSAGE"), stale);
    calculateWith(f, "Рассчитать ???");
    // Typed but not left before OK: OK itself sees it.
    ASSERT_EQ(f.type("ZAL:VEC", "11", false), Drive::Ok);
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_EQ(f.settle(), Drive::Ok);
    EXPECT_EQ(f.shown("MESSAGE"), stale);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    EXPECT_TRUE(closeTicketDialog());
    const auto z = zal();
    ASSERT_EQ(z.size(), 1u);
    EXPECT_EQ(z[0].KOL_D, 60);
    EXPECT_EQ(z[0].DATA_K, kToday + 60);
    EXPECT_EQ(z[0].S_OZEN, 14000);
    EXPECT_EQ(z[0].S_CCYD, 11200);
    EXPECT_EQ(z[0].S_P_S, 3360);
    EXPECT_EQ(z[0].S_P_X, 840);
    EXPECT_EQ(z[0].S_VID, 7000);
}

TEST_F(UpdateZalTest, CancelLeavesTheFileByteForByte) {
    pledges({pledge(1001, kToday)});
    const std::string before = bytesOf("ZAL.DAT");
    run(ZAL_TAB);
    list = window("Залоговые ссуды за день");
    ASSERT_TRUE(list);
    ASSERT_EQ(list.press(W("Изменить")), Drive::Ok);
    WindowDriver f = window("Изменить ???");
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:VEC", "55"), Drive::Ok);
    // Work typed into the form is not thrown away unasked; the answer yes closes it.
    boxes.answer(kw::msgbox::Yes);
    ASSERT_EQ(f.press(W("Закрыть")), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.find(W("без сохранения")), std::string::npos);
    EXPECT_EQ(boxes.shown()[0].defaultButton, kw::msgbox::No) << "the default keeps the form";
    EXPECT_EQ(bytesOf("ZAL.DAT"), before);

    ASSERT_EQ(list.press(W("Добавить")), Drive::Ok);
    f = window("Добавить ???");
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    boxes.answer(kw::msgbox::Yes);
    ASSERT_EQ(f.closeBox(), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    EXPECT_EQ(bytesOf("ZAL.DAT"), before);
}

TEST_F(UpdateZalTest, TicketNumbersFollowTheCountAndNeverRepeat) {
    // Two pledges, the first deleted by another station: the count says 1002, which is
    // still held, so the next free number is taken.
    pledges({pledge(1001, kToday), pledge(1002, kToday)});
    onThread(62, [] {
        kw::storage::File f(kw::dict::zalTable());
        ASSERT_TRUE(f.open().ok());
        ASSERT_TRUE(f.next().ok());
        ASSERT_EQ(ZAL.N_KV, 1001);
        ASSERT_TRUE(f.remove().ok());
        ASSERT_TRUE(f.close().ok());
    });
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    EXPECT_EQ(f.shown("ZAL:N_KV"), "1003");
}

TEST_F(UpdateZalTest, ANumberTakenMeanwhileByAnotherStationIsNotStoredTwice) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    EXPECT_EQ(f.shown("ZAL:N_KV"), "1001");
    ASSERT_EQ(f.type("ZAL:FIO", W("Сидоров Пётр")), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    pledges({pledge(1001, kToday)});  // another station issues 1001 first
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    EXPECT_NE(boxText().find(W("1001 уже занят")), std::string::npos) << boxText();
    ASSERT_EQ(boxes.reply("OK"), Drive::Ok);
    EXPECT_TRUE(f.isOpen()) << "the operator prints the new number first";
    EXPECT_EQ(f.shown("ZAL:N_KV"), "1002");
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    EXPECT_TRUE(closeTicketDialog());
    const auto z = zal();
    ASSERT_EQ(z.size(), 2u);
    EXPECT_EQ(z[0].N_KV, 1001);
    EXPECT_EQ(z[1].N_KV, 1002);
    EXPECT_DOUBLE_EQ(z[1].S_VID, 6500);
}

TEST_F(UpdateZalTest, ADayClosedWhileTheFormIsOpenRefusesTheWrite) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:FIO", W("Сидоров Пётр")), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    onThread(62, [] {  // another station closes the day
        kw::storage::File d(kw::dict::dayTable());
        ASSERT_TRUE(d.open().ok());
        ASSERT_TRUE(d.next().ok());
        DAY.KAS = 100;
        DAY.OBO = 50;
        ASSERT_TRUE(d.put().ok());
        ASSERT_TRUE(d.close().ok());
    });
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    EXPECT_EQ(boxText(), W("День ломбарда закрыт"));
    ASSERT_EQ(boxes.reply("OK"), Drive::Ok);
    EXPECT_TRUE(f.isOpen());
    EXPECT_TRUE(zal().empty());
}

TEST_F(UpdateZalTest, BadInputIsRefusedWithAMessageAndChangesNothing) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:FIO", W("Сидоров Пётр")), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    // Each refusal is said in the message line; the text stays as typed, in focus.
    EXPECT_EQ(f.type("ZAL:VEC", "abc"), Drive::Ok);
    EXPECT_EQ(f.shown("MESSAGE"), W("Нужно число, введено: abc"));
    EXPECT_EQ(f.shown("ZAL:VEC"), "abc");
    EXPECT_EQ(f.focused(), f.findUse("ZAL:VEC"));
    EXPECT_EQ(f.shown("ZAL:S_OZEN"), "10000.00") << "the weight kept its value";
    EXPECT_EQ(f.type("ZAL:DATA", "31.02.2025"), Drive::Ok);
    EXPECT_EQ(f.shown("MESSAGE"), W("Нет такой даты: 31.02.2025"));
    EXPECT_EQ(f.shown("ZAL:DATA"), "31.02.2025");
    EXPECT_EQ(f.type("ZAL:KOL_D", "40000"), Drive::Ok);
    EXPECT_EQ(f.shown("MESSAGE"), W("Значение не помещается в поле")) << "the term is a SHORT";
    EXPECT_EQ(f.shown("ZAL:DATA_K"), "07.01.2026");
    // OK stores nothing while a refused text stands: it stops at the first one.
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    EXPECT_TRUE(f.isOpen());
    EXPECT_EQ(f.focused(), f.findUse("ZAL:DATA")) << "the first refused field in the form's order";
    EXPECT_TRUE(zal().empty());
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:DATA", "08.12.2025"), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:KOL_D", "30"), Drive::Ok);
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    EXPECT_TRUE(closeTicketDialog());
    const auto z = zal();
    ASSERT_EQ(z.size(), 1u);
    EXPECT_EQ(z[0].KOL_D, 30);
    EXPECT_EQ(z[0].DATA, kToday);
}

TEST_F(UpdateZalTest, StonesHeavierThanTheItemShowANegativeNetWeight) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:VEC", "1"), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:VEC_K", "10"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:VEC_CH"), "-1.000000");
    EXPECT_EQ(f.shown("ZAL:S_OZEN"), "-1000.00");
}

TEST_F(UpdateZalTest, APledgeWithoutATicketNumberIsNotWritten) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:FIO", W("Сидоров Пётр")), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:N_KV", "0", false), Drive::Ok);  // typed, not yet left
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    EXPECT_TRUE(f.isOpen());
    EXPECT_EQ(f.shown("MESSAGE"), W("Не указан номер квитанции"));
    EXPECT_TRUE(zal().empty());
}

TEST_F(UpdateZalTest, ARememberedClientIsAddedOnce) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.press(W("Запомнить клиента")), Drive::Ok);
    EXPECT_EQ(f.shown("MESSAGE"), "") << "blank client: nothing";
    ASSERT_EQ(f.type("ZAL:FIO", W("Сидоров Пётр")), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:ADR", W("ул. Мира, 1")), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:PAS", "1234 567890"), Drive::Ok);
    ASSERT_EQ(f.press(W("Запомнить клиента")), Drive::Ok);
    EXPECT_EQ(f.shown("MESSAGE"), W("Задание выполнено"));
    ASSERT_EQ(f.press(W("Запомнить клиента")), Drive::Ok);
    EXPECT_EQ(f.shown("MESSAGE"), W("Клиент уже есть в списке"));
    int clients = 0;
    onThread(61, [&] {
        kw::storage::File p(kw::dict::pklTable());
        ASSERT_TRUE(p.open(kw::storage::kAccessRead | kw::storage::kDenyNone).ok());
        while (p.next().ok()) ++clients;
        (void)p.close();
    });
    EXPECT_EQ(clients, 1);
}

}  // namespace
}  // namespace kwpledge

namespace kwpledge {
namespace {

// The ticket of the pledge on the form, and once more from the window after OK.
TEST_F(UpdateZalTest, TheTicketPrintsThePledgeAsTheFormShowsItAndAgainAfterOk) {
    kw::report::setLastDocument(nullptr);
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:FIO", W("Сидоров Пётр Ильич")), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    ASSERT_EQ(f.press(W("Распечатать квитанцию")), Drive::Ok);
    WindowDriver preview = window("Report Preview");
    ASSERT_TRUE(preview);
    auto doc = kw::report::lastDocument();
    ASSERT_TRUE(doc);
    EXPECT_TRUE(doc->contains(W("Сидоров Пётр Ильич")));
    EXPECT_TRUE(doc->contains("1001"));
    EXPECT_TRUE(doc->contains("6500") || doc->contains("6 500")) << "the amount paid out";
    ASSERT_EQ(preview.closeBox(), Drive::Ok);
    ASSERT_TRUE(preview.waitClosed(5s));
    ASSERT_EQ(f.settle(), Drive::Ok);
    EXPECT_EQ(S_VID_G, 6500);
    // The form's refresh after the print took the printed client back as its own.
    EXPECT_EQ(FIO_G.clip(), W("Задание выполнено"));
    EXPECT_EQ(f.shown("ZAL:FIO"), W("Сидоров Пётр Ильич"));

    ASSERT_FALSE(f.isBlocked()) << kw::script::windows().back().title();
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    kw::report::setLastDocument(nullptr);
    WindowDriver again = window("печать билета");
    ASSERT_TRUE(again);
    ASSERT_EQ(again.press(W("Распечатать билет")), Drive::Ok);
    preview = window("Report Preview");
    ASSERT_TRUE(preview);
    doc = kw::report::lastDocument();
    ASSERT_TRUE(doc);
    std::string texts;
    for (const auto& page : doc->pages)
        for (const auto& item : page.items) texts += kw::cp::toUtf8(item.text) + "|";
    EXPECT_TRUE(doc->contains("1001")) << texts;
    ASSERT_EQ(preview.closeBox(), Drive::Ok);
}

}  // namespace
}  // namespace kwpledge

namespace kwpledge {
namespace {

// The choose buttons with the reference lists and the client list behind them.
class UpdateZalChoiceTest : public UpdateZalTest {
  protected:
    void SetUp() override {
        UpdateZalTest::SetUp();
        price(2, 583, 60);
        price(2, 925, 90);
        kw::dict::KamRecord k;
        k.KOD = 1;
        k.NAME = W("Бриллиант");
        k.ZEN = 1500;
        add(kw::dict::kamTable(), std::vector{k});
        kw::dict::PklRecord c;
        c.FIO = W("Орлова Мария Викторовна");
        c.ADR = W("г. Вологда, ул. Мира, 3");
        c.PAS = "1905 654321";
        add(kw::dict::pklTable(), std::vector{c});
    }
    // Opens the list behind `utf8Button` of the form, chooses `row` with its select
    // button, or closes it without a choice (row 0).
    static void choose(WindowDriver& form, int button, const char* utf8Title, int row) {
        ASSERT_EQ(form.press(button), Drive::Ok);
        WindowDriver l = window(utf8Title);
        ASSERT_TRUE(l);
        if (row > 0) {
            ASSERT_EQ(l.selectRow(1, row), Drive::Ok);
            ASSERT_EQ(l.press(W("Выбрать")), Drive::Ok);
        } else {
            ASSERT_EQ(l.closeBox(), Drive::Ok);
        }
        ASSERT_TRUE(l.waitClosed(5s));
        ASSERT_EQ(form.settle(), Drive::Ok);
    }
    // The n-th button labelled "<-Выбрать" of the form (1 metal, 2 fineness, 3 stone).
    static int chooseButton(const WindowDriver& f, int n) {
        int seen = 0;
        for (int c : f.controls())
            if (f.shown(c) == W("<-Выбрать") && ++seen == n) return c;
        return 0;
    }
};

TEST_F(UpdateZalChoiceTest, AChosenMetalBringsItsOwnDefaultPrice) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    EXPECT_EQ(f.shown("ZAL:Z1G"), "1000.00") << "metal 1 at 583";
    choose(f, chooseButton(f, 1), "Справочник драгметаллов", 2);
    EXPECT_EQ(f.shown("MET_N"), W("Серебро"));
    EXPECT_EQ(f.shown("ZAL:PROB"), "583");
    EXPECT_EQ(f.shown("ZAL:Z1G"), "60.00") << "metal 2's price, not metal 1's";
    // The fineness list shows metal 2's rows only; 925 replaces both.
    ASSERT_EQ(f.press(chooseButton(f, 2)), Drive::Ok);
    WindowDriver prices = window("Цены за грамм драгметалла");
    ASSERT_TRUE(prices);
    EXPECT_EQ(prices.rows(1), 2);
    ASSERT_EQ(prices.selectRow(1, 2), Drive::Ok);
    ASSERT_EQ(prices.press(W("Выбрать")), Drive::Ok);
    ASSERT_TRUE(prices.waitClosed(5s));
    ASSERT_EQ(f.settle(), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:PROB"), "925");
    EXPECT_EQ(f.shown("ZAL:Z1G"), "90.00");
}

// A value typed after a choice from a list stays: the refresh after the entry no
// longer puts the chosen value back. Row (1, 750, 1500), then 1200 a gram typed: 10 g
// are appraised at 12000, not 15000.
TEST_F(UpdateZalChoiceTest, AValueTypedAfterAChoiceStays) {
    price(1, 750, 1500);
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.press(chooseButton(f, 2)), Drive::Ok);
    WindowDriver prices = window("Цены за грамм драгметалла");
    ASSERT_TRUE(prices);
    ASSERT_EQ(prices.selectRow(1, 2), Drive::Ok);
    ASSERT_EQ(prices.press(W("Выбрать")), Drive::Ok);
    ASSERT_TRUE(prices.waitClosed(5s));
    ASSERT_EQ(f.settle(), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:PROB"), "750");
    EXPECT_EQ(f.shown("ZAL:Z1G"), "1500.00");
    ASSERT_EQ(f.type("ZAL:Z1G", "1200"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:Z1G"), "1200.00");
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:Z1G"), "1200.00");
    EXPECT_EQ(f.shown("ZAL:S_OZEN"), "12000.00");
    EXPECT_EQ(f.shown("ZAL:PROB"), "750");
    ASSERT_EQ(f.type("ZAL:PROB", "585"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:PROB"), "585");
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:PROB"), "585") << "not back to the chosen 750";
    EXPECT_EQ(f.shown("ZAL:Z1G"), "1200.00");

    // A stone's price typed after its choice: 2 ct at 1000 instead of 1500.
    choose(f, chooseButton(f, 3), "Цены за карат драг.комней", 1);
    EXPECT_EQ(f.shown("ZAL:Z1K"), "1500.000000");
    ASSERT_EQ(f.type("ZAL:Z1K", "1000"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:Z1K"), "1000.000000");
    ASSERT_EQ(f.type("ZAL:VEC_K", "2"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:Z1K"), "1000.000000");
    EXPECT_EQ(f.shown("ZAL:OZ_K"), "2000.00");
    EXPECT_EQ(f.shown("KAM_N"), W("Бриллиант"));

    // What is written is what the form shows: 2000 + 9.6 g x 1200 = 13520.
    ASSERT_EQ(f.type("ZAL:FIO", W("Сидоров Пётр")), Drive::Ok);
    calculateWith(f, "Рассчитать ???");
    EXPECT_EQ(f.shown("ZAL:S_OZEN"), "13520.00");
    ASSERT_EQ(f.press("OK"), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    EXPECT_TRUE(closeTicketDialog());
    const auto z = zal();
    ASSERT_EQ(z.size(), 1u);
    EXPECT_EQ(z[0].PROB, 585);
    EXPECT_EQ(z[0].Z1G, 1200);
    EXPECT_EQ(z[0].Z1K, 1000);
    EXPECT_EQ(z[0].OZ_K, 2000);
    EXPECT_EQ(z[0].KAM, 1);
    EXPECT_EQ(z[0].S_OZEN, 13520);
}

TEST_F(UpdateZalChoiceTest, ClosingAListWithoutAChoiceLeavesThePledgeAsItWas) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    ASSERT_EQ(f.type("ZAL:VEC", "10"), Drive::Ok);
    ASSERT_EQ(f.type("ZAL:OP_IZ", W("Кольцо с камнем")), Drive::Ok);
    choose(f, chooseButton(f, 3), "Цены за карат драг.комней", 1);
    EXPECT_EQ(f.shown("KAM_N"), W("Бриллиант"));
    EXPECT_EQ(f.shown("ZAL:Z1K"), "1500.000000");
    ASSERT_EQ(f.type("ZAL:VEC_K", "2"), Drive::Ok);
    EXPECT_EQ(f.shown("ZAL:OZ_K"), "3000.00");

    choose(f, chooseButton(f, 1), "Справочник драгметаллов", 0);
    choose(f, chooseButton(f, 2), "Цены за грамм драгметалла", 0);
    choose(f, chooseButton(f, 3), "Цены за карат драг.комней", 0);
    choose(f, f.find(W("Выбрать ^")), "Справочник типовых изделий", 0);
    EXPECT_EQ(f.shown("MET_N"), W("Золото"));
    EXPECT_EQ(f.shown("ZAL:Z1G"), "1000.00");
    EXPECT_EQ(f.shown("ZAL:OZ_K"), "3000.00") << "the stone keeps its appraisal";
    EXPECT_EQ(f.shown("ZAL:OP_IZ"), W("Кольцо с камнем"));
    EXPECT_EQ(f.shown("ZAL:S_OZEN"), "12600.00") << "3000 + 9.6 g x 1000";
}

TEST_F(UpdateZalChoiceTest, AChosenClientFillsThePledgeAndClosingTheListChangesNothing) {
    WindowDriver f = openNew();
    ASSERT_TRUE(f);
    EXPECT_EQ(f.shown("ZAL:FIO"), "") << "blank hand-over globals at start copy nothing";
    const int chooseClient = f.find(W("Выбрать клиента"));
    choose(f, chooseClient, "Список постоянных клиентов", 1);
    EXPECT_EQ(f.shown("ZAL:FIO"), W("Орлова Мария Викторовна"));
    EXPECT_EQ(f.shown("ZAL:ADR"), W("г. Вологда, ул. Мира, 3"));
    EXPECT_EQ(f.shown("ZAL:PAS"), "1905 654321");
    choose(f, chooseClient, "Список постоянных клиентов", 0);
    EXPECT_EQ(f.shown("ZAL:FIO"), W("Орлова Мария Викторовна")) << "closed without a choice";
    EXPECT_EQ(f.shown("ZAL:PAS"), "1905 654321");
}

TEST_F(UpdateZalChoiceTest, APledgeOpenedForChangeKeepsItsClientAfterAnotherTicketWasPrinted) {
    pledges({pledge(1001, kToday, 0, 1000, "Первый Клиент")});
    FIO_G = W("Клиент Другой Квитанции");  // the client of a ticket printed before
    ADR_G = W("где-то");
    PAS_G = "0000";
    run(ZAL_TAB);
    list = window("Залоговые ссуды за день");
    ASSERT_TRUE(list);
    ASSERT_EQ(list.press(W("Изменить")), Drive::Ok);
    WindowDriver f = window("Изменить ???");
    ASSERT_TRUE(f);
    EXPECT_EQ(f.shown("ZAL:FIO"), W("Первый Клиент"));
    ASSERT_EQ(f.press(W("Закрыть")), Drive::Ok);
    ASSERT_TRUE(f.waitClosed(5s));
    // A new pledge may start with that client.
    ASSERT_EQ(list.press(W("Добавить")), Drive::Ok);
    f = window("Добавить ???");
    ASSERT_TRUE(f);
    EXPECT_EQ(f.shown("ZAL:FIO"), W("Клиент Другой Квитанции"));
}

}  // namespace
}  // namespace kwpledge
