#include "documents/zal_report.h"

#include "dictionary/kbp.h"
#include "dictionary/reference.h"
#include "dictionary/sec.h"
#include "dictionary/zal.h"
#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "framework/data/field_value.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace kw::documents {

void readFirst(FileManager& m, const storage::TableDecl& t) {
    if (m.UseFile() == Level::Benign && m.File->set(0).ok() && m.TryNext() == Level::Benign) return;
    field::clearRecord(t);
}

void fetchOrClear(FileManager& m, const storage::TableDecl& t) {
    if (m.TryFetch(t.keys[0]) != Level::Benign) field::clearRecord(t);
}

namespace {

std::string clippedText(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

std::vector<RelationManager*> reportTables() {
    return {Relate::SEC, Relate::KBP, Relate::MET, Relate::KAM, Relate::ZAL};
}

}  // namespace

ZalReport::ZalReport(std::string procedureName, std::string filter)
    : name_(std::move(procedureName)),
      filter_(std::move(filter)),
      pass_(std::make_unique<EachRecordPass>([this] { TakeRow(); })) {}

ZalReport::~ZalReport() = default;

Level ZalReport::Init() {
    GlobalErrors.SetProcedureName(name_);
    named_ = true;
    Request = GlobalRequest;
    const Level l = WindowManager::Init();
    if (l != Level::Benign) return l;
    GlobalRequest = 0;
    for (RelationManager* r : reportTables()) (void)r->Open();
    FilesOpened = 1;
    readFirst(*Access::KBP, dict::kbpTable());
    SEC.K_POL = KOD;
    fetchOrClear(*Access::SEC, dict::secTable());
    if (!OpenWindow(ProgressWindow(W("Подготовка печати"), Percentile))) return Level::Notify;
    view_ = std::make_unique<storage::View>(*Access::ZAL->File);
    pass_->Init(view_.get(), *Relate::ZAL, kProgressPctText, &Percentile);
    pass_->AddSortOrder(&dict::zalTable().keys[0]);
    if (!filter_.empty()) pass_->SetFilter(filter_);
    narrowPass();
    ReportManager::Init(*pass_, Report_, Define(), &Previewer);
    SkipPreview = 0;
    Zoom = kZoomPageWidth;
    SetAlerts();
    return Level::Benign;
}

void ZalReport::AskPreview() {
    if (Response == resp::Completed && Report_.isOpen() && !finished_) {
        finished_ = true;
        Finish();
    }
    ReportManager::AskPreview();
}

Level ZalReport::Kill() {
    const Level l = ReportManager::Kill();
    if (l != Level::Benign) return l;
    if (whole_) {
        Access::ZAL->File->narrow({});
        (void)whole_->close();  // read only
        whole_.reset();
    }
    if (FilesOpened) {
        for (RelationManager* r : reportTables()) (void)r->Close();
        FilesOpened = 0;
    }
    if (named_) GlobalErrors.SetProcedureName();
    named_ = false;
    return l;
}

void ZalReport::narrowPass() {
    const std::vector<std::string> names = ChoosingFields();
    if (names.empty()) return;
    const storage::TableDecl& t = dict::zalTable();
    std::vector<storage::File::Span> spans;
    for (const std::string& n : names) {
        const int f = t.fieldNumber(n);
        if (f == 0) return;  // not a field: the pass reads whole records
        const storage::FieldDecl& d = t.fields[static_cast<std::size_t>(f - 1)];
        spans.push_back({d.offset, d.size});
    }
    for (int c : t.keys[0].components) {
        const storage::FieldDecl& d = t.fields[static_cast<std::size_t>(c - 1)];
        spans.push_back({d.offset, d.size});
    }
    whole_ = std::make_unique<storage::File>(t);
    if (!whole_->open().ok()) {
        whole_.reset();
        return;
    }
    Access::ZAL->File->narrow(spans);
}

bool ZalReport::WholeRecord() {
    if (!whole_) return true;
    return whole_->getRecord(Access::ZAL->File->currentRecord()).ok();
}

std::string ZalReport::MetalName() {
    MET.KOD = ZAL.MET;
    if (Access::MET->TryFetch(dict::metTable().keys[0]) != Level::Benign) return {};
    return clippedText(MET.NAME.str());
}

std::string ZalReport::StoneName() {
    KAM.KOD = ZAL.KAM;
    if (Access::KAM->TryFetch(dict::kamTable().keys[0]) != Level::Benign) return {};
    return clippedText(KAM.NAME.str());
}

}  // namespace kw::documents
