// The key B+tree against a sorted model: inserts, erases, seeks, walks both ways, and
// the tree built in one pass by build.
#include "storage/key_tree.h"

#include <random>
#include <set>

#include "storage/byte_order.h"
#include "storage_test_util.h"

namespace kw::storage {
namespace {

using Entry = std::pair<std::string, uint32_t>;  // value, record

class KeyTreeTest : public ::testing::Test {
  protected:
    static constexpr unsigned kLen = 8;  // 41 entries a leaf, 31 an upper node

    void SetUp() override {
        path_ = dir_.file("T.K01");
        KeyMeta m;
        m.length = kLen;
        m.flags = 0x30;
        m.number = 1;
        Block b;
        encodeKeyMeta(m, b.data());
        testing::writeAll(path_, std::vector<uint8_t>(b.begin(), b.end()));
        ASSERT_EQ(file_.open(posixFileSystem(), path_, kOpenReadWrite), 0);
        tree_ = std::make_unique<KeyTree>(file_, kLen);
        ASSERT_TRUE(tree_->load().ok());
    }

    static std::string value(uint64_t v) {
        std::string s(kLen, '\0');
        for (unsigned i = 0; i < kLen; ++i) s[kLen - 1 - i] = static_cast<char>(v >> (8 * i));
        return s;
    }
    const uint8_t* bytes(const std::string& s) {
        return reinterpret_cast<const uint8_t*>(s.data());
    }

    // Writes the pending blocks to the file, as a committed write does.
    void apply() {
        for (auto& [n, b] : tree_->takeChanges())
            ASSERT_EQ(file_.write(b.data(), b.size(), uint64_t{n} * kBlockSize), 0);
    }

    std::vector<Entry> walk(bool forward) {
        std::vector<Entry> out;
        KeyTree::Cursor c;
        EXPECT_TRUE((forward ? tree_->first(c) : tree_->last(c)).ok());
        while (c.valid()) {
            out.emplace_back(std::string(reinterpret_cast<const char*>(tree_->valueAt(c)), kLen),
                             tree_->recordAt(c));
            EXPECT_TRUE(tree_->step(c, forward).ok());
        }
        return out;
    }

