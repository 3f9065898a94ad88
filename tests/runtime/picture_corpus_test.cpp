// Replays the picture fuzz corpus through the fuzz target's own entry function.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "../../fuzz/picture_entry.h"

namespace {

TEST(PictureCorpus, EveryFileKeepsThePictureRules) {
    const std::filesystem::path dir = std::filesystem::path(KW_SOURCE_DIR) / "tests/corpus/picture";
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
        EXPECT_TRUE(
            kw::fuzz::pictureOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))
            << entry.path().filename();
        ++files;
    }
    EXPECT_GE(files, 10);
}

// The entry function itself must notice a broken rule, or the replay proves nothing.
TEST(PictureCorpus, EntryAcceptsSoundInputs) {
    const std::string inputs[] = {"n_15.2\n12.5", "D6\n01.01.2000", "s3\nabc", "pCTP <<<#p\n7",
                                  "bad\nx"};
    for (const std::string& s : inputs)
        EXPECT_TRUE(kw::fuzz::pictureOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size()))
            << s;
}

}  // namespace
