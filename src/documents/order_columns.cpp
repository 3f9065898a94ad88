// Every position here is in millimetres from the band's top-left corner; the reports in
// thousandths of an inch get the same page scaled (toThousandths).
#include "documents/order_columns.h"

#include <cmath>

#include "dictionary/kbp.h"
#include "dictionary/sec.h"
#include "dictionary/zal.h"
#include "documents/document_names.h"
#include "documents/report_layout.h"
#include "framework/window/window_manager.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

namespace kw::documents {

namespace {

using report::Band;
using report::Font;
using ui::Binding;

using layout::sans;
using layout::zal;

void text(Band& b, double x, double y, const char* utf8, int size = 8, bool bold = false) {
    b.text(x, y, W(utf8), sans(size, bold));
}

// A number ends at `right`, so the figures of a column line up; dates and texts start
// at x.
void field(Band& b, double x, double y, Binding use, const char* picture, double right = 0) {
    if (right > x) {
        layout::number(b, x, y, right - x, std::move(use), picture);
    } else {
        b.field(x, y, std::move(use), picture, sans());
    }
}

struct Column {
    double x0, x1;
    const char* heading1;
    const char* heading2;
    const char* field;
    const char* picture;
};

// The columns before the prolongations; each field sits on the row's first line.
const Column kColumns[] = {
    {0, 13, "№№ зал.", "билета", "N_KV", "n_8"},
    {13, 31, "Дата", "выдачи", "DATA", "D6"},
    {31, 49, "Дата ", "выкупа", "DATA_K", "D6"},
    {49, 66, "Оценка", "залога", "S_OZEN", "n_10.2"},
    {66, 83, "Ссуда", nullptr, "S_CCYD", "n_10.2"},
    {83, 99, "%% по", "ссуде", "S_P_S", "n_10.2"},
    {99, 116, "%% по ", "хранению", "S_P_X", "n_10.2"},
    {116, 132, "Выдано", "на руки", "S_VID", "n_10.2"},
};
constexpr double kSeparators[] = {13, 31, 49, 66, 83, 99, 116, 132, 185};
constexpr double kGroupStart = 132;  // the prolongations, then the redemption from 185
constexpr double kRowHeight = 11;
constexpr double kHeaderHeight = 17;  // the separators run on into the first row

struct Title {
    const char* text;  // bold, at x 20, then D1
    double d1x;
    bool period;  // "до:" D2 follows
};

Title titleOf(OrderKind kind) {
    switch (kind) {
        case OrderKind::Order:
            return {"Сводный ордер за период от:", 67, true};
        case OrderKind::Operations:
            return {"Справка по операциям за период от:", 79, true};
        case OrderKind::Overdue:
            return {"Просроченыые ссуды по состоянию на:", 81, false};
        case OrderKind::Profit:
            return {"Справка по прибыли за период от:", 76, true};
    }
    return {"", 67, true};
}

void titleLine(Band& b, OrderKind kind) {
    const Title t = titleOf(kind);
    text(b, 20, 1, t.text, 8, true);
    field(b, t.d1x, 1, Binding::of(D1).named("D1"), "D6");
    double x = t.d1x + 21;
    if (t.period) {
        text(b, x, 1, "до:", 8, true);
        field(b, x + 6, 1, Binding::of(D2).named("D2"), "D6");
        x += 31;
    }
    text(b, x, 1, "Ломбард");
    field(b, x + 14, 1, UseField(dict::kbpTable(), "NAME"), "s60");
}

void headings(Band& b) {
    b.line(0, 6, 289, 0);
    b.line(0, 15, 288, 0);
    for (double x : kSeparators) b.line(x, 6, 0, 11);
    // Headings keep 0.6 mm from the rules; "№№ зал." nearly fills its 13 mm column,
    // which has no rule on its left.
    for (const Column& c : kColumns) {
        const double y = c.heading2 ? 7.3 : 9;
        const double left = c.x0 == 0 ? 0.2 : c.x0 + 0.6, width = c.x1 - 0.6 - left;
        b.text(left, y, W(c.heading1), sans(), width);
        if (c.heading2) b.text(left, 10.8, W(c.heading2), sans(), width);
    }
    // The group headings clear of the sub-headings in size 6 beneath them.
    layout::centred(b, kGroupStart, 6.1, 185 - kGroupStart, "Перезалоги(1-3)");
    text(b, 133, 10, "Дата");
    text(b, 151, 9.2, "Получено %%", 6);
    text(b, 151, 11.8, "всего", 6);
    text(b, 168, 9.2, "Получено", 6);
    text(b, 168, 11.8, "штрафов", 6);
    layout::centred(b, 185, 6.1, 289 - 185, "Выкуп");
    text(b, 186, 10, "Дата");
    // At size 8 these would run into the next column.
    text(b, 204, 9.2, "получено %%", 6);
    text(b, 204, 11.8, "по ссуде", 6);
    text(b, 221, 9.2, "получено %%", 6);
    text(b, 221, 11.8, "по хранению", 6);
    text(b, 238, 9.2, "получено", 6);
    text(b, 238, 11.8, "штрафов", 6);
    text(b, 255, 8.3, "Получено");
    text(b, 255, 11.3, "от клиента");
}

// The pledge's columns; `leftSeparators` is how far the separators before the
// prolongations run down (the profit report writes under them).
void rowCells(Band& b, OrderRow& row, double leftSeparators) {
    for (const Column& c : kColumns) {
        const bool number = c.picture[0] == 'n';
        field(b, c.x0 + 1, 1, zal(c.field), c.picture, number ? c.x1 - 1 : 0);
    }
    const char* dates[] = {"DATA_PR1", "DATA_PR2", "DATA_PR3"};
    const char* penalties[] = {"S_ST1", "S_ST2", "S_ST3"};
    double* received[] = {&row.PP_1, &row.PP_2, &row.PP_3};
    const char* receivedNames[] = {"PP_1", "PP_2", "PP_3"};
    for (int k = 0; k < 3; ++k) {
        const double y = 1 + 3 * k;
        field(b, 133, y, zal(dates[k]), "D6");
        field(b, 151, y, Binding::of(*received[k]).named(receivedNames[k]), "n_10.2", 166);
        field(b, 168, y, zal(penalties[k]), "n_10.2", 184);
    }
    field(b, 186, 1, zal("DATA_PRW"), "D6");
    field(b, 204, 1, zal("S_P_CW"), "n_10.2", 219);
    field(b, 221, 1, zal("S_P_XW"), "n_10.2", 236);
    field(b, 238, 1, zal("S_STW"), "n_10.2", 253);
    field(b, 255, 1, zal("S_W"), "n_10.2", 270);
    for (double x : kSeparators) b.line(x, 0, 0, x < kGroupStart ? leftSeparators : kRowHeight);
}

// The client and the article under the row. The description goes to the end of the
// metal's line, where its eighty characters have room.
void pledgeDetails(Band& b, OrderRow& row) {
    field(b, 1, 12, Binding::of(row.PR).named("PR"), "s1");
    b.field(4, 12, zal("FIO"), "s60", sans(), 86);
    b.field(92, 12, zal("PAS"), "s60", sans(), 50);
    b.field(145, 12, zal("ADR"), "s60", sans(), 143);
    b.field(165, 15, zal("OP_IZ"), "s80", sans(), 123);
    b.field(4, 15, Binding::of(row.MET_N).named("MET_N"), "s15", sans(), 25.3);
    text(b, 30, 15, "проба:");
    field(b, 40, 15, zal("PROB"), "n3");
    text(b, 50, 15, "цена за грамм:");
    field(b, 72, 15, zal("Z1G"), "n_10.2");
    text(b, 90, 15, "вес:");
    field(b, 97, 15, zal("VEC"), "n_11.6");
    text(b, 120, 15, "вес чистый:");
    field(b, 137, 15, zal("VEC_CH"), "n_10.6");
    b.field(4, 18, Binding::of(row.KAM_N).named("KAM_N"), "s15", sans(), 25.3);
    text(b, 30, 18, "вес камня:");
    field(b, 46, 18, zal("VEC_K"), "n_9.6");
    text(b, 66, 18, "цена за карат:");
    field(b, 87, 18, zal("Z1K"), "n_8.2");
    text(b, 105, 18, "оценка камня:");
    field(b, 126, 18, zal("OZ_K"), "n_10.2");
}

Band detail(OrderKind kind, OrderRow& row) {
    Band b;
    switch (kind) {
        case OrderKind::Order:
            rowCells(b, row, kRowHeight);
            b.line(1, kRowHeight, 288, 0);
            b.height = kRowHeight;
            break;
        case OrderKind::Operations:
        case OrderKind::Overdue:
            rowCells(b, row, kRowHeight);
            pledgeDetails(b, row);
            b.line(1, 22, 288, 0);
            b.height = 23;
            break;
        case OrderKind::Profit:
            rowCells(b, row, 6);
            text(b, 50, 7, "Получена прибыль:", 8, true);
            field(b, 83, 7, Binding::of(row.PRIB).named("PRIB"), "n-_10.2", 98);
            b.line(1, kRowHeight, 288, 0);
            b.height = kRowHeight;
            break;
    }
    return b;
}

Binding total(double& v, const char* name) {
    return Binding::of(v).named(name);
}

void prolongationTotals(Band& b, double y, OrderTotals& t) {
    text(b, 2, y, "По перезалогам получено: %% всего:");
    field(b, 54, y, total(t.T_PER_I, "T_PER_I"), "n_15.2");
    text(b, 74, y, "штрафов всего:");
    field(b, 96, y, total(t.T_ST_I, "T_ST_I"), "n_15.2");
    text(b, 120, y, "всего получено:");
    field(b, 143, y, total(t.SS_PER, "SS_PER"), "n_15.2");
}

void redemptionTotals(Band& b, double y, OrderTotals& t) {
    text(b, 2, y, "По выкупу получено %%  по ссудам:");
    field(b, 54, y, total(t.T_W_PS, "T_W_PS"), "n_15.2");
    text(b, 74, y, "по хранению:");
    field(b, 93, y, total(t.T_W_PX, "T_W_PX"), "n_15.2");
    text(b, 120, y, "по штрафам:");
    field(b, 143, y, total(t.T_W_S, "T_W_S"), "n_15.2");
    text(b, 162, y, "всего получено от клиентов:");
    field(b, 202, y, total(t.T_W_W, "T_W_W"), "n_15.2");
}

void receiver(Band& b, double y) {
    text(b, 186, y, "Приемщик:");
    field(b, 202, y, UseField(dict::secTable(), "FIO"), "s25");
}

Band totalsBlock(OrderKind kind, OrderTotals& t) {
    Band b;
    text(b, 2, 1, "Итого за указанный период: ", 8, true);
    if (kind == OrderKind::Profit) {
        prolongationTotals(b, 5, t);
        redemptionTotals(b, 9, t);
        text(b, 88, 13, "Всего получено:");
        field(b, 111, 13, total(t.SS_WW, "SS_WW"), "n_15.2");
        text(b, 88, 17, "Получено прибыли всего:", 8, true);
        field(b, 126, 17, total(t.T_PRIB, "T_PRIB"), "n-_15.2");
        receiver(b, 18);
        b.height = 23;
        return b;
    }
    if (kind == OrderKind::Order) {
        text(b, 48, 1, "получено залогов по оценке на сумму:");
        field(b, 104, 1, total(t.T_OZ_S, "T_OZ_S"), "n_15.2");
    } else {
        text(b, 48, 1, "получено залогов на сумму:");
        field(b, 88, 1, total(t.T_OZ_S, "T_OZ_S"), "n_15.2");
    }
    text(b, 2, 5, "Выдано ссуд:");
    field(b, 22, 5, Binding::of(t.T_CC_K).named("T_CC_K"), "n_9");
    text(b, 36, 5, "на сумму:");
    field(b, 50, 5, total(t.T_CC_S, "T_CC_S"), "n_15.2");
    text(b, 74, 5, "начислено %% по ссудам:");
    field(b, 111, 5, total(t.T_PP_S, "T_PP_S"), "n_15.2");
    text(b, 132, 5, "по хранению:");
    field(b, 152, 5, total(t.T_PP_X, "T_PP_X"), "n_15.2");
    text(b, 174, 5, "всего %%:");
    field(b, 190, 5, total(t.T_PP_I, "T_PP_I"), "n_15.2");
    text(b, 212, 5, "выдано на руки:");
    field(b, 235, 5, total(t.T_VID, "T_VID"), "n_15.2");
    prolongationTotals(b, 9, t);
    redemptionTotals(b, 13, t);
    text(b, 88, 17, "Всего получено:");
    field(b, 111, 17, total(t.SS_WW, "SS_WW"), "n_15.2");
    receiver(b, 18);
    b.height = 23;
    return b;
}

void scaleBand(Band& b, double f) {
    auto s = [f](double& v) { v = std::round(v * f); };
    s(b.height);
    for (report::Item& i : b.items) {
        s(i.x);
        s(i.y);
        s(i.width);
        s(i.height);
        s(i.pen);
    }
}

void toThousandths(report::ReportDef& def) {
    const double f = 1 / report::mmPerUnit(report::Units::Thousandths);
    def.units = report::Units::Thousandths;
    def.left = std::round(def.left * f);
    def.top = std::round(def.top * f);
    def.right = std::round(def.right * f);
    def.bottom = std::round(def.bottom * f);
    for (Band* b : {&def.form, &def.header, &def.footer}) scaleBand(*b, f);
    for (Band& b : def.details) scaleBand(b, f);
}

const char* reportTitle(OrderKind kind) {
    switch (kind) {
        case OrderKind::Order:
            return "Сводный ордер";
        case OrderKind::Operations:
            return "Справка по операциям";
        case OrderKind::Overdue:
            return "Просроченные ссуды";
        case OrderKind::Profit:
            return "Справка по прибыли";
    }
    return "";
}

}  // namespace

report::ReportDef orderReport(OrderKind kind, OrderRow& row, OrderTotals& totals) {
    report::ReportDef def =
        layout::sheet(reportTitle(kind), report::Orientation::Landscape, {4, 5, 4, 5});
    def.fileName = periodName(def.title);
    titleLine(def.header, kind);
    headings(def.header);
    def.header.height = kHeaderHeight;
    layout::pageFooter(def.footer, 235);
    def.details.push_back(detail(kind, row));
    if (kind != OrderKind::Overdue) def.details.push_back(totalsBlock(kind, totals));
    if (kind != OrderKind::Order) toThousandths(def);
    return def;
}

}  // namespace kw::documents
