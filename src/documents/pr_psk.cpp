// PR_PSK: the register of the full cost of the loan (cost_register.h).
#include <algorithm>

#include "dictionary/kbp.h"
#include "dictionary/zal.h"
#include "documents/cost_limits.h"
#include "documents/cost_register.h"
#include "documents/report_layout.h"
#include "documents/zal_report.h"
#include "runtime/fixed_string.h"
#include "shell/globals.h"

namespace {

using namespace kw::documents::layout;
using kw::W;
using kw::ui::Binding;

// Column edges, mm from the left margin, and the row's height.
constexpr double kDate = 0, kTicket = 20, kKind = 40, kClient = 62, kDays = 150, kReceived = 164,
                 kMoney = 192, kPercent = 216, kLimit = 240, kRight = 262;
constexpr double kRow = 5;

class CostRegister : public kw::documents::ZalReport {
  public:
    CostRegister() : ZalReport("PR_PSK") {}

  protected:
    kw::report::ReportDef Define() override {
        limits_ = kw::documents::allCostLimits();
        count_ = 0;
        defined_ = 0;
        T_MAX = T_AVG = sum_ = 0;
        kw::report::ReportDef d =
            sheet("Реестр ПСК", kw::report::Orientation::Landscape, {12, 8, 8, 8});
        header(d.header);
        pageFooter(d.footer, 230);
        d.details.push_back(row());
        d.details.push_back(totals());
        return d;
    }

    void TakeRow() override {
        const kw::dict::ZalRecord& z = ZAL;
        if (z.SOST == 6) return;
        if (inPeriod(z.DATA))
            operation(z.DATA, W("выдача"), z.KOL_D, z.S_VID, kw::documents::loanFullCost(z));
        const int32_t starts[3] = {z.DATA_P11, z.DATA_P21, z.DATA_P31};
        const int16_t days[3] = {z.KOL_D1, z.KOL_D2, z.KOL_D3};
        for (int k = 1; k <= 3; ++k)
            if (starts[k - 1] != 0 && inPeriod(starts[k - 1]))
                operation(starts[k - 1], W("перезалог ") + std::to_string(k), days[k - 1], z.S_CCYD,
                          kw::documents::prolongationFullCost(z, k));
    }

    void Finish() override {
        T_AVG = defined_ > 0 ? sum_ / defined_ : 0;
        T_CNT = count_;
        (void)Out().print(2);
    }

  private:
    static bool inPeriod(int32_t date) { return date != 0 && D1 <= date && date <= D2; }

    void operation(int32_t date, const std::string& kind, int16_t days, double received,
                   const kw::documents::FullCost& c) {
        R_DATA = date;
        R_KIND = kind;
        R_DAYS = days;
        R_GOT = received;
        R_MONEY = c.money;
        R_PCT = kw::documents::percentText(c);
        const kw::documents::CostLimit l = kw::documents::costLimitOn(limits_, date);
        R_LIM = l.found && l.limit > 0 ? kw::documents::percentText({0, l.limit, true})
                                       : std::string("-");
        ++count_;
        if (c.defined) {
            ++defined_;
            sum_ += c.percent;
            T_MAX = std::max(T_MAX, c.percent);
        }
        (void)Out().print(1);
    }

