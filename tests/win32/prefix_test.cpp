#include <windows.h>

#include <gtest/gtest.h>

TEST(WinePrefix, AnsiCodePageIs936) { EXPECT_EQ(GetACP(), 936u); }

TEST(WinePrefix, VirtualDesktopIs1024x768) {
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
}

// Without a display Wine creates no windows at all; every window test would then only time out.
TEST(WinePrefix, TopLevelWindowsCanBeCreatedAndShown) {
    HWND window = CreateWindowExA(0, "STATIC", "prefix check", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr) << "Wine could not create a window: is its X display running?";
    ShowWindow(window, SW_SHOWNORMAL);
    EXPECT_TRUE(IsWindowVisible(window));
    DestroyWindow(window);
}
