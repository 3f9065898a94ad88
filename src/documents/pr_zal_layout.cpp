// The layout of the ticket: every row of a copy at its place, in millimetres from the
// top-left corner of the sheet. The right copy repeats the left one 143 mm further
// right, with its own code box, small print and signature lines and a few texts of
// its own spelling.
#include <algorithm>

#include "dictionary/kbp.h"
#include "dictionary/reference.h"
#include "dictionary/sec.h"
#include "documents/document_names.h"
#include "documents/pr_zal.h"
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

// Items of one copy, x shifted by dx.
class Copy {
  public:
    Copy(Band& b, double dx) : b_(b), dx_(dx) {}
    void text(double x, double y, const char* utf8, int size = 8, bool bold = false,
              double width = 0) {
        b_.text(x + dx_, y, W(utf8), sans(size, bold), width);
    }
    void field(double x, double y, Binding use, const char* pic, double width = 0) {
        b_.field(x + dx_, y, std::move(use), pic, sans(8), width);
    }
    // A figure that ends at x1, clear of the label before it that ends near x0.
    void figure(double x0, double x1, double y, Binding use, const char* pic) {
        layout::number(b_, x0 + dx_, y, x1 - x0, std::move(use), pic, sans(8));
    }
    void centred(double x, double y, double width, Binding use, const char* pic, report::Font f) {
        report::Item i;
        i.x = x + dx_;
        i.y = y;
        i.width = width;
        i.use = std::move(use);
        i.picture = pic;
        i.font = f;
        i.align = report::Align::Center;
        b_.add(std::move(i));
    }
    void title(double x, double y, double width, const char* utf8) {
        layout::centred(b_, x + dx_, y, width, utf8, sans(9, true));
    }
    void frame(double x, double y, double width, double height, double pen) {
        b_.box(x + dx_, y, width, height, pen);
    }
    void hline(double x, double y, double length) { b_.line(x + dx_, y, length, 0); }
    void vline(double x, double y, double length) { b_.line(x + dx_, y, 0, length); }

  private:
    Band& b_;
    double dx_;
};

Binding kbp(const char* name) {
    return UseField(dict::kbpTable(), name);
}

// The box of the full cost in the copy's upper right corner: a twentieth of the copy
// (140 x 181 mm) and more, its figures in the largest type of the ticket.
constexpr double kBoxX = 97.5, kBoxY = 1, kBoxW = 40.5, kBoxH = 31.5;
// Where the code box goes when the full cost takes its place: the bottom right of the
// copy, below the redemption operator and clear of the signature lines.
constexpr double kCodesDx = 4, kCodesDy = 153;
constexpr double kRightCodesDx = 16.5;

void costBox(Copy& c, TicketValues& v) {
    c.frame(kBoxX, kBoxY, kBoxW, kBoxH, 0.4);
    c.title(kBoxX, kBoxY + 2.5, kBoxW, "Полная стоимость");
    c.title(kBoxX, kBoxY + 6.5, kBoxW, "займа");
    c.centred(kBoxX, kBoxY + 13, kBoxW, Binding::of(v.PSK_P).named("PSK_P"), "s20", sans(11, true));
    c.centred(kBoxX, kBoxY + 21.5, kBoxW, Binding::of(v.PSK_S).named("PSK_S"), "s20",
              sans(11, true));
}

void codeBox(Copy& c, double dx, double dy) {
    c.text(118 + dx, 2 + dy, "коды", 6);
    c.text(118 + dx, 6 + dy, "1401", 6);
    c.text(118 + dx, 9 + dy, "019716-3", 6);
    c.hline(116 + dx, 6 + dy, 14);
    c.vline(117 + dx, 6 + dy, 10);
    c.hline(113 + dx, 9 + dy, 19);
    c.hline(113 + dx, 13 + dy, 19);
    c.text(96 + dx, 7 + dy, "Форма БО-7", 6);
    c.text(96 + dx, 10 + dy, "Вид услуг", 6);
    c.text(96 + dx, 13 + dy, "Ломбард", 6);
}

