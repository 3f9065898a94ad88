// The printed audit journal PR_AUD: the period's entries with their header, the
// selection in words, every change of a long entry on lines of its own inside its
// column, the count; an empty selection prints nothing. The selection's filter reads
// only the period's part of the journal's date key. Breaking a long text into lines.
#include "documents/audit_report.h"

#include "documents/report_layout.h"
#include "framework/data/audit.h"
#include "report_test_util.h"
#include "runtime/text_metrics.h"
#include "storage/view.h"

namespace {

using namespace kwreport;
using kw::W;
using kw::audit::Kind;
using kw::documents::AuditSelection;
using kw::report::Drawn;
using kw::report::ItemKind;

const int32_t kDec7 = kwticket::day(7, 12, 2025), kDec8 = kwticket::day(8, 12, 2025);

int32_t at(int h, int m, int s = 0) {
    return (h * 3600 + m * 60 + s) * 100 + 1;
}

// The changes of a pledge whose description was rewritten at length: three changes,
// the last longer than a line of the column.
const std::string kChanges =
    "FIO: \"Петров П.П.\" -> \"Петрова П.П.\"; S_OZEN: 1000 -> 1200; OP_IZ: \"Кольцо\" -> \"Кольцо "
    "золотое "
    "с тремя камнями, на внутренней стороне надпись, царапина на шинке, размер 17, проба читается, "
    "вставки: "
    "фианит круглый три штуки\"";

kw::audit::Entry entry(int32_t date, int32_t time, uint8_t user, const char* nameUtf8,
                       const char* table, const char* key, Kind kind,
                       const std::string& textUtf8 = "") {
    kw::audit::Entry e;
    e.kind = kind;
    e.user = user;
    e.userName = W(nameUtf8);
    e.host = "desk-1";
    e.table = table;
    e.key = key;
    e.text = W(textUtf8);
    e.date = date;
    e.time = time;
    return e;
}

// Appends the entries to the journal (created when missing), on a thread of their own.
void appendEntries(const std::vector<kw::audit::Entry>& entries) {
    std::thread th([&] {
        kw::proc::setCurrentThread(62);
        kw::storage::File f(kw::dict::audTable());
        if (!kwtest::tableExists(f.dataPath())) {
            ASSERT_TRUE(f.create().ok());
        }
        ASSERT_TRUE(f.open().ok());
        f.setDurable(false);
        for (const auto& e : entries) ASSERT_TRUE(kw::audit::append(f, e).ok());
        ASSERT_TRUE(f.close().ok());
    });
    th.join();
}

std::vector<kw::audit::Entry> decemberEntries() {
    return {
        entry(kDec7, at(18, 5), 6, "Иванова И.И.", "DAY", "07.12.2025", Kind::DayClosed),
        entry(kDec8, at(9, 0, 12), 6, "Иванова И.И.", "DAY", "08.12.2025", Kind::DayOpened),
        entry(kDec8, at(9, 40), 7, "Петров П.П.", "ZAL", "1001", Kind::Redemption),
        entry(kDec8, at(10, 2), 7, "Петров П.П.", "ZAL", "1002", Kind::PledgeChanged, kChanges),
        entry(kDec8, at(12, 30), 0, "", "SEC", "9", Kind::LoginRefused),
    };
}

class AuditReport : public ReportTest {
  protected:
    std::shared_ptr<const kw::report::Document> print(const AuditSelection& s) {
        return runReport([s] { PR_AUD(s); });
    }
};

TEST_F(AuditReport, ThePeriodsEntriesOneRowEachWithTheLongChangesWrappedInTheirColumn) {
    appendEntries(decemberEntries());
    const auto doc = print(AuditSelection{kDec8, kDec8});
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->pages.size(), 1u);
    const std::vector<std::string> texts = pageTexts(doc->pages[0]);
    auto has = [&](const std::string& t) {
        return std::find(texts.begin(), texts.end(), t) != texts.end();
    };
    EXPECT_TRUE(has("Журнал операций за период от:"));
    EXPECT_TRUE(has("08.12.2025"));
    EXPECT_TRUE(has("Ломбард Кестрел"));
    EXPECT_TRUE(has("все записи")) << "no filter";
    EXPECT_FALSE(has("18:05:00")) << "the day before is not in the period";
    for (const char* t : {"09:00:12", "09:40:00", "10:02:00", "12:30:00", "7 Петров П.П.", "Выкуп",
                          "Изменение залога", "Отказ во входе", "0"})
        EXPECT_TRUE(has(t)) << t;
    // after "Всего записей:" the count, 4
    const auto total = std::find(texts.begin(), texts.end(), "Всего записей:");
    ASSERT_NE(total, texts.end());
    ASSERT_NE(total + 1, texts.end());
    EXPECT_EQ(*(total + 1), "4");

