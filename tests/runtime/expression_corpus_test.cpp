// Replays the filter-expression fuzz corpus through the fuzz target's own entry function.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../../fuzz/expression_entry.h"

namespace {

bool oneInput(const std::string& s) {
    return kw::fuzz::expressionOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

TEST(ExpressionCorpus, EveryFileKeepsTheEvaluatorRules) {
    const std::filesystem::path dir =
        std::filesystem::path(KW_SOURCE_DIR) / "tests/corpus/expression";
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        EXPECT_TRUE(oneInput(bytes)) << entry.path().filename();
        ++files;
    }
    EXPECT_GE(files, 20);
}

// The entry must accept sound texts of both kinds, or the replay proves nothing.
TEST(ExpressionCorpus, EntryAcceptsParsedAndRefusedTexts) {
    for (const char* s : {"(t:sost=3 and t:data>=d1)", "instring(name, lower(t:fio), 1) > 0",
                          "t:kdz * 2 - t:sum / 0", "(((", "t:nosuch = 1", ""})
        EXPECT_TRUE(oneInput(s)) << s;
}

}  // namespace