void heading(Copy& c, bool right, bool box) {
    c.text(3, 2, "Ломбард");
    // The right copy's name stops short of its code box, either's of the full cost.
    c.field(16, 2, kbp("NAME"), "s60", box ? kBoxX - 16.5 : right ? 79 : 96);
    c.field(3, 5, kbp("ADR"), "s80", 91);
    if (!right) codeBox(c, box ? kCodesDx : 0, box ? kCodesDy : 0);
    c.text(3, 8, "телефоны:");
    c.field(18, 8, kbp("TEL"), "s60", 69);
    c.text(16, 12, "Залоговый билет №", 8, true);
    c.field(51, 11, Binding::of(N_KV_G).named("N_KV_G"), "n_10", 38);
    c.text(3, 16, "Дата приема:");
    c.field(23, 16, Binding::of(DATA_G).named("DATA_G"), "D6");
    c.text(43, 16, "Дата выкупа:");
    c.field(62, 16, Binding::of(DATA_K_G).named("DATA_K_G"), "D6");
    const double days = box ? 33.5 : 16;  // under the box of the full cost
    c.text(83, days, "Количество дней:");
    c.field(107, days, Binding::of(KOL_D_G).named("KOL_D_G"), "n_4");
    c.hline(113, days, 20);
    const double end = box ? kBoxX - 0.5 : 130;  // where the pledger's lines stop
    c.text(3, 20, "Залогодатель:");
    c.field(24, 20, Binding::of(FIO_G).named("FIO_G"), "s60", std::min(106.0, end - 24));
    c.text(3, 23, "Паспорт:");
    c.field(16, 23, Binding::of(PAS_G).named("PAS_G"), "s60", std::min(101.0, end - 16));
    c.text(3, 26, "Адрес:");
    c.field(13, 26, Binding::of(ADR_G).named("ADR_G"), "s60", std::min(105.0, end - 13));
    c.text(3, 30, "Имущество принял товаровед:");
    c.field(46, 30, UseField(dict::secTable(), "FIO"), "s25", 50);
}

void item(Copy& c, bool right) {
    c.text(33, 37, "Наименование и описание имущества", 8, true);
    c.hline(5, 39, 26);
    c.hline(94, 39, 34);
    c.text(5, 40, "Металл:");
    c.field(16.7, 40, UseField(dict::metTable(), "NAME"), "s10", 15.5);
    c.text(33, 40, "Проба:");
    c.field(42.9, 40, Binding::of(PROB_G).named("PROB_G"), "n3");
    c.text(49, 40, "Вес(гр.):");
    c.field(61, 40, Binding::of(VEC_G).named("VEC_G"), "n_10.4");
    c.text(79, 40, right ? "Цена за  грамм:" : "Цена за грамм:");
    c.field(101, 40, Binding::of(Z1G_G).named("Z1G_G"), "n_10.2");
    c.text(5, 43, "Камень:");
    c.field(17, 43, UseField(dict::kamTable(), "NAME"), "s15", 28.3);
    c.text(46, 43, right ? "Вес (кар):" : "Вес(кар.):");
    c.field(60, 43, Binding::of(VEC_K_G).named("VEC_K_G"), "n_10.4");
    c.text(79, 43, "Цена за карат:");
    c.field(100, 43, Binding::of(Z1K_G).named("Z1K_G"), "n_10.2");
    c.text(5, 47, "Оценка камня:");
    c.field(26, 47, Binding::of(OZ_K_G).named("OZ_K_G"), "n_10.2");
    c.text(43, 47, "Вес чистый:");
    c.field(61, 47, Binding::of(VEC_CH_G).named("VEC_CH_G"), "n_10.5");
    c.field(5, 51, Binding::of(OP_IZ_G).named("OP_IZ_G"), "s80", 123);
    c.field(5, 54, Binding::of(PRIM_G).named("PRIM_G"), "s80", 123);
    c.text(5, 59, "Оценка ломбарда(руб):");
    c.figure(36.7, 54.3, 59, Binding::of(S_OZEN_G).named("S_OZEN_G"), "n_10.2");
    c.text(55, 59, "Ссуда(возвратить при выкупе в срок):");
    c.field(107, 59, Binding::of(S_CCYD_G).named("S_CCYD_G"), "n_10.2");
    c.text(127, 59, "(руб)");
    c.text(5, 64, "С описанием,оценкой имущества и ссудой согласен.Залогодатель");
}

void charges(Copy& c, bool right) {
    c.text(33, 70, "Расчет оплаты услуг", 8, true);
    c.hline(96, 69, 30);
    c.hline(6, 72, 26);
    c.hline(66, 72, 64);
    c.text(6, 74, "Хранение:");
    c.field(21, 74, Binding::of(P_XR_D_G).named("P_XR_D_G"), "n_10.6");
    c.text(40, 74, "%% в день, сумма:");
    c.figure(65.7, 83.3, 74, Binding::of(S_P_X_G).named("S_P_X_G"), "n_10.2");
    c.text(84, 74, right ? "руб." : "руб");
    c.text(6, 77, "Ссуда:");
    c.field(22, 77, Binding::of(P_CC_D).named("P_CC_D"), "n_10.6");
    c.text(41, 77, right ? "%% вдень, сумма:" : "%% в день,сумма:");
    c.figure(65.9, 83.3, 77, Binding::of(S_P_S_G).named("S_P_S_G"), "n_10.2");
    c.text(84, 77, "руб.");
    c.text(6, 81, "К выдаче:");
    c.field(21, 81, Binding::of(S_VID_G).named("S_VID_G"), "n_10.2");
    c.text(41, 81, "руб.");
    c.field(22, 84, Binding::of(S1).named("S1"), "s60", 108);
    c.field(22, 87, Binding::of(S2).named("S2"), "s60", 102);
    c.field(22, 90, Binding::of(S3).named("S3"), "s60", 106);
}

