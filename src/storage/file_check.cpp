// check: every key file against the records, and the header against the slots.
#include <algorithm>
#include <cstring>

#include "storage/byte_order.h"
#include "storage/file_impl.h"

namespace kw::storage {

namespace {

std::string hex(const uint8_t* p, std::size_t n) {
    static const char* d = "0123456789ABCDEF";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += d[p[i] >> 4];
        s += d[p[i] & 15];
    }
    return s;
}

}  // namespace

Status File::check(std::vector<std::string>& problems, uint64_t* unused) {
    return called(FileFunction::Build, [&] {
        State& s = state();
        problems.clear();
        if (unused && s.server) *unused = 0;
        if (s.server) return finish(s, s.server->check(problems));
        if (!s.open) return finish(s, Status::error(kFileNotOpen));
        Status st = s.readStable([&] { return s.checkFiles(problems, unused); });
        return finish(s, st);
    });
}

Status File::State::checkFiles(std::vector<std::string>& problems, uint64_t* unused) {
    problems.clear();
    std::vector<std::vector<uint8_t>> expect(sh->keys.size());
    uint32_t deleted = 0;
    if (Status st = expectedKeyEntries(expect, deleted); !st.ok()) return st;
    const uint64_t end = header.dataOffset + uint64_t{header.records} * header.slotLength;
    if (unused) *unused = dat.refresh() == 0 && dat.size() > end ? dat.size() - end : 0;
    checkDeletedSlots(deleted, problems);
    for (std::size_t k = 0; k < expect.size(); ++k) checkKeyFile(k, expect[k], problems);
    return Status::okay();
}

Status File::State::expectedKeyEntries(std::vector<std::vector<uint8_t>>& expect,
                                       uint32_t& deleted) {
    return keyEntriesOfRecords(expect, false, [&deleted](uint32_t) { ++deleted; });
}

void File::State::checkDeletedSlots(uint32_t deleted, std::vector<std::string>& problems) {
    if (deleted != header.deleted)
        problems.push_back("header: deleted count " + std::to_string(header.deleted) +
                           ", slots marked deleted " + std::to_string(deleted));
    uint32_t chain = 0;
    for (uint32_t at = header.firstFree; at != 0 && chain <= header.records; ++chain) {
        const uint8_t* p = slot(at);
        if (!p || !(p[0] & kSlotDeleted)) {
            problems.push_back("free chain: slot " + std::to_string(at) + " is not deleted");
            break;
        }
        at = le::get32(p + 1);
    }
    if (chain != deleted && problems.empty()) {
        problems.push_back("free chain: " + std::to_string(chain) + " slots, " +
                           std::to_string(deleted) + " deleted");
        for (uint32_t r : strayDeleted())
            problems.push_back(
                "record " + std::to_string(r) +
                ": marked deleted but not on the free chain (build and pack keep it)");
    }
}

void File::State::checkKeyFile(std::size_t k, const std::vector<uint8_t>& e,
                               std::vector<std::string>& problems) {
    const std::size_t len = sh->keys[k].length, size = len + 4;
    // Expected entries in key order: by value, then by record number.
    const std::size_t n = e.size() / size;
    std::vector<uint32_t> idx(n);
    for (uint32_t i = 0; i < n; ++i) idx[i] = i;
    std::sort(idx.begin(), idx.end(), [&](uint32_t a, uint32_t b) {
        int c = std::memcmp(e.data() + a * size, e.data() + b * size, len);
        if (c != 0) return c < 0;
        return le::get32(e.data() + a * size + len) < le::get32(e.data() + b * size + len);
    });
    KeyTree& t = trees[k];
    KeyTree::Cursor c;
    Status ts = t.first(c);
    std::size_t i = 0;
    const std::string label = k < sh->decl.keys.size()
                                  ? "key " + std::to_string(k + 1) + ": "
                                  : "key file " + sh->keyFileDescs[k].extension + ": ";
    std::size_t reported = problems.size();
    for (; ts.ok() && c.valid(); ++i) {
        const uint32_t r = t.recordAt(c);
        const uint8_t* v = t.valueAt(c);
        if (i >= n) {
            problems.push_back(label + "entry for record " + std::to_string(r) + " (" +
                               hex(v, len) + ") has no record");
        } else {
            const uint8_t* want = e.data() + idx[i] * size;
            const uint32_t wr = le::get32(want + len);
            if (wr != r || std::memcmp(want, v, len) != 0)
                problems.push_back(label + "entry " + std::to_string(i + 1) + " is record " +
                                   std::to_string(r) + " (" + hex(v, len) + "), record " +
                                   std::to_string(wr) + " (" + hex(want, len) + ") expected");
        }
        if (problems.size() - reported > 20) break;
        ts = t.step(c, true);
        if (i > header.records + 1) break;
    }
    if (!ts.ok())
        problems.push_back(label + "key file damaged at block " + std::to_string(ts.block));
    if (i < n && problems.size() - reported <= 20)
        problems.push_back(label + std::to_string(n - i) + " records missing from the key");
}

}  // namespace kw::storage
