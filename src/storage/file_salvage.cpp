// Salvage: what a damaged data file still holds (one cut short, or a header whose
// counts do not fit its slots, both of which an open refuses with 36) is written into a
// sound data file that takes its place; the damaged file is kept as N.BAD.
//
// Every whole slot after the descriptors is looked at, whatever the header counts say.
// A slot is a record when its status has the written bit, no bit this format does not
// know and not the deleted bit; slots marked deleted are left out, slots of zeros (room
// that no record took) are no record, and anything else, or the piece of a slot the file
// ends in, is a record that could not be read. Work the journal holds committed is put
// into the damaged file first, as an open would; the records are renumbered from 1 and
// the keys are built from them.
#include <cstring>

#include "storage/byte_order.h"
#include "storage/cipher.h"
#include "storage/file_impl.h"

namespace kw::storage {

namespace {

constexpr uint8_t kKnownStatus = kSlotDeleted | kSlotHeld | kSlotWritten;

bool allZero(const uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (p[i] != 0) return false;
    return true;
}

}  // namespace

// The header as it stands, deciphered and checked, its counts not compared with the file.
Status File::State::readRawHeader(Header& h) {
    if (Status s = decodeHeaderBytes(h); !s.ok()) return s;
    if (h.slotLength <= kSlotPrefix || h.dataOffset < kHeaderSize || !dat.have(0, h.dataOffset))
        return Status::error(kInvalidDataFile);
    Layout file;
    Status s = decodeDescriptors(h, dat.at(kHeaderSize), h.dataOffset - kHeaderSize, sh->owned,
                                 sh->cipherKey, file);
    if (s.ok()) s = checkAgainst(file, sh->decl);
    return s;
}

// Writes the journal's committed changes of the data file into it; the key files are
// built afresh afterwards. The journal then starts a new generation.
Status File::State::salvageJournal(bool replayIt) {
    Status s = log.open(*sh->fs, sh->base + ".LOG", true, sh->base + ".LGC");
    if (!s.ok()) return s;
    opHead = log.head();
    if (replayIt && ((opHead.sequence & 1) || log.hasLiveRecords(opHead.generation))) {
        uint64_t end = 0;
        s = log.replay(
            opHead.generation,
            [this](uint16_t f, uint64_t off, const uint8_t* p, std::size_t n) {
                return f == 0 ? writeFile(0, off, p, n) : Status::okay();
            },
            end);
        if (!s.ok()) return s;
        if (dat.sync() != 0) return Status::error(kFileSystemError);
    }
    if (replayIt) return Status::okay();
    opHead.generation += 1;
    opHead.end = kJournalStart;
    opHead.flags &= ~kJournalFlagBulk;
    opHead.sequence = (opHead.sequence | 1) + 1;
    s = log.writeHead(opHead);
    if (s.ok()) s = log.sync();
    return s;
}

Status File::State::copyReadable(const Header& h, Salvaged& out, std::vector<uint8_t>& slots) {
    if (dat.refresh() != 0) return Status::error(kFileSystemError);
    const uint64_t size = dat.size();
    const uint64_t whole = size > h.dataOffset ? (size - h.dataOffset) / h.slotLength : 0;
    const uint64_t rest = size > h.dataOffset ? (size - h.dataOffset) % h.slotLength : 0;
    if (whole >= UINT32_MAX) return Status::error(kInvalidDataFile);
    for (uint64_t r = 1; r <= whole; ++r) {
        const uint64_t at = h.dataOffset + (r - 1) * h.slotLength;
        if (!dat.have(at, h.slotLength))
            return Status::error(kInvalidDataFile, static_cast<uint32_t>(r));
        const uint8_t* p = dat.at(at);
        if (p[0] & kSlotDeleted) {
            ++out.deleted;
        } else if (p[0] == 0 && allZero(p, h.slotLength)) {
            continue;
        } else if ((p[0] & ~kKnownStatus) || !(p[0] & kSlotWritten)) {
            ++out.unreadable;
        } else {
            ++out.kept;
            const std::size_t o = slots.size();
            slots.insert(slots.end(), p, p + h.slotLength);
            slots[o] = kSlotWritten;
            le::put32(slots.data() + o + 1, 0);
        }
    }
    if (rest != 0 && dat.have(size - rest, rest) && !allZero(dat.at(size - rest), rest))
        ++out.unreadable;
    return Status::okay();
}

// The sound file under N.T00, then in N.DAT's place; the damaged one becomes N.BAD.
Status File::State::replaceData(const Header& h, const std::vector<uint8_t>& slots, uint32_t kept) {
    FileSystem& fs = *sh->fs;
    const std::string temp = sh->base + ".T00", path = sh->base + ".DAT", bad = sh->base + ".BAD";
    std::vector<uint8_t> head(dat.at(0), dat.at(0) + h.dataOffset);
    header = h;
    header.records = kept;
    header.deleted = 0;
    header.firstFree = 0;
    header.highest = kept;
    header.lowest = kept ? 1 : 0;
    std::vector<Change> hc;
    Status s = headerChange(hc);
    if (!s.ok()) return s;
    std::memcpy(head.data(), hc[0].bytes.data(), kHeaderSize);
    Handle th = kNoHandle;
    int rc = fs.open(temp, kOpenReadWrite | kOpenCreate | kOpenTruncate, th);
    if (rc != 0) return Status::system(codeFromErrno(rc), rc);
    rc = fs.write(th, head.data(), head.size(), 0);
    if (rc == 0 && !slots.empty()) rc = fs.write(th, slots.data(), slots.size(), h.dataOffset);
    if (rc == 0) rc = fs.sync(th);
    fs.close(th);
    if (rc == 0) rc = fs.rename(path, bad);
    if (rc == 0) rc = fs.rename(temp, path);
    if (rc == 0) rc = fs.syncDirectory(directoryOf(sh->base));
    if (rc != 0) {
        if (fs.exists(temp) == 0) fs.unlink(temp);
        return Status::system(kFileSystemError, rc);
    }
    return Status::okay();
}

Status File::State::salvage(Salvaged& out) {
    out = Salvaged{};
    if (open) return Status::error(kFileAlreadyOpen);
    if (!sh->layoutStatus.ok()) return sh->layoutStatus;
    if (Status s = refuseNetworkFolder(); !s.ok()) return s;
    int rc = dat.open(*sh->fs, sh->base + ".DAT", kOpenReadWrite);
    if (rc != 0) return Status::system(codeFromErrno(rc), rc);
    auto done = [&](Status s) {
        closeFiles();
        return s;
    };
    // The table to this station alone, as build and pack have it.
    if (dat.lock(lockat::kPresence, 1, LockKind::Exclusive) != 0)
        return done(Status::error(kExclusiveAccessRequired));
    Header h;
    Status s = readRawHeader(h);
    if (s.ok()) s = salvageJournal(true);
    if (s.ok()) s = readRawHeader(h);  // the journal may have written the header
    std::vector<uint8_t> slots;
    if (s.ok()) s = copyReadable(h, out, slots);
    if (s.ok()) s = replaceData(h, slots, out.kept);
    if (s.ok()) s = salvageJournal(false);
    closeFiles();
    if (!s.ok()) return s;
    // The keys from the sound file.
    return build();
}

}  // namespace kw::storage
