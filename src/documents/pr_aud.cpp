// PR_AUD: the printed audit journal of a selection (audit_report.h).
#include <memory>

#include "dictionary/aud.h"
#include "dictionary/kbp.h"
#include "documents/audit_report.h"
#include "documents/report_layout.h"
#include "documents/zal_report.h"
#include "framework/data/audit.h"
#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "framework/report/report_manager.h"
#include "runtime/fixed_string.h"
#include "shell/globals.h"
#include "storage/view.h"

namespace {

using namespace kw::documents::layout;
using kw::Level;
using kw::W;
using kw::ui::Binding;

// Column edges, mm from the left margin; the height of an entry's first line and of
// each further line of its changes.
constexpr double kDate = 0, kTime = 19, kUser = 34, kHost = 76, kTab = 100, kKey = 110, kKind = 130,
                 kText = 167, kRight = 277;
constexpr double kRow = 4, kMore = 3.2;
constexpr double kTextWidth = kRight - kText - 2;
constexpr double kEdges[] = {kDate, kTime, kUser, kHost, kTab, kKey, kKind, kText, kRight};

std::string clipped(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

class AuditReport : public kw::ReportManager {
  public:
    explicit AuditReport(const kw::documents::AuditSelection& s) : sel_(s) {}

    Level Init() override {
        GlobalErrors.SetProcedureName("PR_AUD");
        named_ = true;
        Request = GlobalRequest;
        const Level l = WindowManager::Init();
        if (l != Level::Benign) return l;
        GlobalRequest = 0;
        (void)Relate::KBP->Open();
        (void)Relate::AUD->Open();
        FilesOpened = 1;
        kw::documents::readFirst(*Access::KBP, kw::dict::kbpTable());
        SELECTION.assign(kw::documents::auditSelectionText(sel_));
        if (!OpenWindow(kw::ProgressWindow(W("Подготовка печати"), Percentile)))
            return Level::Notify;
        view_ = std::make_unique<kw::storage::View>(*Access::AUD->File);
        pass_.Init(view_.get(), *Relate::AUD, kw::kProgressPctText, &Percentile);
        pass_.AddSortOrder(&kw::dict::audTable().keys[1]);
        pass_.SetFilter(kw::documents::auditFilter(sel_));
        ReportManager::Init(pass_, Report_, Define(), &Previewer);
        SkipPreview = 0;
        Zoom = kw::kZoomPageWidth;
        SetAlerts();
        return Level::Benign;
    }

    Level Kill() override {
        const Level l = ReportManager::Kill();
        if (l != Level::Benign) return l;
        if (FilesOpened) {
            (void)Relate::AUD->Close();
            (void)Relate::KBP->Close();
            FilesOpened = 0;
        }
        if (named_) GlobalErrors.SetProcedureName();
        named_ = false;
        return l;
    }

    // The count after the last entry, before the preview.
    void AskPreview() override {
        if (Response == kw::resp::Completed && Report_.isOpen() && !finished_) {
            finished_ = true;
            (void)Report_.print(3);
        }
        ReportManager::AskPreview();
    }

    uint8_t Percentile = 0;

  private:
    // The entry in AUD's buffer: its row, then the further lines of its changes.
    void entry() {
        const kw::dict::AudRecord& a = AUD;
        R_USER.assign(std::to_string(a.KOD) + " " + clipped(a.FIO.str()));
        R_KIND.assign(W(kw::audit::kindText(a.KIND)));
        if (R_KIND.view().find_first_not_of(' ') == std::string_view::npos)
            R_KIND.assign(std::to_string(a.KIND));
        const std::vector<std::string> lines =
            kw::documents::wrapText(sans(7), a.TEXT.view(), kTextWidth);
        R_LINE.assign(lines.front());
        (void)Report_.print(1);
        for (std::size_t i = 1; i < lines.size(); ++i) {
            R_LINE.assign(lines[i]);
            (void)Report_.print(2);
        }
        ++T_CNT;
    }

    kw::report::ReportDef Define() {
        kw::report::ReportDef d =
            sheet("Журнал операций", kw::report::Orientation::Landscape, {10, 8, 8, 8});
        header(d.header);
        pageFooter(d.footer, 240);
        d.details.push_back(row());
        d.details.push_back(more());
        d.details.push_back(total());
        return d;
    }

    void header(kw::report::Band& b) {
        b.height = 24;  // the rows' top rule continues the headings' bottom one
        b.text(0, 1, W("Журнал операций за период от:"), sans(10, true));
        b.field(62, 1, Binding::of(sel_.from).named("FROM"), "D6", sans(10, true));
        b.text(86, 1, W("до:"), sans(10, true));
        b.field(94, 1, Binding::of(sel_.to).named("TO"), "D6", sans(10, true));
        b.text(0, 7, W("Ломбард:"));
        b.field(15, 7, kw::UseField(kw::dict::kbpTable(), "NAME"), "s60", sans(), 140);
        b.text(0, 12, W("Отбор:"));
        b.field(15, 12, Binding::of(SELECTION).named("SELECTION"), "s120", sans(), 240);
        const double y = 18;
        b.line(kDate, y, kRight, 0);
        b.line(kDate, y + 6, kRight, 0);
        for (double x : kEdges) b.line(x, y, 0, 6);
        const struct {
            double x0, x1;
            const char* text;
        } heads[] = {{kDate, kTime, "Дата"},         {kTime, kUser, "Время"},
                     {kUser, kHost, "Пользователь"}, {kHost, kTab, "Касса"},
                     {kTab, kKey, "Табл."},          {kKey, kKind, "Запись"},
                     {kKind, kText, "Операция"},     {kText, kRight, "Изменения"}};
        for (const auto& h : heads) centred(b, h.x0, y + 1.5, h.x1 - h.x0, h.text, sans(7, true));
    }

    kw::report::Band row() {
        kw::report::Band b;
        b.height = kRow;
        const auto f = sans(7);
        b.line(kDate, 0, kRight, 0);
        b.field(kDate + 1, 0.6, kw::UseField(kw::dict::audTable(), "DATA"), "D6", f);
        b.field(kTime + 1, 0.6, kw::UseField(kw::dict::audTable(), "TIME"), "T8", f);
        b.field(kUser + 1, 0.6, Binding::of(R_USER).named("R_USER"), "s36", f, kHost - kUser - 2);
        b.field(kHost + 1, 0.6, kw::UseField(kw::dict::audTable(), "HOST"), "s20", f,
                kTab - kHost - 2);
        b.field(kTab + 1, 0.6, kw::UseField(kw::dict::audTable(), "TAB"), "s3", f);
        b.field(kKey + 1, 0.6, kw::UseField(kw::dict::audTable(), "KEY"), "s20", f,
                kKind - kKey - 2);
        b.field(kKind + 1, 0.6, Binding::of(R_KIND).named("R_KIND"), "s30", f, kText - kKind - 2);
        b.field(kText + 1, 0.6, Binding::of(R_LINE).named("R_LINE"), "s250", f, kTextWidth + 0.5);
        for (double x : kEdges) b.line(x, 0, 0, kRow);
        return b;
    }

    kw::report::Band more() {
        kw::report::Band b;
        b.height = kMore;
        b.field(kText + 1, 0, Binding::of(R_LINE).named("R_LINE"), "s250", sans(7),
                kTextWidth + 0.5);
        for (double x : kEdges) b.line(x, 0, 0, kMore);
        return b;
    }

    kw::report::Band total() {
        kw::report::Band b;
        b.height = 8;
        b.line(kDate, 0, kRight, 0);
        b.text(kDate + 1, 2, W("Всего записей:"), sans(8, true));
        number(b, kTime, 2, kHost - kTime - 2, Binding::of(T_CNT).named("T_CNT"), "n_9",
               sans(8, true));
        return b;
    }

    kw::FixedString<36> R_USER;
    kw::FixedString<30> R_KIND;
    kw::FixedString<250> R_LINE;  // one line of the entry's changes

    kw::documents::AuditSelection sel_;
    kw::FixedString<120> SELECTION;
    int32_t T_CNT = 0;
    kw::EachRecordPass pass_{[this] { entry(); }};  // each entry of the view to entry()
    kw::report::Report Report_;
    kw::PrintPreviewClass Previewer;
    std::unique_ptr<kw::storage::View> view_;
    bool named_ = false;
    bool finished_ = false;
};

}  // namespace

void PR_AUD(const kw::documents::AuditSelection& s) {
    AuditReport ThisWindow(s);
    GlobalResponse = ThisWindow.Run();
}
