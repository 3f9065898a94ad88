// kestrowd-demo DIR [--today DAYNUMBER]: fills the data directory DIR, which already
// holds the settings and reference tables, with a pawnshop's history: business days
// from 91 days before today up to yesterday, each opened and closed, pledges issued
// and later prolonged, redeemed, handed over for sale or deleted, cash-journal entries
// and remembered clients. Today is left not open. The same DIR contents and today give
// the same history: the random choices come from a fixed seed.
//
// Every amount of a pledge comes from the program's own computations (the loan
// arithmetic and the event arithmetic); a day's totals follow the closing rule of the
// cash desk, applied at the end of each simulated day.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "dictionary/day.h"
#include "dictionary/kbp.h"
#include "dictionary/klm.h"
#include "dictionary/pkl.h"
#include "dictionary/zal.h"
#include "rules/charge.h"
#include "rules/day_totals.h"
#include "rules/loan_calc.h"
#include "rules/pledge_events.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/proc_thread.h"
#include "storage/file.h"
#include "storage/postgres/pg_backend.h"

namespace {

using kw::W;
using kw::dict::DayRecord;
using kw::dict::KbpRecord;
using kw::dict::KlmRecord;
using kw::dict::PklRecord;
using kw::dict::ZalRecord;

// A small linear congruential generator: the same sequence on every machine.
struct Random {
    uint64_t state = 20251208;
    uint32_t next() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(state >> 33);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
    bool chance(int percent) { return below(100) < percent; }
};

struct Client {
    const char* fio;
    const char* adr;
    const char* pas;
};

const Client kClients[] = {
    {"Петров Иван Сергеевич", "г. Вологда, ул. Ленина, д. 4, кв. 12", "1904 123456"},
    {"Смирнова Ольга Викторовна", "г. Вологда, ул. Мира, д. 30, кв. 7", "1905 234567"},
    {"Кузнецов Андрей Павлович", "г. Вологда, пр. Победы, д. 15, кв. 44", "1902 345678"},
    {"Васильева Мария Ивановна", "г. Вологда, ул. Зосимовская, д. 8", "1906 456789"},
    {"Попов Дмитрий Алексеевич", "г. Вологда, ул. Чехова, д. 21, кв. 3", "1903 567890"},
    {"Соколова Елена Николаевна", "г. Вологда, ул. Гоголя, д. 50, кв. 18", "1907 678901"},
    {"Лебедев Сергей Юрьевич", "г. Вологда, Советский пр., д. 9, кв. 60", "1901 789012"},
    {"Новикова Татьяна Петровна", "г. Вологда, ул. Козленская, д. 33", "1908 890123"},
    {"Морозов Алексей Игоревич", "г. Вологда, ул. Пушкинская, д. 2, кв. 5", "1904 901234"},
    {"Волкова Анна Сергеевна", "г. Вологда, ул. Благовещенская, д. 11", "1909 012345"},
    {"Федоров Николай Васильевич", "г. Вологда, ул. Герцена, д. 64, кв. 21", "1902 112233"},
    {"Михайлова Ирина Олеговна", "г. Вологда, ул. Предтеченская, д. 40", "1905 223344"},
};

// Metal, fineness and price per gram as the fineness price list of the demo has them.
struct Fineness {
    uint8_t met;
    int16_t prob;
    double price;
    const char* item;
};
const Fineness kItems[] = {
    {1, 585, 2960, "Кольцо золотое"},     {1, 585, 2960, "Серьги золотые"},
    {1, 375, 1900, "Цепь золотая"},       {1, 583, 2950, "Браслет золотой"},
    {1, 500, 2500, "Кольцо обручальное"}, {2, 925, 60, "Цепь серебряная"},
};

template <class R>
bool writeAll(const kw::storage::TableDecl& t, const std::vector<R>& records) {
    kw::storage::File f(t);
    if (!f.create().ok() || !f.open().ok()) return false;
    f.setDurable(false);  // one file made at once: a failure leaves the whole demo unmade
    for (const R& r : records) {
        std::memcpy(t.buffer(), &r, sizeof(R));
        if (!f.add().ok()) return false;
    }
    return f.close().ok();
}

bool readSettings(KbpRecord& k) {
    kw::storage::File f(kw::dict::kbpTable());
    if (!f.open().ok()) return false;
    const bool got = f.next().ok();
    if (got) k = KBP;
    return f.close().ok() && got;
}

bool writeSettings(const KbpRecord& k) {
    kw::storage::File f(kw::dict::kbpTable());
    if (!f.open().ok() || !f.next().ok()) return false;
    KBP = k;
    return f.put().ok() && f.close().ok();
}

bool active(const ZalRecord& z) {
    return z.SOST < 4;
}

// The end of the pledge's current period: the last prolongation's, else the term's.
int32_t periodEnd(const ZalRecord& z) {
    if (z.DATA_P32) return z.DATA_P32;
    if (z.DATA_P22) return z.DATA_P22;
    if (z.DATA_P12) return z.DATA_P12;
    return z.DATA_K;
}

// The day closing's totals over the pledges and journal as they stand at the end of `d`,
// by the cash desk's own rules for a pledge.
DayRecord closeDay(int32_t d, double opening, const std::vector<ZalRecord>& zal,
                   const std::vector<KlmRecord>& klm) {
    kw::cashdesk::DayTotals t;
    for (const ZalRecord& z : zal) kw::cashdesk::addPledge(t, z, d);
    for (const KlmRecord& j : klm) kw::cashdesk::addEntry(t, j, d);
    DayRecord r;
    r.DATA = d;
    r.KAS_N = opening;
    r.OBO = t.OBO;
    r.KAS = kw::cashdesk::closingBalance(opening, t);
    r.PRIB = t.PRIBI;
    return r;
}

int run(int32_t today) {
    KbpRecord k;
    if (!readSettings(k)) {
        std::fprintf(stderr, "kestrowd-demo: no settings record in KBP.DAT\n");
        return 2;
    }
    Random rnd;
    std::vector<ZalRecord> zal;
    std::vector<KlmRecord> klm;
    std::vector<DayRecord> days;
    double cash = k.KAS_N;
    const int32_t first = today - 91;
    for (int32_t d = first; d < today; ++d) {
        // The events of the pledges already in the file.
        for (ZalRecord& z : zal) {
            if (!active(z) || z.DATA >= d) continue;
            const int32_t end = periodEnd(z);
            kw::pledges::PenaltyMemo memo;
            if (d > end + 30 && rnd.chance(50)) {
                kw::pledges::sell(z, d);
                z.SOST = 5;
            } else if (z.SOST < 3 && d >= end - 3 && d <= end + 5 && rnd.chance(12)) {
                const int stage = z.SOST + 1;
                int16_t& days = stage == 1 ? z.KOL_D1 : stage == 2 ? z.KOL_D2 : z.KOL_D3;
                days = static_cast<int16_t>(14 + 7 * rnd.below(3));  // as the client asks
                kw::pledges::prolong(stage, z, k, d, memo);
                z.SOST = static_cast<uint8_t>(stage);
            } else if (d > z.DATA + 5 && rnd.chance(d > end ? 1 : 2)) {
                kw::pledges::redeem(z, k, d, memo);
                z.SOST = 4;
            }
        }
        // The new pledges of the day; now and then one is cancelled the same day.
        const int issued = 3 + rnd.below(3);
        for (int i = 0; i < issued; ++i) {
            const Client& c = kClients[rnd.below(std::size(kClients))];
            const Fineness& f = kItems[rnd.below(std::size(kItems))];
            ZalRecord z;
            z.OPER = 1;
            z.FIO = W(c.fio);
            z.ADR = W(c.adr);
            z.PAS = W(c.pas);
            z.MET = f.met;
            z.PROB = f.prob;
            z.Z1G = f.price;
            z.OP_IZ = W(f.item);
            z.VEC = (15 + rnd.below(100)) / 10.0;
            // Numbered as the new-pledge form numbers them: after the settings' first number.
            z.N_KV = k.S_N + static_cast<int32_t>(zal.size()) + 1;
            kw::pledges::fillLoanData(z, k, d, static_cast<uint32_t>(zal.size()));
            kw::pledges::loan::forward(z);
            if (rnd.chance(2)) z.SOST = 6;
            zal.push_back(z);
        }
        // The cash journal: the odd expense.
        if (rnd.chance(15)) {
            KlmRecord j;
            j.DATA = d;
            j.FIO = W("Кассир");
            j.RAS = 500 + 100 * rnd.below(30);
            j.NAME = W(rnd.chance(50) ? "Хозяйственные расходы" : "Оплата услуг связи");
            klm.push_back(j);
        }
        // The owner tops the desk up whenever the morning's cash runs short of the day's loans.
        if (cash < 200000) {
            KlmRecord j;
            j.DATA = d;
            j.FIO = W("Заведующая");
            j.PRI = 300000;
            j.NAME = W("Подкрепление кассы");
            klm.push_back(j);
        }
        const DayRecord r = closeDay(d, cash, zal, klm);
        days.push_back(r);
        cash = r.KAS;
    }
    std::vector<PklRecord> pkl;
    for (const Client& c : kClients) {
        PklRecord p;
        p.FIO = W(c.fio);
        p.ADR = W(c.adr);
        p.PAS = W(c.pas);
        pkl.push_back(p);
    }
    // The last closing carries its balance to the settings, as the day closing does.
    k.KAS_N = cash;
    k.KAS_P = cash;
    if (!writeAll(kw::dict::zalTable(), zal) || !writeAll(kw::dict::dayTable(), days) ||
        !writeAll(kw::dict::klmTable(), klm) || !writeAll(kw::dict::pklTable(), pkl) ||
        !writeSettings(k)) {
        std::fprintf(stderr, "kestrowd-demo: writing the data files failed\n");
        return 2;
    }
    std::printf("%zu pledges, %zu days, %zu journal entries\n", zal.size(), days.size(),
                klm.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--today") == 0)) {
        std::fprintf(stderr, "usage: kestrowd-demo DIR [--today DAYNUMBER]\n");
        return 2;
    }
    if (::chdir(argv[1]) != 0) {
        std::perror(argv[1]);
        return 2;
    }
    kw::storage::pg::registerServerBackend();
    // The demo makes its tables itself: the server need only answer.
    if (std::string why; !kw::storage::pg::serverReady("", {}, why)) {
        std::fprintf(stderr, "kestrowd-demo: %s\n", why.c_str());
        return 2;
    }
    const int32_t today = argc == 4 ? static_cast<int32_t>(std::atol(argv[3])) : kw::clock::today();
    int rc = 2;
    // The files are opened from a procedure thread, as the program opens them.
    std::thread t([&] {
        kw::proc::setCurrentThread(60);
        rc = run(today);
    });
    t.join();
    return rc;
}
