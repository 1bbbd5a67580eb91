#include <windows.h>

#include <gtest/gtest.h>

TEST(WinePrefix, AnsiCodePageIs936) { EXPECT_EQ(GetACP(), 936u); }

TEST(WinePrefix, VirtualDesktopIs1024x768) {
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
}