struct Stage {
    int32_t *PR, *P1, *P2;
    int16_t* KOL;
    double *SPX, *SPC, *SST;
    int16_t *PD, *SD;
    double* IT;
    const char* digit;
};

void prolongation(Copy& c, bool right, int k, const Stage& s) {
    const double y = 92 + (k - 1) * 15;
    const std::string d = s.digit;
    auto g = [&](auto& v, const char* name) {
        return Binding::of(v).named(std::string(name) + d + "_G");
    };
    c.text(k == 1 ? 34 : 32, y,
           k == 1   ? "Перезалог №1"
           : k == 2 ? "Перезалог №2"
                    : "Перезалог №3",
           8, true);
    if (k == 1) {
        c.hline(6, 94, 26);
        c.hline(57, 94, 69);
    }
    c.text(5, y + 3, "Дата прихода:");
    c.field(26, y + 3, g(*s.PR, "DATA_PR"), "D6");
    c.text(45, y + 3, k == 1 ? "перезалог с:" : "перезалог с :");
    c.field(k == 1 ? 62 : 62.9, y + 3, Binding::of(*s.P1).named("DATA_P" + d + "1_G"), "D6");
    c.text(81, y + 3, "по:");
    c.field(86, y + 3, Binding::of(*s.P2).named("DATA_P" + d + "2_G"), "D6");
    c.text(104, y + 3, "на:");
    c.field(109, y + 3, g(*s.KOL, "KOL_D"), "n_4");
    c.text(117, y + 3, "дней");
    const char* received = k == 3            ? "Пролучены %% похранению:"
                           : k == 1 && right ? "Получены %%  по хранению: "
                                             : "Получены %% по хранению:";
    c.text(5, y + 6, received);
    c.figure(44.1, 62.2, y + 6, g(*s.SPX, "S_P_X"), "n_10.2");
    c.text(63, y + 6, "по ссуде:");
    c.field(77, y + 6, g(*s.SPC, "S_P_C"), "n_10.2");
    if (k == 1 || right) {
        c.text(97, y + 6, "руб.");
        c.text(104, y + 6, "за");
    } else {
        c.text(94, y + 6, "руб. за");
    }
    c.field(109, y + 6, Binding::of(*s.PD).named("PD" + d), "n3");
    c.text(117, y + 6, "дней");
    c.text(5, y + 9, "Штраф за:");
    c.field(20, y + 9, Binding::of(*s.SD).named("SD" + d), "n3");
    c.text(27, y + 9, k == 1 ? "дней :" : "дней:");
    c.field(36, y + 9, g(*s.SST, "S_ST"), "n_10.2");
    c.text(57, y + 9, "руб.");
    c.text(64, y + 9, k > 1 && right ? "%% и штраф уплатил" : "%% и штраф оплатил");
    c.text(5, y + 12, "Итого к оплате:");
    c.field(27, y + 12, Binding::of(*s.IT).named("IT" + d), "n_10.2");
}

void redemption(Copy& c, bool right, TicketValues& v) {
    c.text(34, 137, "Расчетный талон выкупа", 8, true);
    c.hline(99, 137, 26);
    c.hline(6, 139, 26);
    c.hline(74, 139, 53);
    c.text(5, 140, "Дата прихода:");
    c.field(26, 140, Binding::of(DATA_PRW_G).named("DATA_PRW_G"), "D6");
    c.text(5, 143, right ? "Получены %% по храненю:" : "Получены %% по хранению:");
    c.figure(42.9, 60.3, 143, Binding::of(S_P_XW_G).named("S_P_XW_G"), "n_10.2");
    c.text(61, 143, "по ссуде:");
    c.field(74, 143, Binding::of(S_P_CW_G).named("S_P_CW_G"), "n_10.2");
    c.text(96, 143, "за");
    c.field(101, 143, Binding::of(v.WD).named("WD"), "n3");
    c.text(108, 143, "дней");
    c.text(5, 146, "Штраф за:");
    c.field(20, 146, Binding::of(v.SDW).named("SDW"), "n3");
    c.text(27, 146, right ? "дней :" : "дней:");
    c.figure(35.7, 54.3, 146, Binding::of(S_STW_G).named("S_STW_G"), "n_10.2");
    c.text(55, 146, "руб.");
    c.text(5, 150, "Итого к оплате:");
    c.field(27, 150, Binding::of(S_W_G).named("S_W_G"), "n_10.2");
    if (right) c.text(47, 150, "руб.");
    c.text(64, 150, "Оператор выкупа:");
    c.field(91, 150, UseField(dict::secTable(), "FIO"), "s25", 48);
}

