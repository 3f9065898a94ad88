// PR_ZAL and PR_ARX: the pledge ticket and its duplicate, drawn from the print globals.
#include "documents/pr_zal.h"

#include "dictionary/fil.h"
#include "dictionary/kbp.h"
#include "dictionary/reference.h"
#include "dictionary/sec.h"
#include "documents/cost_limits.h"
#include "documents/zal_report.h"
#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "framework/data/field_value.h"
#include "framework/report/report_manager.h"
#include "rules/pledge_days.h"
#include "runtime/codepage.h"
#include "shell/conv_s.h"
#include "shell/globals.h"
#include "storage/view.h"

namespace kw::documents {

namespace {

PledgeDates globalDates() {
    PledgeDates d;
    d.DATA = DATA_G;
    d.DATA_K = DATA_K_G;
    d.PR[0] = DATA_PR1_G;
    d.PR[1] = DATA_PR2_G;
    d.PR[2] = DATA_PR3_G;
    d.START[0] = DATA_P11_G;
    d.START[1] = DATA_P21_G;
    d.START[2] = DATA_P31_G;
    d.END[0] = DATA_P12_G;
    d.END[1] = DATA_P22_G;
    d.END[2] = DATA_P32_G;
    d.PRW = DATA_PRW_G;
    return d;
}

}  // namespace

dict::ZalRecord pledgeOfPrintGlobals() {
    dict::ZalRecord z;
    z.DATA = DATA_G;
    z.KOL_D = KOL_D_G;
    z.S_OZEN = S_OZEN_G;
    z.S_CCYD = S_CCYD_G;
    z.P_CC_D = P_CC_D;
    z.P_XR_D = P_XR_D_G;
    z.S_VID = S_VID_G;
    z.DATA_P11 = DATA_P11_G;
    z.DATA_P21 = DATA_P21_G;
    z.DATA_P31 = DATA_P31_G;
    z.KOL_D1 = KOL_D1_G;
    z.KOL_D2 = KOL_D2_G;
    z.KOL_D3 = KOL_D3_G;
    return z;
}

namespace {

// The full cost of the last period of `z` and the date it starts.
FullCost lastPeriodCost(const dict::ZalRecord& z, int32_t& start) {
    const int32_t starts[3] = {z.DATA_P11, z.DATA_P21, z.DATA_P31};
    for (int k = 3; k >= 1; --k)
        if (starts[k - 1] != 0) {
            start = starts[k - 1];
            return prolongationFullCost(z, k);
        }
    start = z.DATA;
    return loanFullCost(z);
}

}  // namespace

bool ticketCarriesCost() {
    int32_t start = 0;
    (void)lastPeriodCost(pledgeOfPrintGlobals(), start);
    return costLimitOn(start).ticket;
}

void computeTicket(TicketValues& v, bool costBox) {
    v.costBox = costBox;
    if (costBox) {
        int32_t start = 0;
        const FullCost c = lastPeriodCost(pledgeOfPrintGlobals(), start);
        v.PSK_P = percentText(c) + W(" % годовых");
        v.PSK_S = moneyText(c) + W(" руб.");
    }
    const TicketDays days = ticketDays(globalDates(), EarlyReturn{S_CCYD_G, KBP.SW, KBP.SD});
    v.PD1 = days.PD[0];
    v.PD2 = days.PD[1];
    v.PD3 = days.PD[2];
    v.SD1 = days.SD[0];
    v.SD2 = days.SD[1];
    v.SD3 = days.SD[2];
    v.WD = days.WD;
    v.SDW = days.SDW;
    v.IT1 = S_ST1_G + S_P_C1_G + S_P_X1_G;
    v.IT2 = S_ST2_G + S_P_C2_G + S_P_X2_G;
    v.IT3 = S_ST3_G + S_P_C3_G + S_P_X3_G;
    S_R = S_VID_G;
    (void)CONV_S();
}

}  // namespace kw::documents

namespace {

class TicketWindow : public kw::ReportManager {
  public:
    TicketWindow(const char* procedure, bool duplicate)
        : ThisReport([this] { (void)Report_.print(1); }),
          view_(*Access::FIL->File),
          procedure_(procedure),
          duplicate_(duplicate) {}

    kw::Level Init() override {
        GlobalErrors.SetProcedureName(procedure_);
        named_ = true;
        Request = GlobalRequest;
        const kw::Level l = WindowManager::Init();
        if (l != kw::Level::Benign) return l;
        GlobalRequest = 0;
        for (kw::RelationManager* r : tables()) (void)r->Open();
        FilesOpened = 1;
        ensureFil();
        kw::documents::readFirst(*Access::KBP, kw::dict::kbpTable());
        SEC.K_POL = KOD;
        kw::documents::fetchOrClear(*Access::SEC, kw::dict::secTable());
        MET.KOD = MET_G;
        kw::documents::fetchOrClear(*Access::MET, kw::dict::metTable());
        KAM.KOD = KAM_G;
        kw::documents::fetchOrClear(*Access::KAM, kw::dict::kamTable());
        kw::documents::computeTicket(values_, kw::documents::ticketCarriesCost());
        if (!OpenWindow(kw::ProgressWindow(kw::W("Подготовка печати"), Percentile)))
            return kw::Level::Notify;
        ThisReport.Init(&view_, *Relate::FIL, kw::kProgressPctText, &Percentile);
        ThisReport.AddSortOrder(&kw::dict::filTable().keys[0]);
        kw::ReportManager::Init(ThisReport, Report_,
                                kw::documents::ticketReport(values_, duplicate_), &Previewer);
        SkipPreview = 0;
        Zoom = kw::kZoomPageWidth;
        SetAlerts();
        return kw::Level::Benign;
    }

    kw::Level Kill() override {
        const kw::Level l = ReportManager::Kill();
        if (l != kw::Level::Benign) return l;
        if (FilesOpened) {
            for (kw::RelationManager* r : tables()) (void)r->Close();
            FilesOpened = 0;
        }
        S_R = 0;
        if (named_) GlobalErrors.SetProcedureName();
        named_ = false;
        return l;
    }

    uint8_t Percentile = 0;

  private:
    kw::report::Report Report_;  // before ThisReport, which prints it

  public:
    kw::EachRecordPass ThisReport;
    kw::PrintPreviewClass Previewer;

  private:
    static std::vector<kw::RelationManager*> tables() {
        return {Relate::SEC, Relate::FIL, Relate::KAM, Relate::KBP,
                Relate::MET, Relate::PRB, Relate::ZAL, Relate::PSK};
    }

    // The report needs FIL's one record; a new installation has none until the first
    // ticket is printed.
    static void ensureFil() {
        uint32_t count = 0;
        if (Access::FIL->UseFile() != kw::Level::Benign ||
            !Access::FIL->File->records(count).ok() || count > 0)
            return;
        FIL.KOD = 1;
        (void)Access::FIL->Insert();
    }

    kw::storage::View view_;
    kw::documents::TicketValues values_;
    const char* procedure_;
    bool duplicate_;
    bool named_ = false;
};

}  // namespace

void PR_ZAL() {
    TicketWindow ThisWindow("PR_ZAL", false);
    GlobalResponse = ThisWindow.Run();
}

void PR_ARX() {
    TicketWindow ThisWindow("PR_ARX", true);
    GlobalResponse = ThisWindow.Run();
}
