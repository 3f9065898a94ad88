// FileManager: automatic numbering. Priming finds the next free number of every
// auto-increment key and adds the record at once, so the number is taken; Insert then
// completes the record with a put and CancelAutoInc removes it.
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "runtime/codepage.h"

namespace kw {

namespace {

constexpr int kTriesBeforeAsking = 3;

// Whether the field holds the saved bytes; letters compared without case for a
// case-insensitive key.
bool sameComponent(const FieldRef& f, const std::string& saved, bool noCase) {
    const std::string now = field::bytes(f);
    if (!noCase || !field::isText(f.decl().type)) return now == saved;
    return cp::upper(now) == cp::upper(saved);
}

}  // namespace

Level FileManager::PrimeAutoInc() {
    return PrimeAutoIncServer(1);
}
Level FileManager::TryPrimeAutoInc() {
    return PrimeAutoIncServer(0);
}

Level FileManager::PrimeAutoIncServer(uint8_t HandleError) {
    if (UseFile(kUseRecord) != Level::Benign) return Level::Fatal;
    FileThreadInfo& info = SetThread();
    if (!HasAutoInc || info.AutoIncDone || !Keys) return Level::Benign;
    const storage::TableDecl& t = Table();
    int failures = 0;
    for (;;) {
        for (const KeyEntry& k : *Keys) {
            if (!k.AutoInc || k.Fields->empty()) continue;
            const std::size_t n = k.Fields->size();
            const FieldRef numberField{&t, k.Fields->back().Field};
            std::vector<std::string> leading;
            for (std::size_t i = 0; i + 1 < n; ++i)
                leading.push_back(field::bytes(FieldRef{&t, (*k.Fields)[i].Field}));
            int16_t saved = SaveBuffer();
            storage::Status st;
            if (n == 1) {
                ClearKey(*k.Key);
                st = File->set(k.Number);
                if (st.ok()) st = File->previous();
            } else {
                // The last component numbers the records of the group the leading
                // ones name: the last record of that group.
                ClearKey(*k.Key, static_cast<int>(n), static_cast<int>(n), 1);
                st = File->setFromBuffer(k.Number);
                if (st.ok()) st = File->previous();
            }
            double number = 1;
            if (st.ok()) {
                bool sameGroup = true;
                for (std::size_t i = 0; i + 1 < n && sameGroup; ++i)
                    sameGroup = sameComponent(FieldRef{&t, (*k.Fields)[i].Field}, leading[i],
                                              k.NoCase != 0);
                if (sameGroup) number = field::number(numberField) + 1;
            } else if (st.code != storage::kRecordNotAvailable) {
                SetError(1);
                RestoreBuffer(saved, 1);
                return HandleError ? Throw() : Level::Notify;
            }
            RestoreBuffer(saved, 1);
            field::setNumber(numberField, number);
        }
        if (File->add().ok()) break;
        if (++failures >= kTriesBeforeAsking) {
            SetError(32);
            if (!HandleError) return Level::Notify;
            if (Throw() != Level::Benign) return Level::Notify;
            failures = 0;
        }
    }
    info.AutoIncDone = 1;
    return Level::Benign;
}

Level FileManager::CancelAutoInc(RelationManager* Relation) {
    if (UseFile(kUseRecord) != Level::Benign) return Level::Fatal;
    FileThreadInfo& info = SetThread();
    if (!HasAutoInc || !info.AutoIncDone) return Level::Benign;
    // The record only held the number: taking it back is no change of the data.
    const write_observer::Quiet quiet;
    const Level l = Relation ? Relation->Delete(0) : DeleteRecord(0);
    if (l == Level::Benign) info.AutoIncDone = 0;
    return l;
}

}  // namespace kw