    void header(kw::report::Band& b) {
        b.height = 20;
        b.text(0, 1, W("Реестр полной стоимости займов (ПСК) за период от:"), sans(10, true));
        b.field(100, 1, Binding::of(D1).named("D1"), "D6", sans(10, true));
        b.text(124, 1, W("до:"), sans(10, true));
        b.field(132, 1, Binding::of(D2).named("D2"), "D6", sans(10, true));
        b.text(0, 7, W("Ломбард:"));
        b.field(15, 7, kw::UseField(kw::dict::kbpTable(), "NAME"), "s60", sans(), 140);
        const double y = 12;
        b.line(kDate, y, kRight, 0);
        b.line(kDate, y + 8, kRight, 0);
        for (double x :
             {kDate, kTicket, kKind, kClient, kDays, kReceived, kMoney, kPercent, kLimit, kRight})
            b.line(x, y, 0, 8);
        const struct {
            double x0, x1;
            const char *a, *b;
        } heads[] = {{kDate, kTicket, "Дата", nullptr},
                     {kTicket, kKind, "Билет", nullptr},
                     {kKind, kClient, "Операция", nullptr},
                     {kClient, kDays, "Клиент", nullptr},
                     {kDays, kReceived, "Дней", nullptr},
                     {kReceived, kMoney, "Получено", "клиентом, руб."},
                     {kMoney, kPercent, "ПСК,", "руб."},
                     {kPercent, kLimit, "ПСК,", "% годовых"},
                     {kLimit, kRight, "Предел,", "% годовых"}};
        for (const auto& h : heads) {
            centred(b, h.x0, h.b ? y + 0.8 : y + 2.3, h.x1 - h.x0, h.a, sans(7));
            if (h.b) centred(b, h.x0, y + 4, h.x1 - h.x0, h.b, sans(7));
        }
    }

    kw::report::Band row() {
        kw::report::Band b;
        b.height = kRow;
        b.field(kDate + 1, 0.8, Binding::of(R_DATA).named("R_DATA"), "D6");
        number(b, kTicket, 0.8, kKind - kTicket - 1, zal("N_KV"), "n_10");
        b.field(kKind + 1, 0.8, Binding::of(R_KIND).named("R_KIND"), "s14", sans(),
                kClient - kKind - 2);
        b.field(kClient + 1, 0.8, zal("FIO"), "s60", sans(), kDays - kClient - 2);
        number(b, kDays, 0.8, kReceived - kDays - 1, Binding::of(R_DAYS).named("R_DAYS"), "n_5");
        number(b, kReceived, 0.8, kMoney - kReceived - 1, Binding::of(R_GOT).named("R_GOT"),
               "n-_13.2");
        number(b, kMoney, 0.8, kPercent - kMoney - 1, Binding::of(R_MONEY).named("R_MONEY"),
               "n-_12.2");
        number(b, kPercent, 0.8, kLimit - kPercent - 1, Binding::of(R_PCT).named("R_PCT"), "s12");
        number(b, kLimit, 0.8, kRight - kLimit - 1, Binding::of(R_LIM).named("R_LIM"), "s12");
        for (double x :
             {kDate, kTicket, kKind, kClient, kDays, kReceived, kMoney, kPercent, kLimit, kRight})
            b.line(x, 0, 0, kRow);
        b.line(kDate, kRow, kRight, 0);
        return b;
    }

    kw::report::Band totals() {
        kw::report::Band b;
        b.height = 16;
        b.text(kClient + 1, 2, W("Всего операций:"), sans(8, true));
        number(b, kDays, 2, kReceived - kDays - 1, Binding::of(T_CNT).named("T_CNT"), "n_6",
               sans(8, true));
        b.text(kClient + 1, 6, W("Наибольшая ПСК за период, % годовых:"), sans(8, true));
        number(b, kPercent, 6, kLimit - kPercent - 1, Binding::of(T_MAX).named("T_MAX"), "n_10.3",
               sans(8, true));
        b.text(kClient + 1, 10, W("Средняя ПСК за период, % годовых:"), sans(8, true));
        number(b, kPercent, 10, kLimit - kPercent - 1, Binding::of(T_AVG).named("T_AVG"), "n_10.3",
               sans(8, true));
        return b;
    }

    std::vector<kw::dict::PskRecord> limits_;
    int32_t R_DATA = 0;
    kw::FixedString<14> R_KIND;
    int16_t R_DAYS = 0;
    double R_GOT = 0, R_MONEY = 0;
    kw::FixedString<12> R_PCT, R_LIM;
    int32_t T_CNT = 0;
    double T_MAX = 0, T_AVG = 0, sum_ = 0;
    int count_ = 0, defined_ = 0;
};

}  // namespace

void PR_PSK() {
    CostRegister ThisWindow;
    GlobalResponse = ThisWindow.Run();
}
