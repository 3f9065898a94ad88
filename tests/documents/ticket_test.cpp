// The pledge ticket: the page of a prolonged and redeemed pledge against its golden
// file (every item's text, position, size and font; KW_REGENERATE_GOLDEN=1 writes the
// file anew), the figures it computes, the lock of the print globals, F_PR, and the
// FIL record the first print creates.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "dictionary/fil.h"
#include "documents/f_pr.h"
#include "documents/pr_zal.h"
#include "documents/print_globals.h"
#include "framework/report/print_preview_class.h"
#include "ticket_test_util.h"

namespace {

using namespace kwticket;
using kw::script::Drive;

std::string itemLine(const kw::report::Document& d, int page, const kw::report::Drawn& i) {
    char pos[160];
    const kw::report::Font& f = d.fontOf(i);
    const char kind = i.kind == kw::report::ItemKind::Text   ? 'T'
                      : i.kind == kw::report::ItemKind::Line ? 'L'
                                                             : 'B';
    std::snprintf(pos, sizeof pos, "p%d %c x=%.2f y=%.2f w=%.2f h=%.2f", page, kind, i.x, i.y,
                  i.width, i.height);
    std::string line = pos;
    if (i.kind == kw::report::ItemKind::Text)
        line += " font=" + f.name + "," + std::to_string(f.size) + "," + std::to_string(f.weight) +
                " |" + kw::cp::toUtf8(i.text) + "|";
    return line;
}

std::string pageText(const kw::report::Document& d) {
    std::ostringstream out;
    out << "sheet " << d.widthMm << "x" << d.heightMm << " pages " << d.pages.size() << "\n";
    for (std::size_t p = 0; p < d.pages.size(); ++p)
        for (const auto& i : d.pages[p].items)
            out << itemLine(d, static_cast<int>(p + 1), i) << "\n";
    return out.str();
}

// Where the layout's point x (or y) was drawn, once the page was brought inside the
// printable area.
double atX(const kw::report::Document& d, double x) {
    return x * d.fontScale + d.originX;
}
double atY(const kw::report::Document& d, double y) {
    return y * d.fontScale + d.originY;
}

const kw::report::Drawn* textAt(const kw::report::Document& d, const std::string& utf8, double x) {
    for (const auto& i : d.pages[0].items)
        if (i.kind == kw::report::ItemKind::Text && i.text == W(utf8) &&
            std::abs(i.x - atX(d, x)) < 0.01)
            return &i;
    return nullptr;
}

// The text drawn at the layout's (x, y) on the first page, "" when none.
std::string textOf(const kw::report::Document& d, double x, double y) {
    for (const auto& i : d.pages[0].items)
        if (i.kind == kw::report::ItemKind::Text && std::abs(i.x - atX(d, x)) < 0.01 &&
            std::abs(i.y - atY(d, y)) < 0.01)
            return kw::cp::toUtf8(i.text);
    return "";
}

}  // namespace

class TicketPrint : public TicketTest {
  protected:
    // Prints the worked pledge through printTicket and presses Print in the preview.
    std::shared_ptr<const kw::report::Document> printWorked() {
        run([] { kw::documents::printTicket(workedPledge()); },
            [&] {
                kw::script::WindowDriver w = preview();
                ASSERT_TRUE(w);
                EXPECT_EQ(w.shown(kw::kPvPageStatus), "Page 1 of 1");
                ASSERT_EQ(w.press("Print"), Drive::Ok);
            });
        const auto printed = printer->printed();
        return printed.size() == 1 ? printed[0].doc : nullptr;
    }
};

