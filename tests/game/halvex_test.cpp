// halvex_test.cpp - the engine binding and the number-to-text helpers.
#include "halvex.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <set>
#include <string>
#include <type_traits>

#include "fake_engine.h"

TEST(IntToText, WritesPlainDecimal) {
    EXPECT_EQ(u_IntToText(0), "0");
    EXPECT_EQ(u_IntToText(1500), "1500");
    EXPECT_EQ(u_IntToText(-1), "-1");
    EXPECT_EQ(u_IntToText(600), "600");
    EXPECT_EQ(u_IntToText(INT32_MAX), "2147483647");
    EXPECT_EQ(u_IntToText(INT32_MIN), "-2147483648");
}

TEST(FloatToText, ZeroDecimalsRoundHalfAwayFromZero) {
    EXPECT_EQ(u_FloatToText(5.0f, 0), "5");
    EXPECT_EQ(u_FloatToText(2.5f, 0), "3");
    EXPECT_EQ(u_FloatToText(3.5f, 0), "4");
    EXPECT_EQ(u_FloatToText(9.96f, 0), "10");
    EXPECT_EQ(u_FloatToText(-2.5f, 0), "-3");
    EXPECT_EQ(u_FloatToText(0.49999997f, 0), "0");
    EXPECT_EQ(u_FloatToText(10.0f, 0), "10");
    // Values the info panels show: damage and shell speed ten-fold.
    EXPECT_EQ(u_FloatToText(0.6f * 10.0f, 0), "6");
    EXPECT_EQ(u_FloatToText(0.7f * 10.0f, 0), "7");
    EXPECT_EQ(u_FloatToText(13.0f * 10.0f, 0), "130");
    // A worn site at 9.99 shows 10; one worn just past zero shows 0, unsigned.
    EXPECT_EQ(u_FloatToText(9.99f, 0), "10");
    EXPECT_EQ(u_FloatToText(-0.004f, 0), "0");
}

TEST(FloatToText, DecimalsAreExactlyAsAsked) {
    EXPECT_EQ(u_FloatToText(2.5f, 1), "2.5");
    EXPECT_EQ(u_FloatToText(0.125f, 2), "0.13");  // an exact tie rounds away from zero
    EXPECT_EQ(u_FloatToText(-0.125f, 2), "-0.13");
    EXPECT_EQ(u_FloatToText(1.005f, 2), "1.00");  // 1.005f lies just below 1.005
    EXPECT_EQ(u_FloatToText(9.999f, 2), "10.00");
    EXPECT_EQ(u_FloatToText(3.0f, 3), "3.000");
    EXPECT_EQ(u_FloatToText(16777216.0f, 0), "16777216");
    EXPECT_EQ(u_FloatToText(1e20f, 0), "100000002004087734272");
}

// Exports the engine implements are bound at their exact types, the rest generically.
static_assert(std::is_same_v<decltype(scr_ReadPixels), PFN_scr_ReadPixels>);
static_assert(std::is_same_v<decltype(gui_AddCheckBox), PFN_gui_AddCheckBox>);
static_assert(std::is_same_v<decltype(rtarget_Set_2), HxProc>);
static_assert(std::is_same_v<decltype(u_SortList), HxProc>);

TEST(Binding, NamesAllExportsInLookupOrder) {
    EXPECT_EQ(HalvexBindingCount, 246);
    std::set<std::string> distinct(HalvexExportNames, HalvexExportNames + HalvexBindingCount);
    EXPECT_EQ(distinct.size(), 245u);
    EXPECT_STREQ(HalvexExportNames[0], "engine_start");
    EXPECT_STREQ(HalvexExportNames[HalvexBindingCount - 1], "u_SortList");
    int rtargetSet = 0;
    for (int i = 0; i < HalvexBindingCount; i++)
        if (std::string(HalvexExportNames[i]) == "rtarget_Set") {
            rtargetSet++;
            EXPECT_STREQ(HalvexExportNames[i - 1], rtargetSet == 1 ? "rtarget_Del" : "rtarget_Set");
        }
    EXPECT_EQ(rtargetSet, 2);
}

TEST(Binding, MissingLibraryReportsAndBindsNothing) {
    UnbindEngine();
    setenv("HALVEX_NO_MESSAGEBOX", "1", 1);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadEngine("no-such-folder/halvex.dll", true));
    std::string reported = testing::internal::GetCapturedStderr();
    EXPECT_NE(reported.find("Error while loading Halvex Engine"), std::string::npos) << reported;
    EXPECT_NE(reported.find("no-such-folder/halvex.dll"), std::string::npos) << reported;
    EXPECT_EQ(EngineLibrary, nullptr);
    EXPECT_EQ(engine_start, nullptr);

    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadEngine("no-such-folder/halvex.dll", false));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(Binding, PartialLibraryStillBindsWhatItHas) {
    UnbindEngine();
    ASSERT_TRUE(LoadEngine(PARTIAL_ENGINE_PATH, true));
    EXPECT_NE(EngineLibrary, nullptr);
    ASSERT_NE(engine_start, nullptr);
    ASSERT_NE(timer_Add, nullptr);
    ASSERT_NE(gui_Draw, nullptr);
    EXPECT_NE(rtarget_Set, nullptr);
    EXPECT_EQ(rtarget_Set, rtarget_Set_2);  // both variables hold the one export
    // Exports the library lacks stay null.
    EXPECT_EQ(engine_stop, nullptr);
    EXPECT_EQ(text_DrawEx, nullptr);
    EXPECT_EQ(u_SortList, nullptr);
    // The bound functions are the library's own.
    HxTimer timer = timer_Add(nullptr, 1234);
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->Interval, 1234u);
    UnbindEngine();
}
