// The global variables start cleared.
#include "shell/globals.h"

#include <gtest/gtest.h>

#include <string>

TEST(Globals, StringsStartBlankAndNumbersZero) {
    EXPECT_TRUE(PAROL.blank());
    EXPECT_TRUE(MESSAGE_G.blank());
    EXPECT_TRUE(S1.blank() && S2.blank() && S3.blank());
    EXPECT_TRUE(FIO_G.blank() && ADR_G.blank() && PAS_G.blank() && PRIM_G.blank());
    EXPECT_EQ(std::string(FIO_G.view()), std::string(60, ' '));
    EXPECT_EQ(GlobalRequest, 0);
    EXPECT_EQ(GlobalResponse, 0);
    EXPECT_EQ(VCRRequest, 0);
    EXPECT_EQ(KOD, 0);
    EXPECT_EQ(Z1G, 0.0);
    EXPECT_EQ(D1, 0);
    EXPECT_EQ(S_W_G, 0.0);
    EXPECT_EQ(P_CC_D, 0.0);
}
