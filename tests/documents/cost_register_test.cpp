// The register of the full cost ("Реестр ПСК") over the November of the report data
// set: every loan and prolongation of the period once, deleted pledges left out, the
// limit in force on each date, the period's highest and average cost, figured by hand.
#include "documents/cost_register.h"

#include <gtest/gtest.h>

#include "dictionary/psk.h"
#include "order_test_util.h"

namespace {

using namespace kwreport;

class CostRegister : public ReportTest {
  protected:
    void TearDown() override {
        D1 = D2 = 0;
        ReportTest::TearDown();
    }
};

// The texts of the row of `ticket` and `kind` on the first page.
std::vector<std::string> rowOf(const kw::report::Document& d, const std::string& ticket,
                               const char* kindUtf8) {
    for (const auto& page : d.pages)
        for (const auto& i : page.items) {
            if (i.kind != kw::report::ItemKind::Text || i.text != kw::W(kindUtf8)) continue;
            std::vector<std::pair<float, std::string>> line;
            for (const auto& o : page.items)
                if (o.kind == kw::report::ItemKind::Text && std::abs(o.y - i.y) < 0.1)
                    line.emplace_back(o.x, kw::cp::toUtf8(o.text));
            std::sort(line.begin(), line.end());
            std::vector<std::string> texts;
            for (const auto& [x, t] : line) texts.push_back(t);
            if (texts.size() > 1 && texts[1] == ticket) return texts;
        }
    return {};
}

TEST_F(CostRegister, NovemberListsEveryLoanAndProlongationWithItsCostAndTheLimitInForce) {
    kw::dict::PskRecord r;
    r.DATA = day(1, 10, 2025);
    r.LIM = 350;
    kwticket::addRecord(kw::dict::pskTable(), r);
    r.DATA = day(15, 11, 2025);
    r.LIM = 300.5;
    kwticket::addRecord(kw::dict::pskTable(), r);
    D1 = day(1, 11, 2025);
    D2 = day(30, 11, 2025);
    const auto doc = runReport(PR_PSK);
    ASSERT_TRUE(doc);
    expectGolden("psk_register_november.txt", documentText(*doc));
    // Loans: 30 days at 0.5 % on the loan and 0.1 % on twice the loan: 1 001 lends
    // 5 000 and pays out 3 950, 1 050 / 3 950 x 365 / 30 x 100 = 323.418.
    EXPECT_EQ(rowOf(*doc, "1001", "выдача"),
              (std::vector<std::string>{"01.11.2025", "1001", "выдача", "Клиентов Пётр 1001", "30",
                                        "3950.00", "1050.00", "323.418", "350.000"}));
    // Prolongations: 30 days of 40 + 16 a day on 8 000: 1 680, 255.5 %; the limit of
    // 15.11 in force from then on.
    EXPECT_EQ(rowOf(*doc, "1002", "перезалог 1"),
              (std::vector<std::string>{"10.11.2025", "1002", "перезалог 1", "Клиентов Пётр 1002",
                                        "30", "8000.00", "1680.00", "255.500", "350.000"}));
    EXPECT_EQ(rowOf(*doc, "1012", "перезалог 2"),
              (std::vector<std::string>{"30.11.2025", "1012", "перезалог 2", "Клиентов Пётр 1012",
                                        "30", "9000.00", "1890.00", "255.500", "300.500"}));
    EXPECT_EQ(rowOf(*doc, "1007", "выдача"), std::vector<std::string>{}) << "deleted";
    EXPECT_EQ(rowOf(*doc, "1013", "перезалог 1"), std::vector<std::string>{}) << "October";
    // 1001, 1004, 1010 lent at 323.418; 1002, 1003 (3rd), 1012 (1st and 2nd) at 255.5.
    EXPECT_EQ(kworder::valueAfter(*doc, "Всего операций:"), "7");
    EXPECT_EQ(kworder::valueAfter(*doc, "Наибольшая ПСК за период, % годовых:"), "323.418");
    // (3 x 323.418 + 4 x 255.5) / 7 = 284.6077.
    EXPECT_EQ(kworder::valueAfter(*doc, "Средняя ПСК за период, % годовых:"), "284.608");
}

TEST_F(CostRegister, WithoutLimitsTheLimitColumnSaysNone) {
    D1 = day(1, 11, 2025);
    D2 = day(30, 11, 2025);
    const auto doc = runReport(PR_PSK);
    ASSERT_TRUE(doc);
    const auto row = rowOf(*doc, "1004", "выдача");
    ASSERT_EQ(row.size(), 9u);
    EXPECT_EQ(row[8], "-");
}

}  // namespace