TEST_F(TicketPrint, TheProlongedAndRedeemedTicketMatchesItsGoldenFile) {
    const auto doc = printWorked();
    ASSERT_TRUE(doc);
    const std::string got = pageText(*doc);
    const std::string path =
        std::string(KW_SOURCE_DIR) + "/tests/documents/golden/ticket_prolonged_redeemed.txt";
    if (std::getenv("KW_REGENERATE_GOLDEN")) {
        std::ofstream(path) << got;
        GTEST_SKIP() << "golden file written: " << path;
    }
    std::ifstream in(path);
    ASSERT_TRUE(in) << "no golden file " << path << " (run with KW_REGENERATE_GOLDEN=1)";
    std::stringstream want;
    want << in.rdbuf();
    EXPECT_EQ(got, want.str());
}

TEST_F(TicketPrint, TheTicketShowsTheFiguresOfThePledgeAndTheDaysCharged) {
    const auto doc = printWorked();
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->pages.size(), 1u);
    EXPECT_DOUBLE_EQ(doc->widthMm, 297);  // A4 landscape
    EXPECT_DOUBLE_EQ(doc->heightMm, 210);
    const kw::report::Page& p = doc->pages[0];
    for (double dx : {0.0, 143.0}) {
        const kw::report::Drawn* title = textAt(*doc, "Залоговый билет №", 16 + dx);
        ASSERT_TRUE(title) << dx;
        EXPECT_FLOAT_EQ(title->y, atY(*doc, 12));
        EXPECT_EQ(doc->fontOf(*title).weight, kw::report::kBold);
        EXPECT_EQ(doc->fontOf(*title).name, "MS Sans Serif");
        EXPECT_EQ(textOf(*doc, 51 + dx, 11), "1042");
        EXPECT_EQ(textOf(*doc, 23 + dx, 16), "01.10.2025");
        EXPECT_EQ(textOf(*doc, 62 + dx, 16), "31.10.2025");
        EXPECT_EQ(textOf(*doc, 24 + dx, 20), "Иванов Иван Иванович");
        EXPECT_EQ(textOf(*doc, 46 + dx, 30), "Петрова А.С.");  // the user who prints
        EXPECT_EQ(textOf(*doc, 16.7 + dx, 40), "Золото");
        EXPECT_EQ(textOf(*doc, 17 + dx, 43), "Фианит");
        EXPECT_EQ(textOf(*doc, 21 + dx, 81), "6302.00");
        EXPECT_EQ(textOf(*doc, 22 + dx, 84), "Шесть тысяч триста два рубля 00 копеек");
        // Prolongation 1: 30 days of interest (late), 3 days of penalty, total 2 037.60.
        EXPECT_EQ(textOf(*doc, 109 + dx, 98), "30");
        EXPECT_EQ(textOf(*doc, 20 + dx, 101), "3");
        EXPECT_EQ(textOf(*doc, 27 + dx, 104), "2037.60");
        // Prolongations 2 and 3 did not happen: zeros and empty dates.
        EXPECT_EQ(textOf(*doc, 26 + dx, 110), "");
        EXPECT_EQ(textOf(*doc, 27 + dx, 119), "0.00");
        EXPECT_EQ(textOf(*doc, 109 + dx, 128), "0");
        // Redemption: the whole prolongation (30 days) and 10 days late.
        EXPECT_EQ(textOf(*doc, 26 + dx, 140), "13.12.2025");
        EXPECT_EQ(textOf(*doc, 101 + dx, 143), "30");
        EXPECT_EQ(textOf(*doc, 20 + dx, 146), "10");
        EXPECT_EQ(textOf(*doc, 27 + dx, 150), "8849.00");
        EXPECT_EQ(textOf(*doc, 91 + dx, 150), "Петрова А.С.");
    }
    EXPECT_EQ(textOf(*doc, 3, 2), "Ломбард");
    EXPECT_EQ(textOf(*doc, 240, 4), "Форма БО-7");
    EXPECT_EQ(textOf(*doc, 143 + 79, 40), "Цена за  грамм:");
    EXPECT_EQ(textOf(*doc, 79, 40), "Цена за грамм:");
    EXPECT_EQ(textOf(*doc, 143 + 5, 143), "Получены %% по храненю:");
    bool divider = false;
    for (const auto& i : p.items)
        divider = divider || (i.kind == kw::report::ItemKind::Line && i.x == atX(*doc, 140) &&
                              i.y == atY(*doc, 0) && i.height == 181);
    EXPECT_TRUE(divider);
    EXPECT_EQ(S_R, 0.0);  // set back after the report
}

