// SHA-256 against the published test vectors, on the portable code and on the
// processor's SHA extensions where it has them, and fed in pieces of every size.
#include "runtime/sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string sha(const std::string& text) {
    kw::Sha256 h;
    h.update(text.data(), text.size());
    return h.hex();
}

struct Vector {
    std::string text;
    const char* digest;
};

std::vector<Vector> vectors() {
    return {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrl"
         "mnopqrsmnopqrstnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
}

class Sha256Test : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        kw::Sha256::allowHardware(GetParam());
        if (GetParam() && !kw::Sha256::usesHardware())
            GTEST_SKIP() << "no SHA extensions on this processor";
    }
    void TearDown() override { kw::Sha256::allowHardware(true); }
};

TEST_P(Sha256Test, PublishedVectors) {
    for (const auto& v : vectors()) EXPECT_EQ(sha(v.text), v.digest) << v.text.size() << " bytes";
}

TEST_P(Sha256Test, AnySplitOfTheInputGivesTheSameDigest) {
    std::string text;
    for (int i = 0; i < 1000; ++i) text += static_cast<char>(i * 37 + 11);
    const std::string whole = sha(text);
    for (std::size_t piece : {1u, 3u, 55u, 56u, 63u, 64u, 65u, 127u, 999u}) {
        kw::Sha256 h;
        for (std::size_t at = 0; at < text.size(); at += piece)
            h.update(text.data() + at, std::min(piece, text.size() - at));
        EXPECT_EQ(h.hex(), whole) << "pieces of " << piece;
    }
    // Lengths around the padding boundary differ from each other.
    EXPECT_NE(sha(text.substr(0, 55)), sha(text.substr(0, 56)));
}

INSTANTIATE_TEST_SUITE_P(Code, Sha256Test, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Hardware" : "Portable"; });

}  // namespace
