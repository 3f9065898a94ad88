// The fixture of the period-report tests: the ticket tests' data directory (settings,
// user, metal 1 "Золото", stone 2 "Фианит"), the notary's details in the settings, and
// the pledges of report_data.h in ZAL. Runs a parameter window's report through the
// scripted windows and takes the document the preview showed.
#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "report_data.h"
#include "ticket_test_util.h"

namespace kwreport {

// Every item of every page as a line: kind, position, size, font and text; what the
// golden files hold.
inline std::string documentText(const kw::report::Document& d) {
    std::ostringstream out;
    out << "sheet " << d.widthMm << "x" << d.heightMm << " pages " << d.pages.size() << "\n";
    for (std::size_t p = 0; p < d.pages.size(); ++p)
        for (const auto& i : d.pages[p].items) {
            char pos[160];
            const char kind = i.kind == kw::report::ItemKind::Text   ? 'T'
                              : i.kind == kw::report::ItemKind::Line ? 'L'
                                                                     : 'B';
            std::snprintf(pos, sizeof pos, "p%zu %c x=%.2f y=%.2f w=%.2f h=%.2f", p + 1, kind, i.x,
                          i.y, i.width, i.height);
            out << pos;
            if (i.kind == kw::report::ItemKind::Text) {
                const kw::report::Font& f = d.fontOf(i);
                out << " font=" << f.name << "," << f.size << "," << f.weight << " |"
                    << kw::cp::toUtf8(i.text) << "|";
            }
            out << "\n";
        }
    return out.str();
}

// Compares `got` with tests/documents/golden/<name>; KW_REGENERATE_GOLDEN=1 writes it.
inline void expectGolden(const std::string& name, const std::string& got) {
    const std::string path = std::string(KW_SOURCE_DIR) + "/tests/documents/golden/" + name;
    if (std::getenv("KW_REGENERATE_GOLDEN")) {
        std::ofstream(path, std::ios::binary) << got;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "no golden file " << path << " (KW_REGENERATE_GOLDEN=1 writes it)";
    std::stringstream want;
    want << in.rdbuf();
    EXPECT_EQ(got, want.str()) << "differs from " << path;
}

// Every text of a page, in drawing order, UTF-8.
inline std::vector<std::string> pageTexts(const kw::report::Page& p) {
    std::vector<std::string> t;
    for (const auto& i : p.items)
        if (i.kind == kw::report::ItemKind::Text) t.push_back(kw::cp::toUtf8(i.text));
    return t;
}

class ReportTest : public kwticket::TicketTest {
  protected:
    void SetUp() override {
        TicketTest::SetUp();
        if (HasFatalFailure()) return;
        writePledges(reportPledges());
    }

    kw::dict::KbpRecord settings() override {
        kw::dict::KbpRecord k = TicketTest::settings();
        k.FIO_N = kw::W("Нотариусова Н.Н.");
        k.N_LIZ = kw::W("77/123-н");
        k.N_PROZ = 1.5;
        return k;
    }

    // Adds the pledges to ZAL (created when missing), on a thread of their own.
    static void writePledges(const std::vector<kw::dict::ZalRecord>& pledges) {
        std::thread th([&] {
            kw::proc::setCurrentThread(62);
            kw::storage::File f(kw::dict::zalTable());
            if (!kwtest::tableExists(f.dataPath())) {
                ASSERT_TRUE(f.create().ok());
            }
            ASSERT_TRUE(f.open().ok());
            auto& buffer = *static_cast<kw::dict::ZalRecord*>(kw::dict::zalTable().buffer());
            for (const auto& z : pledges) {
                buffer = z;
                ASSERT_TRUE(f.add().ok());
            }
            ASSERT_TRUE(f.close().ok());
        });
        th.join();
    }

    // Runs `report` (a report procedure, or anything that ends in one) on a procedure
    // thread, leaves its preview with Exit and returns the document the preview showed;
    // null when no preview came.
    std::shared_ptr<const kw::report::Document> runReport(const std::function<void()>& report) {
        std::shared_ptr<const kw::report::Document> doc;
        kw::report::setLastDocument(nullptr);
        run(report, [&] {
            kw::script::WindowDriver w = preview();
            ASSERT_TRUE(w) << "no preview came";
            doc = kw::report::lastDocument();
            ASSERT_EQ(w.press("Exit"), kw::script::Drive::Ok);
        });
        return doc;
    }

    // Presses the print button of the parameter window `w` (UTF-8 label), leaves the
    // preview with Exit and waits until the window waits for the user again. The
    // document the preview showed; null when no preview came or it did not close.
    std::shared_ptr<const kw::report::Document> printFrom(kw::script::WindowDriver& w,
                                                          const char* buttonUtf8) {
        kw::report::setLastDocument(nullptr);
        EXPECT_EQ(w.press(kw::W(buttonUtf8)), kw::script::Drive::Ok) << buttonUtf8;
        kw::script::WindowDriver p = preview();
        EXPECT_TRUE(p) << "no preview came";
        if (!p) return nullptr;
        auto doc = kw::report::lastDocument();
        EXPECT_EQ(p.press("Exit"), kw::script::Drive::Ok);
        const bool closed = p.waitClosed(std::chrono::seconds(5));
        EXPECT_TRUE(closed) << "the preview did not close";
        const bool ready = w.settle() == kw::script::Drive::Ok;
        EXPECT_TRUE(ready) << "the window did not come back";
        return closed && ready ? doc : nullptr;
    }

    // Runs a report whose view must be empty: true when it said "No Records" in a box
    // and showed no preview.
    bool saysNoRecords(const std::function<void()>& report) {
        kw::report::setLastDocument(nullptr);
        EXPECT_EQ(boxes.reply(kw::msgbox::Ok), kw::script::Drive::Ok);  // for the box to come
        run(report, [] {});
        bool said = false;
        for (const auto& b : boxes.shown()) said = said || b.caption == "No Records";
        return said && !kw::report::lastDocument();
    }
};

}  // namespace kwreport