// The duplicate is the ticket item for item, plus "ДУБЛИКАТ" on each copy.
TEST_F(TicketPrint, TheDuplicateIsTheTicketMarkedOnEachCopy) {
    const auto ticket = printWorked();
    ASSERT_TRUE(ticket);
    std::shared_ptr<const kw::report::Document> dup;
    run([] { kw::documents::printDuplicate(workedPledge()); },
        [&] {
            kw::script::WindowDriver w = preview();
            ASSERT_TRUE(w);
            dup = kw::report::lastDocument();
            ASSERT_EQ(w.press("Exit"), Drive::Ok);
        });
    ASSERT_TRUE(dup);
    ASSERT_EQ(dup->pages.size(), 1u);
    const kw::report::Page& p = dup->pages[0];
    std::vector<std::string> rest;
    for (const auto& i : p.items)
        if (i.text != W("ДУБЛИКАТ")) rest.push_back(itemLine(*dup, 1, i));
    std::vector<std::string> original;
    for (const auto& i : ticket->pages[0].items) original.push_back(itemLine(*ticket, 1, i));
    EXPECT_EQ(rest, original);
    ASSERT_EQ(p.items.size(), ticket->pages[0].items.size() + 2);
    for (auto [x, y] : {std::pair{103.0, 30.0}, std::pair{244.0, 31.0}}) {
        const kw::report::Drawn* mark = textAt(*dup, "ДУБЛИКАТ", x);
        ASSERT_TRUE(mark) << x;
        EXPECT_FLOAT_EQ(mark->y, static_cast<float>(atY(*dup, y)));
        EXPECT_EQ(dup->fontOf(*mark).name, "MS Sans Serif");
        EXPECT_EQ(dup->fontOf(*mark).size, 10);
        EXPECT_EQ(dup->fontOf(*mark).weight, kw::report::kBold);
    }
    EXPECT_FALSE(ticket->contains(W("ДУБЛИКАТ")));
}

TEST_F(TicketPrint, ClosingThePreviewPrintsNothingAndTheFirstPrintCreatesFil) {
    run([] { kw::documents::printTicket(workedPledge()); },
        [&] {
            kw::script::WindowDriver w = preview();
            ASSERT_TRUE(w);
            ASSERT_EQ(w.press("Exit"), Drive::Ok);
        });
    EXPECT_TRUE(printer->printed().empty());
    uint32_t records = 0;
    std::thread t([&] {
        kw::proc::setCurrentThread(62);
        kw::storage::File f(kw::dict::filTable());
        ASSERT_TRUE(f.open().ok());
        ASSERT_TRUE(f.records(records).ok());
        (void)f.close();
    });
    t.join();
    EXPECT_EQ(records, 1u);
}

