// The full cost of the loan on the ticket: printed in a box in the upper right corner
// of both copies only when the limits row in force says so; the figures of the
// pledge's last period; the largest type on the ticket; a twentieth of the copy at
// least; nothing of the ticket under it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "dictionary/psk.h"
#include "documents/print_globals.h"
#include "report_test_util.h"
#include "ticket_test_util.h"

namespace {

using namespace kwticket;
using kw::report::ItemKind;

class TicketCost : public TicketTest {
  protected:
    std::shared_ptr<const kw::report::Document> print(const kw::dict::ZalRecord& z) {
        std::shared_ptr<const kw::report::Document> doc;
        run([z] { kw::documents::printTicket(z); },
            [&] {
                kw::script::WindowDriver w = preview();
                ASSERT_TRUE(w);
                doc = kw::report::lastDocument();
                ASSERT_EQ(w.press("Exit"), kw::script::Drive::Ok);
            });
        return doc;
    }
    void limits(int32_t from, double limit, uint8_t ticket) {
        kw::dict::PskRecord r;
        r.DATA = from;
        r.LIM = limit;
        r.BIL = ticket;
        addRecord(kw::dict::pskTable(), r);
    }
};

std::vector<const kw::report::Drawn*> framesOf(const kw::report::Document& d) {
    std::vector<const kw::report::Drawn*> out;
    for (const auto& i : d.pages[0].items)
        if (i.kind == ItemKind::Box) out.push_back(&i);
    return out;
}

int count(const kw::report::Document& d, const char* utf8) {
    int n = 0;
    for (const auto& i : d.pages[0].items) n += i.kind == ItemKind::Text && i.text == W(utf8);
    return n;
}

TEST_F(TicketCost, WithoutARowOrWithTheFlagOffTheTicketHasNoBox) {
    auto doc = print(workedPledge());
    ASSERT_TRUE(doc);
    EXPECT_TRUE(framesOf(*doc).empty());
    EXPECT_FALSE(doc->contains(W("Полная стоимость")));
    limits(day(1, 1, 2025), 300, 0);
    doc = print(workedPledge());
    ASSERT_TRUE(doc);
    EXPECT_TRUE(framesOf(*doc).empty());
    EXPECT_FALSE(doc->contains(W("годовых")));
}

TEST_F(TicketCost, EachCopyCarriesTheCostOfTheLastPeriodInTheLargestTypeInAFramedCorner) {
    limits(day(1, 1, 2025), 300, 1);
    const auto doc = print(workedPledge());
    ASSERT_TRUE(doc);
    kwreport::expectGolden("ticket_full_cost.txt", kwreport::documentText(*doc));
    // Prolonged for 30 days on 3.11: interest 40 x 30 = 1 200, storage 16.60 x 30 =
    // 498, 1 698 on the loan of 8 000: 1 698 / 8 000 x 365 / 30 x 100 = 258.2375.
    EXPECT_EQ(count(*doc, "258.238 % годовых"), 2);
    EXPECT_EQ(count(*doc, "1698.00 руб."), 2);
    EXPECT_EQ(count(*doc, "Полная стоимость"), 2);
    int largest = 0;
    for (const auto& i : doc->pages[0].items)
        if (i.kind == ItemKind::Text && !i.text.empty()) {
            const auto& f = doc->fontOf(i);
            const bool figure = i.text == W("258.238 % годовых") || i.text == W("1698.00 руб.");
            if (figure) {
                EXPECT_GE(f.size, 11) << kw::cp::toUtf8(i.text);
            } else {
                largest = std::max(largest, f.size);
            }
        }
    EXPECT_LT(largest, 11);
    const auto b = framesOf(*doc);
    ASSERT_EQ(b.size(), 2u);
    const double s = doc->fontScale;
    const double copyArea = 140 * 181;  // each copy, in the layout's millimetres
    for (std::size_t k = 0; k < 2; ++k) {
        const double x = (b[k]->x - doc->originX) / s;
        const double y = (b[k]->y - doc->originY) / s;
        const double w = b[k]->width / s;
        const double h = b[k]->height / s;
        EXPECT_GE(w * h, copyArea / 20) << k;
        const double copyRight = k == 0 ? 140 : 283;
        EXPECT_LE(x + w, copyRight) << k;
        EXPECT_GT(x + w, copyRight - 5) << k;  // against the copy's right side
        EXPECT_LT(y, 3) << k;                  // at its top
    }
}

}  // namespace
