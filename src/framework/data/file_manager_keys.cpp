// FileManager: the key list and the key helpers.
#include <algorithm>

#include "framework/data/file_manager.h"
#include "runtime/assertion.h"

namespace kw {

namespace {

constexpr std::string_view kNoKey = "Key does not exist in this file";
constexpr std::string_view kNoComponent = "Key does not have component of this number :";

bool sameKey(const storage::KeyDecl& a, const storage::KeyDecl& b) {
    return a.name == b.name && a.description == b.description && a.components == b.components &&
           a.dup == b.dup && a.nocase == b.nocase;
}

// The key's number (1-based) among the table's keys: the same object, or a key of
// the same declaration (the dictionary's own copy of the table); 0 when none.
int numberIn(const storage::TableDecl& t, const storage::KeyDecl& key) {
    for (std::size_t i = 0; i < t.keys.size(); ++i)
        if (&t.keys[i] == &key) return static_cast<int>(i + 1);
    for (std::size_t i = 0; i < t.keys.size(); ++i)
        if (sameKey(t.keys[i], key)) return static_cast<int>(i + 1);
    return 0;
}

}  // namespace

void FileManager::AddKey(const storage::KeyDecl& key, std::string_view description,
                         uint8_t autoInc) {
    if (!Keys || !File) {
        KW_ASSERT_FAIL("FileManager has not been correctly initialized (missing file reference)");
        return;
    }
    const storage::TableDecl& t = Table();
    const int number = numberIn(t, key);
    if (number == 0) {
        KW_ASSERT_FAIL(kNoKey);
        return;
    }
    KeyEntry entry;
    entry.Key = &key;
    entry.Description = description;
    entry.Number = number;
    entry.Fields = std::make_unique<std::vector<KeyComponent>>();
    for (int n : key.components) {
        if (n < 1 || static_cast<std::size_t>(n) > t.fields.size()) {
            KW_ASSERT_FAIL(std::string(kNoComponent) + std::to_string(n));
            return;
        }
        entry.Fields->push_back(KeyComponent{n, t.label + ":" + t.field(n).name, 1});
    }
    entry.AutoInc = autoInc ? 1 : 0;
    entry.Dups = key.dup ? 1 : 0;
    entry.NoCase = key.nocase ? 1 : 0;
    std::lock_guard lock(mu_);
    if (entry.AutoInc) HasAutoInc = 1;
    Keys->push_back(std::move(entry));
}

const KeyEntry* FileManager::KeyOf(const storage::KeyDecl& key) const {
    std::lock_guard lock(mu_);
    if (!Keys) return nullptr;
    for (const KeyEntry& k : *Keys)
        if (k.Key == &key) return &k;
    if (!File) return nullptr;
    const int number = numberIn(File->decl(), key);
    for (const KeyEntry& k : *Keys)
        if (number != 0 && k.Number == number) return &k;
    return nullptr;
}

int FileManager::SetKey(const storage::KeyDecl& key) {
    if (const KeyEntry* k = KeyOf(key)) return k->Number;
    // A key of the table that was not registered still names a key of the file.
    if (File) {
        const int number = numberIn(File->decl(), key);
        if (number != 0) return number;
    }
    KW_ASSERT_FAIL(kNoKey);
    return 0;
}

int FileManager::GetComponents(const storage::KeyDecl& key) {
    const KeyEntry* k = KeyOf(key);
    if (!k) {
        KW_ASSERT_FAIL(kNoKey);
        return 0;
    }
    return static_cast<int>(k->Fields->size());
}

const KeyComponent* FileManager::ComponentOf(const storage::KeyDecl& key, int n) const {
    const KeyEntry* k = KeyOf(key);
    if (!k) {
        KW_ASSERT_FAIL(kNoKey);
        return nullptr;
    }
    if (n < 1 || static_cast<std::size_t>(n) > k->Fields->size()) {
        KW_ASSERT_FAIL(std::string(kNoComponent) + std::to_string(n));
        return nullptr;
    }
    return &(*k->Fields)[static_cast<std::size_t>(n - 1)];
}

FieldRef FileManager::GetField(const storage::KeyDecl& key, int n) {
    const KeyComponent* c = ComponentOf(key, n);
    return c ? FieldRef{&Table(), c->Field} : FieldRef{};
}

std::string FileManager::GetFieldName(const storage::KeyDecl& key, int n) {
    const KeyComponent* c = ComponentOf(key, n);
    return c ? c->FieldName : std::string();
}

void FileManager::ClearKey(const storage::KeyDecl& key, int from, int to, uint8_t high) {
    const KeyEntry* k = KeyOf(key);
    if (!k) {
        KW_ASSERT_FAIL(kNoKey);
        return;
    }
    const int count = static_cast<int>(k->Fields->size());
    from = std::max(from, 1);
    to = std::min(to, count);
    for (int i = from; i <= to; ++i)
        field::setLimit(FieldRef{&Table(), (*k->Fields)[static_cast<std::size_t>(i - 1)].Field},
                        high != 0);
}

std::string FileManager::KeyToOrder(const storage::KeyDecl& key, int start) {
    const KeyEntry* k = KeyOf(key);
    if (!k) {
        KW_ASSERT_FAIL(kNoKey);
        return {};
    }
    std::string order;
    const int count = static_cast<int>(k->Fields->size());
    for (int i = std::max(start, 1); i <= count; ++i) {
        const KeyComponent& c = (*k->Fields)[static_cast<std::size_t>(i - 1)];
        if (!order.empty()) order += ',';
        order += c.Ascend ? '+' : '-';
        const bool text = field::isText(Table().field(c.Field).type);
        order += k->NoCase && text ? "UPPER(" + c.FieldName + ")" : c.FieldName;
    }
    return order;
}

}  // namespace kw
