// The names a document is offered under when saved as a PDF: the document and its
// ticket or period, readable, in UTF-8, with nothing a file name cannot hold.
#include "documents/document_names.h"

#include <gtest/gtest.h>

#include "documents/pr_zal.h"
#include "framework/report/print_preview_class.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "shell/globals.h"

namespace {

using kw::W;

TEST(DocumentNames, ATicketIsNamedByItsNumberAndAReportByItsPeriod) {
    N_KV_G = 1370;
    kw::documents::TicketValues v;
    EXPECT_EQ(kw::documents::ticketReport(v).fileName, W("Залоговый билет 1370"));
    EXPECT_EQ(kw::documents::ticketReport(v, true).fileName, W("Дубликат залогового билета 1370"));
    N_KV_G = 0;

    D1 = kw::date::fromYmd(2025, 12, 1);
    D2 = kw::date::fromYmd(2025, 12, 7);
    EXPECT_EQ(kw::documents::periodName(W("Сводный ордер")),
              W("Сводный ордер 01.12.2025-07.12.2025"));
    D1 = D2 = 0;
    EXPECT_EQ(kw::documents::periodName(W("Сводный ордер")), W("Сводный ордер"))
        << "no period asked for";
}

TEST(DocumentNames, TheFileNameIsUtf8AndHoldsNoCharacterAFileNameCannot) {
    EXPECT_EQ(kw::pdfFileName(W("Залоговый билет 1370")), "Залоговый билет 1370.pdf");
    EXPECT_EQ(kw::pdfFileName(W("Сводный ордер 01.12.2025-07.12.2025")),
              "Сводный ордер 01.12.2025-07.12.2025.pdf");
    EXPECT_EQ(kw::pdfFileName("a/b\\c:d*e?f\"g<h>i|j"), "a-b-c-d-e-f-g-h-i-j.pdf");
    EXPECT_EQ(kw::pdfFileName(""), "report.pdf");
    EXPECT_EQ(kw::pdfFileName("..."), "report.pdf") << "never a name of dots alone";
}

}  // namespace