    testing::TempDir dir_;
    std::string path_;
    MappedFile file_;
    std::unique_ptr<KeyTree> tree_;
};

TEST_F(KeyTreeTest, RandomInsertsAndErasesMatchASortedSet) {
    std::mt19937 rng(7);
    std::set<Entry> model;
    uint32_t rec = 0;
    for (int round = 0; round < 6000; ++round) {
        if (model.empty() || rng() % 3 != 0) {
            const std::string v = value(rng() % 500);  // many equal values
            ASSERT_TRUE(tree_->insert(bytes(v), ++rec).ok());
            model.emplace(v, rec);
        } else {
            auto it = model.begin();
            std::advance(it, rng() % model.size());
            ASSERT_TRUE(tree_->erase(bytes(it->first), it->second).ok());
            model.erase(it);
        }
        if (round % 50 == 0) apply();
    }
    apply();
    const std::vector<Entry> want(model.begin(), model.end());
    EXPECT_EQ(walk(true), want);
    EXPECT_EQ(walk(false), std::vector<Entry>(want.rbegin(), want.rend()));
    EXPECT_GE(tree_->meta().levels, 2u);

    // seek: first entry >= (value, 0); seekLast: last entry <= (value, max).
    for (uint64_t probe : {0ull, 1ull, 250ull, 499ull, 600ull}) {
        const std::string v = value(probe);
        KeyTree::Cursor c;
        ASSERT_TRUE(tree_->seek(bytes(v), 0, c).ok());
        auto lb = model.lower_bound({v, 0});
        if (lb == model.end()) {
            EXPECT_FALSE(c.valid());
        } else {
            ASSERT_TRUE(c.valid());
            EXPECT_EQ(tree_->recordAt(c), lb->second);
        }
        ASSERT_TRUE(tree_->seekLast(bytes(v), UINT32_MAX, c).ok());
        auto ub = model.upper_bound({v, UINT32_MAX});
        if (ub == model.begin()) {
            EXPECT_FALSE(c.valid());
        } else {
            ASSERT_TRUE(c.valid());
            EXPECT_EQ(tree_->recordAt(c), std::prev(ub)->second);
        }
    }
}

TEST_F(KeyTreeTest, ErasingEverythingEmptiesTheTreeAndReusesBlocks) {
    for (uint32_t r = 1; r <= 3000; ++r) ASSERT_TRUE(tree_->insert(bytes(value(r)), r).ok());
    apply();
    const uint32_t blocks = tree_->meta().blocks;
    EXPECT_LT(blocks, 3000u / 41 + 8);  // ascending inserts fill their leaves
    for (uint32_t r = 1; r <= 3000; ++r) ASSERT_TRUE(tree_->erase(bytes(value(r)), r).ok()) << r;
    apply();
    EXPECT_EQ(tree_->meta().root, 0u);
    EXPECT_TRUE(walk(true).empty());
    for (uint32_t r = 1; r <= 3000; ++r) ASSERT_TRUE(tree_->insert(bytes(value(r)), r).ok());
    apply();
    EXPECT_EQ(tree_->meta().blocks, blocks);  // the freed blocks came back
    EXPECT_EQ(walk(true).size(), 3000u);
}

TEST_F(KeyTreeTest, EraseOfAMissingEntryAsksForARebuild) {
    ASSERT_TRUE(tree_->insert(bytes(value(5)), 1).ok());
    EXPECT_EQ(tree_->erase(bytes(value(5)), 2).code, kKeyFileMustBeRebuilt);
    EXPECT_EQ(tree_->erase(bytes(value(6)), 1).code, kKeyFileMustBeRebuilt);
}

TEST_F(KeyTreeTest, BuiltTreeWalksLikeAnInsertedOne) {
    std::mt19937 rng(3);
    std::set<Entry> model;
    for (uint32_t r = 1; r <= 5000; ++r) model.emplace(value(rng() % 1000), r);
    std::vector<uint8_t> entries;
    for (const auto& [v, r] : model) {
        entries.insert(entries.end(), v.begin(), v.end());
        entries.push_back(static_cast<uint8_t>(r >> 24));
        entries.push_back(static_cast<uint8_t>(r >> 16));
        entries.push_back(static_cast<uint8_t>(r >> 8));
        entries.push_back(static_cast<uint8_t>(r));
    }
    KeyMeta m;
    m.length = kLen;
    m.flags = 0x30;
    std::vector<uint8_t> img = buildKeyImage(m, entries);
    ASSERT_EQ(file_.write(img.data(), img.size(), 0), 0);
    ASSERT_TRUE(tree_->load().ok());
    EXPECT_EQ(walk(true), std::vector<Entry>(model.begin(), model.end()));
    // And it takes further inserts and erases.
    ASSERT_TRUE(tree_->insert(bytes(value(2000)), 9999).ok());
    ASSERT_TRUE(tree_->erase(bytes(model.begin()->first), model.begin()->second).ok());
    apply();
    model.emplace(value(2000), 9999);
    model.erase(model.begin());
    EXPECT_EQ(walk(true), std::vector<Entry>(model.begin(), model.end()));
}

TEST_F(KeyTreeTest, DamagedBlocksGiveInvalidKeyFile) {
    for (uint32_t r = 1; r <= 500; ++r) ASSERT_TRUE(tree_->insert(bytes(value(r)), r).ok());
    apply();
    ASSERT_TRUE(tree_->load().ok());
    // The root's first child number points far outside the file.
    const uint32_t root = tree_->meta().root;
    uint8_t bad[4];
    le::put32(bad, 0x7FFFFFFF);
    ASSERT_EQ(file_.write(bad, 4, uint64_t{root} * kBlockSize + kNodeHead), 0);
    KeyTree::Cursor c;
    EXPECT_EQ(tree_->first(c).code, kInvalidKeyFile);
    // A head that is not a key-file head.
    uint8_t junk[8] = {'J', 'U', 'N', 'K', 0, 0, 0, 0};
    ASSERT_EQ(file_.write(junk, 8, 0), 0);
    EXPECT_EQ(tree_->load().code, kInvalidKeyFile);
}

}  // namespace
}  // namespace kw::storage
