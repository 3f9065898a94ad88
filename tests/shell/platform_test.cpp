// The platform layer's drag setting: the built-in in-memory service and installing a fake.
#include "runtime/platform.h"

#include <gtest/gtest.h>

using Call = kw::platform::RecordingParameters::Call;

TEST(Platform, MemoryServiceKeepsTheDragSettingAndRefusesOtherActions) {
    kw::platform::MemoryParameters system;
    int32_t v = -1;
    EXPECT_TRUE(system.parametersInfo(38, 0, &v, 0));
    EXPECT_EQ(v, 0);  // off at start
    EXPECT_TRUE(system.parametersInfo(37, 1, nullptr, 3));
    EXPECT_TRUE(system.parametersInfo(38, 0, &v, 0));
    EXPECT_EQ(v, 1);
    EXPECT_FALSE(system.parametersInfo(38, 0, nullptr, 0));
    EXPECT_FALSE(system.parametersInfo(99, 0, &v, 0));
    EXPECT_EQ(v, 1);
}

TEST(Platform, HelpersUseTheInstalledServiceWithTheSystemsActionsAndFlags) {
    kw::platform::RecordingParameters fake(1);
    {
        kw::platform::ScopedParameters scoped(fake);
        EXPECT_EQ(&kw::platform::service(), &fake);
        int32_t v = 0, scratch = 0;
        EXPECT_TRUE(kw::platform::getFullWindowDrag(v));
        EXPECT_EQ(v, 1);
        EXPECT_TRUE(kw::platform::setFullWindowDrag(false, scratch));
        EXPECT_EQ(fake.dragFullWindows(), 0);
        fake.setFailing(true);
        v = 5;
        EXPECT_FALSE(kw::platform::getFullWindowDrag(v));
        EXPECT_EQ(v, 5);
        EXPECT_FALSE(kw::platform::setFullWindowDrag(true, scratch));
        EXPECT_EQ(fake.dragFullWindows(), 0);
    }
    EXPECT_NE(&kw::platform::service(), &fake);
    const std::vector<Call> calls = {{38, 0, 0}, {37, 0, 3}, {38, 0, 0}, {37, 1, 3}};
    EXPECT_EQ(fake.calls(), calls);
}
