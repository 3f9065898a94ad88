// Helpers of the tests that run a table on both back ends: the flat files of a temporary
// directory, or the test server (KW_TEST_CONNINFO, given by tests/server/with_server.sh).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "storage/storage_test_util.h"

namespace kw::storage::testing {

enum class Back { Flat, Server };

inline std::string backName(const ::testing::TestParamInfo<Back>& i) {
    return i.param == Back::Flat ? "Flat" : "Server";
}

// The test server's connection line; "" when no server is given.
inline std::string testServer() {
    const char* conninfo = std::getenv("KW_TEST_CONNINFO");
    return conninfo ? conninfo : "";
}

// Makes `dir` a data directory whose tables are kept on the test server; false (and
// nothing written) when no server is given.
inline bool keepOnTestServer(const TempDir& dir) {
    const std::string conninfo = testServer();
    if (conninfo.empty()) return false;
    std::ofstream(dir.file("kestrowd.conninfo")) << conninfo << "\n";
    return true;
}

}  // namespace kw::storage::testing