TEST_F(TicketPrint, TwoThreadsPrintingAtOnceNeverMixTheirPledges) {
    kw::dict::ZalRecord other = workedPledge();
    other.N_KV = 2077;
    other.FIO = W("Сидоров Пётр");
    other.S_VID = 1000;
    const int a = kw::proc::start([] { kw::documents::printTicket(workedPledge()); });
    const int b = kw::proc::start([other] { kw::documents::printTicket(other); });
    ASSERT_NE(a, 0);
    ASSERT_NE(b, 0);
    for (int k = 0; k < 2; ++k) {
        kw::script::WindowDriver w = preview();
        ASSERT_TRUE(w);
        ASSERT_EQ(w.press("Print"), Drive::Ok);
        ASSERT_TRUE(w.waitClosed(5s));
    }
    ASSERT_TRUE(kw::proc::wait(a, 20s));
    ASSERT_TRUE(kw::proc::wait(b, 20s));
    const auto printed = printer->printed();
    ASSERT_EQ(printed.size(), 2u);
    for (const auto& pr : printed) {
        const auto& doc = pr.doc;
        const std::string number = textOf(*doc, 51, 11);
        ASSERT_TRUE(number == "1042" || number == "2077");
        const bool first = number == "1042";
        for (double dx : {0.0, 143.0}) {
            EXPECT_EQ(textOf(*doc, 51 + dx, 11), number);
            EXPECT_EQ(textOf(*doc, 24 + dx, 20), first ? "Иванов Иван Иванович" : "Сидоров Пётр");
            EXPECT_EQ(textOf(*doc, 22 + dx, 84), first ? "Шесть тысяч триста два рубля 00 копеек"
                                                       : "Одна тысяча рублей 00 копеек");
        }
    }
}

TEST_F(TicketPrint, FprPrintsTheCurrentPledgeOfItsThread) {
    run(
        [] {
            ZAL = workedPledge();
            F_PR();
        },
        [&] {
            kw::script::WindowDriver f = kw::script::waitWindow(W("печать билета"));
            ASSERT_TRUE(f);
            ASSERT_EQ(f.press(W("Распечатать билет")), Drive::Ok);
            kw::script::WindowDriver w = preview();
            ASSERT_TRUE(w);
            ASSERT_EQ(w.press("Print"), Drive::Ok);
            EXPECT_TRUE(f.waitClosed(5s));  // its close was asked for before the print
        });
    const auto printed = printer->printed();
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(textOf(*printed[0].doc, 51, 11), "1042");
    EXPECT_EQ(N_KV_G, 1042);
}

TEST_F(TicketPrint, ANewPledgePrintsEveryLaterSectionEmpty) {
    kw::dict::ZalRecord fresh = workedPledge();
    const kw::dict::ZalRecord issued = fresh;
    fresh = kw::dict::ZalRecord{};
    // Only the groups filled at issue.
    fresh.N_KV = issued.N_KV;
    fresh.DATA = issued.DATA;
    fresh.KOL_D = issued.KOL_D;
    fresh.DATA_K = issued.DATA_K;
    fresh.FIO = issued.FIO;
    fresh.S_CCYD = issued.S_CCYD;
    fresh.S_VID = issued.S_VID;
    run([fresh] { kw::documents::printTicket(fresh); },
        [&] {
            kw::script::WindowDriver w = preview();
            ASSERT_TRUE(w);
            ASSERT_EQ(w.press("Print"), Drive::Ok);
        });
    const auto printed = printer->printed();
    ASSERT_EQ(printed.size(), 1u);
    const auto& doc = printed[0].doc;
    for (double dx : {0.0, 143.0}) {
        for (double y : {95.0, 110.0, 125.0}) {
            EXPECT_EQ(textOf(*doc, 26 + dx, y), "") << y;   // date the client came
            EXPECT_EQ(textOf(*doc, 62 + dx, y), "") << y;   // period start
            EXPECT_EQ(textOf(*doc, 109 + dx, y + 3), "0");  // days of interest
            EXPECT_EQ(textOf(*doc, 20 + dx, y + 6), "0");   // days of penalty
            EXPECT_EQ(textOf(*doc, 27 + dx, y + 9), "0.00");
        }
        EXPECT_EQ(textOf(*doc, 26 + dx, 140), "");
        EXPECT_EQ(textOf(*doc, 101 + dx, 143), "0");
        EXPECT_EQ(textOf(*doc, 20 + dx, 146), "0");
        EXPECT_EQ(textOf(*doc, 27 + dx, 150), "0.00");
        EXPECT_EQ(textOf(*doc, 22 + dx, 84), "Шесть тысяч триста два рубля 00 копеек");
    }
}