    // Entry 4's changes: one change a line, the long one on more lines, nothing lost,
    // every line inside the column (from 177 mm, the left margin's 10 plus 167, to 285).
    std::vector<std::string> lines;
    for (const Drawn& i : doc->pages[0].items) {
        if (i.kind != ItemKind::Text || i.x < 177 * doc->fontScale + doc->originX) continue;
        if (doc->fontOf(i) != kw::documents::layout::sans(7)) continue;  // the rows' face
        const std::string t = kw::cp::toUtf8(i.text);
        if (t.empty()) continue;
        lines.push_back(t);
        const kw::report::Extent e = kw::report::inkOf(*doc, i);
        EXPECT_LE(e.x1, (10 + 277) * doc->fontScale + doc->originX) << t;
        EXPECT_NE(i.text.back(), '\x85') << "not cut: " << t;
    }
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "FIO: \"Петров П.П.\" -> \"Петрова П.П.\";");
    EXPECT_EQ(lines[1], "S_OZEN: 1000 -> 1200;");
    std::string rest;
    for (std::size_t i = 2; i < lines.size(); ++i) rest += (rest.empty() ? "" : " ") + lines[i];
    EXPECT_EQ(rest, kChanges.substr(kChanges.find("OP_IZ")));
    expectGolden("audit_journal_december.txt", documentText(*doc));
}

TEST_F(AuditReport, TheFiltersNarrowThePrintAndStandInItsHeader) {
    appendEntries(decemberEntries());
    AuditSelection s{kDec7, kDec8};
    s.ticket = 1001;
    s.kind = static_cast<int16_t>(Kind::Redemption);
    s.user = 7;
    const auto doc = print(s);
    ASSERT_TRUE(doc);
    EXPECT_TRUE(doc->contains(W("билет № 1001; пользователь 7; вид: Выкуп")));
    EXPECT_TRUE(doc->contains("09:40:00"));
    for (const char* other : {"18:05:00", "09:00:12", "10:02:00", "12:30:00"})
        EXPECT_FALSE(doc->contains(other));

    s.user = 6;  // ticket 1001 was redeemed by user 7
    EXPECT_TRUE(saysNoRecords([s] { PR_AUD(s); })) << "an empty selection prints nothing";
}

TEST_F(AuditReport, AViewInTheDateKeyReadsOnlyThePeriodsPartOfALongJournal) {
    // 60 days of 20 entries each; the users take turns, codes 1 to 4.
    std::vector<kw::audit::Entry> all;
    const int32_t first = kwticket::day(1, 10, 2025);
    for (int d = 0; d < 60; ++d)
        for (int i = 0; i < 20; ++i)
            all.push_back(entry(first + d, at(9, i), static_cast<uint8_t>(1 + i % 4), "Кассир",
                                "ZAL", std::to_string(1000 + i).c_str(), Kind::NewPledge));
    appendEntries(all);
    std::thread th([&] {
        kw::proc::setCurrentThread(62);
        kw::storage::File f(kw::dict::audTable());
        ASSERT_TRUE(f.open().ok());
        auto count = [&](const AuditSelection& s, uint64_t& reads) {
            kw::storage::View v(f);
            EXPECT_TRUE(v.setOrder(kw::storage::keyOrder(kw::dict::audTable(), 2)).ok());
            EXPECT_TRUE(v.setFilter(kw::documents::auditFilter(s)).ok());
            int n = 0;
            EXPECT_TRUE(v.setStart().ok());
            while (v.next().ok()) ++n;
            reads = v.reads();
            return n;
        };
        uint64_t reads = 0;
        EXPECT_EQ(count(AuditSelection{first + 30, first + 31}, reads), 40);
        EXPECT_LE(reads, 42u) << "read the period, not 1200 entries";
        AuditSelection byUser{first + 30, first + 30};
        byUser.user = 2;  // i = 1, 5, 9, 13, 17
        EXPECT_EQ(count(byUser, reads), 5);
        EXPECT_LE(reads, 22u);
        ASSERT_TRUE(f.close().ok());
    });
    th.join();
}

// The lines a text takes in a column: none wider, the changes one a line, nothing lost.
TEST(AuditWrap, LinesFitTheColumnOneChangeALineAndKeepEveryWord) {
    const kw::report::Font f = kw::documents::layout::sans(7);
    const std::string text = W(kChanges);
    for (double width : {40.0, 80.0, 110.0}) {
        SCOPED_TRACE(width);
        const std::vector<std::string> lines = kw::documents::wrapText(f, text, width);
        std::string joined;
        for (const std::string& l : lines) {
            EXPECT_LE(kw::report::textWidthMm(f, l), width) << kw::cp::toUtf8(l);
            joined += (joined.empty() ? "" : " ") + l;
        }
        EXPECT_EQ(joined, text);
        EXPECT_EQ(lines[0].rfind("FIO:", 0), 0u);
        EXPECT_NE(std::find(lines.begin(), lines.end(), W("S_OZEN: 1000 -> 1200;")), lines.end());
    }
    // a word wider than the column is broken where it fills it
    const std::string word(300, 'W');
    const std::vector<std::string> broken = kw::documents::wrapText(f, word, 20);
    ASSERT_GT(broken.size(), 5u);
    std::string whole;
    for (const std::string& l : broken) {
        EXPECT_LE(kw::report::textWidthMm(f, l), 20.0);
        EXPECT_FALSE(l.empty());
        whole += l;
    }
    EXPECT_EQ(whole, word);
    EXPECT_EQ(kw::documents::wrapText(f, "   ", 20), std::vector<std::string>{""})
        << "an empty text, one empty line";
}

}  // namespace
