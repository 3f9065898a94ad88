// Table declarations: order, attributes, message labels, keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dictionary/tables.h"

namespace {
std::vector<std::string> names(const kw::storage::TableDecl& t, const std::vector<int>& numbers) {
    std::vector<std::string> out;
    for (int n : numbers) out.push_back(t.field(n).name);
    return out;
}
}  // namespace

TEST(Declarations, TablesInDictionaryOrderWithMessageLabels) {
    const std::vector<std::string> labels = {"SEC", "DAY", "KLM", "FIL", "IZD", "ZAL", "MET",
                                             "PRB", "KAM", "KBP", "PKL", "PSK", "AUD", "PRM"};
    const std::vector<std::string> messages = {"Sec", "day", "klm", "fil", "izd", "zal", "met",
                                               "prb", "kam", "kbp", "pkl", "psk", "aud", "prm"};
    const auto& all = kw::dict::allTables();
    ASSERT_EQ(all.size(), labels.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i]->label, labels[i]);
        EXPECT_EQ(all[i]->diskName, labels[i]);
        EXPECT_EQ(all[i]->messageName, messages[i]);
        EXPECT_EQ(&kw::dict::table(labels[i]), all[i]);
    }
}

TEST(Declarations, LookupIgnoresCaseAndUnknownLabelsGiveAnEmptyTable) {
    EXPECT_EQ(&kw::dict::table("zal"), &kw::dict::table("ZAL"));
    EXPECT_EQ(&kw::dict::table("Kbp"), &kw::dict::table("KBP"));
    for (const char* bad : {"", "ZA", "ZALL", "XYZ", "ZAL "}) {
        const auto& t = kw::dict::table(bad);
        EXPECT_TRUE(t.label.empty()) << bad;
        EXPECT_EQ(t.recordSize, 0u);
        EXPECT_TRUE(t.fields.empty());
        EXPECT_EQ(t.buffer, nullptr);
    }
}

TEST(Declarations, FileAttributesOwnerOnlyOnSec) {
    for (const auto* t : kw::dict::allTables()) {
        SCOPED_TRACE(t->label);
        EXPECT_TRUE(t->create);
        EXPECT_TRUE(t->reclaim);
        EXPECT_TRUE(t->thread);
        EXPECT_TRUE(t->oem);
        EXPECT_NE(t->buffer, nullptr);
        if (t->label == "SEC") {
            EXPECT_EQ(t->owner, "QORVAL");
            EXPECT_TRUE(t->encrypt);
        } else {
            EXPECT_EQ(t->owner, "");
            EXPECT_FALSE(t->encrypt);
        }
    }
}

TEST(Declarations, KeysWithComponentsDuplicatesAndNames) {
    struct Expect {
        const char* table;
        const char* name;
        const char* description;
        std::vector<std::string> components;
        bool dup;
    };
    const std::vector<Expect> expect = {
        {"SEC", "SEC_KEY", "Sec:SEC_KEY", {"K_POL"}, false},
        {"SEC", "PAROL_KEY", "Sec:PAROL_KEY", {"PAROL"}, false},
        {"DAY", "KEY_1", "DAY:key_1", {"DATA"}, false},
        {"KLM", "KEY_1", "Klm:key_1", {"DATA"}, true},
        {"FIL", "KEY_1", "FIL:key_1", {"KOD"}, false},
        {"IZD", "KEY_1", "IZD:key_1", {"KOD"}, false},
        {"ZAL", "KEY_1", "ZAL:key_1", {"N_KV"}, true},
        {"ZAL", "KEY_2", "ZAL:key_2", {"DATA", "N_KV"}, true},
        {"ZAL", "KEY_3", "ZAL:key_3", {"DATA_K"}, true},
        {"MET", "KEY_1", "MET:key_1", {"KOD"}, true},
        {"PRB", "KEY_1", "PRB:key_1", {"KOD", "PROB"}, true},
        {"KAM", "KEY_1", "KAM:key_1", {"KOD"}, true},
        {"PKL", "KEY_1", "PKL:key_1", {"FIO"}, true},
        {"PSK", "KEY_1", "PSK:key_1", {"DATA"}, false},
        {"AUD", "KEY_1", "AUD:key_1", {"N"}, false},
        {"AUD", "KEY_2", "AUD:key_2", {"DATA", "N"}, false},
    };
    std::size_t total = 0;
    for (const auto* t : kw::dict::allTables()) total += t->keys.size();
    EXPECT_EQ(total, expect.size());

    std::size_t i = 0;
    for (const auto* t : kw::dict::allTables()) {
        for (const auto& k : t->keys) {
            ASSERT_LT(i, expect.size());
            const auto& e = expect[i++];
            SCOPED_TRACE(e.description);
            EXPECT_EQ(t->label, e.table);
            EXPECT_EQ(k.name, e.name);
            EXPECT_EQ(k.description, e.description);
            EXPECT_EQ(names(*t, k.components), e.components);
            EXPECT_EQ(k.dup, e.dup);
            EXPECT_TRUE(k.nocase);
            EXPECT_TRUE(k.opt);
        }
    }
    EXPECT_TRUE(kw::dict::table("KBP").keys.empty());
}
