#include "framework/data/audit.h"

#include <cstdio>
#include <cstring>

#include "framework/data/transaction_frame.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "runtime/sha256.h"
#include "runtime/unaligned.h"

namespace kw::audit {

namespace {

using storage::Status;

constexpr std::size_t kHashed = offsetof(dict::AudRecord, HASH);
const std::string kNoPrevious(64, '0');

// The last entry, read into the buffer; false when the journal is empty.
Status readLast(storage::File& aud, bool& found) {
    found = false;
    Status s = aud.set(1);
    if (!s.ok()) return s;
    s = aud.previous();
    if (s.code == storage::kRecordNotAvailable) return Status::okay();
    if (s.ok()) found = true;
    return s;
}

Status appendLocked(storage::File& aud, const Entry& e, bool commit = false) {
    bool found = false;
    Status s = readLast(aud, found);
    if (!s.ok()) return s;
    const int32_t number = found ? AUD.N + 1 : 1;
    const std::string previous = found ? std::string(AUD.HASH.view()) : kNoPrevious;
    AUD = dict::AudRecord{};
    AUD.N = number;
    AUD.DATA = e.date;
    AUD.TIME = e.time;
    AUD.KOD = e.user;
    AUD.FIO.assign(e.userName);
    AUD.HOST.assign(e.host);
    AUD.TAB.assign(e.table);
    AUD.KEY.assign(e.key);
    AUD.KIND = static_cast<int16_t>(e.kind);
    if (e.text.size() > AUD.TEXT.size())
        AUD.TEXT.assign(e.text.substr(0, AUD.TEXT.size() - 3) + "...");
    else
        AUD.TEXT.assign(e.text);
    AUD.HASH.assign(chainHash(previous, AUD));
    return commit ? aud.addAndCommit() : aud.add();
}

}  // namespace

std::string fieldText(const storage::FieldDecl& f, const uint8_t* record) {
    const uint8_t* p = record + f.offset;
    char text[64];
    switch (f.type) {
        case storage::FieldType::Byte:
            return std::to_string(p[0]);
        case storage::FieldType::Short:
            return std::to_string(unaligned::load<int16_t>(p));
        case storage::FieldType::Long: {
            const int32_t v = unaligned::load<int32_t>(p);
            if (f.isDate && v > 0) {
                const auto d = date::toYmd(v);
                std::snprintf(text, sizeof text, "%02d.%02d.%04d", d.day, d.month, d.year);
                return text;
            }
            return std::to_string(v);
        }
        case storage::FieldType::Real:
            std::snprintf(text, sizeof text, "%.10g", unaligned::load<double>(p));
            return text;
        case storage::FieldType::String: {
            std::string s(reinterpret_cast<const char*>(p), f.size);
            while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
            return "\"" + s + "\"";
        }
        default: {
            std::string hex;
            for (std::size_t i = 0; i < f.size; ++i) {
                std::snprintf(text, sizeof text, "%02X", p[i]);
                hex += text;
            }
            return hex;
        }
    }
}

std::string_view kindText(int16_t kind) {
    static const char* const texts[] = {
        "Новый залог",
        "Перезалог 1",
        "Перезалог 2",
        "Перезалог 3",
        "Выкуп",
        "Передача на реализацию",
        "Изменение залога",
        "Удаление залога",
        "Откат операции",
        "Запись кассы добавлена",
        "Запись кассы изменена",
        "Запись кассы удалена",
        "День открыт",
        "День закрыт",
        "День аварийно открыт",
        "Изменение настроек",
        "Изменение справочника",
        "Пользователь добавлен",
        "Пользователь изменён",
        "Пользователь удалён",
        "Отказ во входе",
    };
    if (kind < 1 || kind > kLastKind) return {};
    return texts[kind - 1];
}

std::string chainHash(std::string_view previous, const dict::AudRecord& r) {
    Sha256 h;
    h.update(previous.data(), previous.size());
    h.update(&r, kHashed);
    return h.hex();
}

Status append(storage::File& aud, const Entry& e, int seconds) {
    if (transaction::Active()) return appendLocked(aud, e);
    Status s = aud.lock(seconds);
    if (!s.ok()) return s;
    s = appendLocked(aud, e);
    const Status released = aud.unlock();
    return s.ok() ? released : s;
}

Status appendAndCommit(storage::File& aud, const Entry& e) {
    return appendLocked(aud, e, true);
}

Finding verify(storage::File& aud) {
    Finding f;
    std::string previous = kNoPrevious;
    Status s = aud.set(1);
    while (s.ok()) {
        s = aud.next();
        if (!s.ok()) break;
        ++f.entries;
        const int32_t expected = static_cast<int32_t>(f.entries);
        auto fail = [&](int32_t entry, std::string what) {
            f.ok = false;
            f.entry = entry;
            f.what = std::move(what);
            return f;
        };
        if (AUD.N > expected) {
            return fail(expected, AUD.N == expected + 1
                                      ? "missing (removed)"
                                      : "missing, and the " + std::to_string(AUD.N - expected - 1) +
                                            " after it");
        }
        if (AUD.N < expected) return fail(AUD.N, "numbered out of order");
        if (chainHash(previous, AUD) != AUD.HASH.view())
            return fail(expected, "altered (its digest does not hold)");
        previous = std::string(AUD.HASH.view());
    }
    if (s.code != storage::kRecordNotAvailable) {
        f.ok = false;
        f.entry = static_cast<int32_t>(f.entries + 1);
        f.what = "unreadable: " + s.describe();
    }
    return f;
}

std::string changes(const storage::TableDecl& table, const uint8_t* before, const uint8_t* after) {
    std::string out;
    for (const auto& f : table.fields) {
        if (f.type == storage::FieldType::Group) continue;
        if (std::memcmp(before + f.offset, after + f.offset, f.size) == 0) continue;
        if (!out.empty()) out += "; ";
        out += f.name + ": " + fieldText(f, before) + " -> " + fieldText(f, after);
    }
    return out;
}

}  // namespace kw::audit