void signatures(Copy& c, bool right) {
    if (!right) {
        c.text(5, 155, "С расчетом согласен,имущество получил");
        c.hline(63, 161, 32);
        c.text(24, 163, "Имущество владельцу выдал");
        c.hline(65, 169, 31);
        c.text(6, 173, "За каждый день просрочки", 6);
        c.text(6, 176, "оплата по двойному тарифу", 6);
        c.text(53, 174, "Реализация всех вещей", 6);
        c.text(48, 176, "производится по истечению 30 дней", 6);
        c.text(58, 178, "с даты выкупа", 6);
        c.text(98, 174, "За снятие с реализации", 6);
        c.text(103, 176, "15% от оценки", 6);
        c.text(102, 178, "-дополнительно", 6);
        return;
    }
    // The right copy's own places, given from the sheet's left edge (dx taken off).
    c.text(152 - 143, 155, "С расчетом согласен,имущество получил");
    c.text(171 - 143, 163, "Имущество владельцу выдал");
    c.hline(212 - 143, 163, 43);
    c.hline(212 - 143, 172, 43);
    c.text(147 - 143, 173, "За каждый день просрочки", 6);
    c.text(147 - 143, 176, "оплата по двойному тарифу", 6);
    c.text(190 - 143, 173, "Реализация всех вещей производится", 6, false, 52);
    c.text(190 - 143, 176, "по истечению 30 дней с даты выкупа", 6);
    c.text(243 - 143, 173, "За снятие с реализации", 6, true);
    c.text(243 - 143, 176, "-дополнительно", 6);
    c.text(243 - 143, 178, "15 % от оценки", 6);
}

// The right copy's code box at the top right, or moved by (dx, dy).
void rightCodeBox(Band& b, double dx, double dy) {
    b.text(240 + dx, 4 + dy, W("Форма БО-7"), sans(6));
    b.text(240 + dx, 7 + dy, W("Вид услуг"), sans(6));
    b.text(240 + dx, 10 + dy, W("Ломбард"), sans(6));
    b.text(261 + dx, 1 + dy, W("коды"), sans(6));
    b.text(262 + dx, 5 + dy, "1401", sans(6));
    b.text(260 + dx, 8 + dy, "019716-3", sans(6));
    b.line(259 + dx, 4 + dy, 0, 11);
    for (double y : {8.0, 12.0, 14.0}) b.line(256 + dx, y + dy, 17, 0);
}

}  // namespace

report::ReportDef ticketReport(TicketValues& v, bool duplicate) {
    report::ReportDef def;
    def.title = W("Залоговый билет");
    def.fileName = ticketName(duplicate ? W("Дубликат залогового билета") : def.title, N_KV_G);
    def.units = report::Units::Millimetres;
    def.paper = report::kPaperA4;
    def.orientation = report::Orientation::Landscape;
    def.font = Font{};  // Arial 10
    def.header.height = 181;
    const Stage stages[3] = {
        {&DATA_PR1_G, &DATA_P11_G, &DATA_P12_G, &KOL_D1_G, &S_P_X1_G, &S_P_C1_G, &S_ST1_G, &v.PD1,
         &v.SD1, &v.IT1, "1"},
        {&DATA_PR2_G, &DATA_P21_G, &DATA_P22_G, &KOL_D2_G, &S_P_X2_G, &S_P_C2_G, &S_ST2_G, &v.PD2,
         &v.SD2, &v.IT2, "2"},
        {&DATA_PR3_G, &DATA_P31_G, &DATA_P32_G, &KOL_D3_G, &S_P_X3_G, &S_P_C3_G, &S_ST3_G, &v.PD3,
         &v.SD3, &v.IT3, "3"},
    };
    for (bool right : {false, true}) {
        Copy c(def.header, right ? 143 : 0);
        heading(c, right, v.costBox);
        if (v.costBox) costBox(c, v);
        item(c, right);
        charges(c, right);
        for (int k = 1; k <= 3; ++k) prolongation(c, right, k, stages[k - 1]);
        redemption(c, right, v);
        signatures(c, right);
    }
    rightCodeBox(def.header, v.costBox ? kRightCodesDx : 0, v.costBox ? kCodesDy : 0);
    def.header.line(140, 0, 0, 181);  // between the copies
    if (duplicate) {
        def.header.text(103, 30, W("ДУБЛИКАТ"), sans(10, true));
        def.header.text(244, 31, W("ДУБЛИКАТ"), sans(10, true));
    }
    def.details.push_back(report::Band{});  // the empty detail of FIL's record
    return def;
}

}  // namespace kw::documents
