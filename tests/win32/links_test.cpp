// The link controls and the credit label as a user meets them in the running tool: colours read
// back from the screen, addresses received by the browser, focus left where it was.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/link_texts.h"
#include "tests/win32/driver.h"

namespace {

const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kDarkRed = RGB(128, 0, 0);
const COLORREF kLightBlue = RGB(51, 153, 255);
const COLORREF kBlack = RGB(0, 0, 0);

// How often each colour appears in a window's rectangle on the screen.
struct Pixels {
    std::vector<COLORREF> colours;
    size_t Count(COLORREF colour) const {
        size_t n = 0;
        for (COLORREF c : colours) n += c == colour;
        return n;
    }
    COLORREF corner() const { return colours.front(); }
};

Pixels ScreenPixelsOf(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    Pixels pixels;
    const auto* bgrx = static_cast<const BYTE*>(bits);
    for (int i = 0; i < width * height; ++i) {
        pixels.colours.push_back(RGB(bgrx[4 * i + 2], bgrx[4 * i + 1], bgrx[4 * i]));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Polls until the control shows `colour` in its text and no pixel of `absent`.
bool WaitForTextColour(HWND control, COLORREF colour, COLORREF absent, DWORD timeoutMs = 10000) {
    const ULONGLONG end = NowMs() + timeoutMs;
    do {
        const Pixels pixels = ScreenPixelsOf(control);
        if (pixels.Count(colour) > 0 && pixels.Count(absent) == 0) return true;
        Sleep(100);
    } while (NowMs() < end);
    return false;
}

POINT CentreOf(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// For a failed colour check: what the link showed, and whose window lies over its centre when it
// is not the link itself.
std::string DescribeLink(HWND link) {
    const Pixels pixels = ScreenPixelsOf(link);
    std::ostringstream text;
    text << "blue " << pixels.Count(kBlue) << ", light blue " << pixels.Count(kLightBlue)
         << ", dark red " << pixels.Count(kDarkRed) << " pixels";
    const HWND top = WindowFromPoint(CentreOf(link));
    if (top != link) {
        char className[64] = {};
        GetClassNameA(top, className, sizeof(className));
        text << "; over its centre: a " << className << " in \""
             << WindowText(GetAncestor(top, GA_ROOT)) << "\"";
    }
    return text.str();
}

// The tool opens an address on its window's thread: once that thread answers a message, the open
// is over, however long the shell took to start the browser.
void WaitForToolIdle(HWND window) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored);
}

void SendMouse(POINT point, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = point.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = point.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
    SendInput(1, &input, sizeof(input));
}

void MoveMouseTo(POINT point) { SendMouse(point, 0); }

HWND FindChild(HWND parent, const char* className, const std::string& text) {
    return FindWindowExA(parent, nullptr, className, text.c_str());
}

// The addresses that the browser was asked to open, one a line.
std::vector<std::string> OpenedAddresses() {
    std::ifstream log(WinePathOf(VARNHOLT_BROWSER_LOG));
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> WaitForOpenedAddresses(size_t count, DWORD timeoutMs = 20000) {
    const ULONGLONG end = NowMs() + timeoutMs;
    while (OpenedAddresses().size() < count && NowMs() < end) Sleep(100);
    // A second open would follow the first closely: give it the time to show up.
    Sleep(1500);
    return OpenedAddresses();
}

HKEY OpenWritable(HKEY root, const char* path) {
    HKEY key = nullptr;
    RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    return key;
}

std::string ReadDefault(HKEY root, const char* path) {
    char value[1024] = {};
    LONG size = sizeof(value);
    RegQueryValueA(root, path, value, &size);
    return value;
}

// Sets a string value for the test's duration and puts the old one back afterwards.
struct RegistryOverride {
    HKEY root;
    std::string path, name, old;
    bool hadValue = false;
    RegistryOverride(HKEY r, const char* p, const char* n, const std::string& value)
        : root(r), path(p), name(n) {
        HKEY key = OpenWritable(root, p);
        char buffer[1024] = {};
        DWORD size = sizeof(buffer);
        hadValue = RegQueryValueExA(key, n, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                                    &size) == ERROR_SUCCESS;
        old = buffer;
        RegSetValueExA(key, n, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
        RegCloseKey(key);
    }
    ~RegistryOverride() {
        HKEY key = OpenWritable(root, path.c_str());
        if (hadValue) {
            RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(old.c_str()),
                           static_cast<DWORD>(old.size() + 1));
        } else {
            RegDeleteValueA(key, name.c_str());
        }
        RegCloseKey(key);
    }
};

// A running tool in a game folder, the browser replaced by a script that logs what it gets.
class LinksTest : public testing::Test {
protected:
    void SetUp() override {
        DeleteFileA(WinePathOf(VARNHOLT_BROWSER_LOG).c_str());
        ASSERT_TRUE(PrepareGameFolder(&game_, "C:\\varnholt-links\\Game"));
        ASSERT_TRUE(Launch(&tool_, game_.toolPath, game_.folder));
        window_ = WaitForMainWindow(tool_.id, 30000);
        ASSERT_NE(window_, nullptr);
        SetForegroundWindow(window_);
        link1_ = FindChild(window_, "VarnholtLink", kPublisherLinkCaption);
        link2_ = FindChild(window_, "VarnholtLink", kStartupHelpLinkCaption);
        label_ = FindChild(window_, "VarnholtLabel", kCreditLine);
        ASSERT_NE(link1_, nullptr);
        ASSERT_NE(link2_, nullptr);
        ASSERT_NE(label_, nullptr);
        groupBox_ = FindChild(window_, "Button", "功能区");
        ASSERT_NE(groupBox_, nullptr);
    }
    void TearDown() override {
        if (window_ != nullptr) PostMessageA(window_, WM_CLOSE, 0, 0);
        WaitForExit(tool_, 20000);
    }
    void MoveOff() { MoveMouseTo(CentreOf(groupBox_)); }
    HWND FocusedControl() { return FocusOf(window_); }

    RegistryOverride browser_{HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", "Browsers",
                              VARNHOLT_BROWSER_SCRIPT};
    GameFolder game_;
    LaunchedProcess tool_;
    HWND window_ = nullptr, link1_ = nullptr, link2_ = nullptr, label_ = nullptr;
    HWND groupBox_ = nullptr;
};

TEST_F(LinksTest, ColoursFollowTheMouseAndTheVisitedState) {
    EXPECT_TRUE(WaitForTextColour(link1_, kBlue, kLightBlue)) << "blue at rest";

    MoveMouseTo(CentreOf(link1_));
    EXPECT_TRUE(WaitForTextColour(link1_, kLightBlue, kBlue)) << "light blue under the mouse";
    MoveOff();
    EXPECT_TRUE(WaitForTextColour(link1_, kBlue, kLightBlue)) << "blue again after leaving";

    // A successful open marks the link visited: dark red once the mouse has left.
    MoveMouseTo(CentreOf(link1_));
    SendMouse(CentreOf(link1_), MOUSEEVENTF_LEFTDOWN);
    SendMouse(CentreOf(link1_), MOUSEEVENTF_LEFTUP);
    ASSERT_EQ(WaitForOpenedAddresses(1).size(), 1u);
    WaitForToolIdle(window_);
    MoveOff();
    EXPECT_TRUE(WaitForTextColour(link1_, kDarkRed, kLightBlue))
        << "visited after the open: " << DescribeLink(link1_);
}

// After an open the browser comes to the front, and the pointer leaves the link for it: the link
// must not keep its hover colour, now or once the tool is in front again.
TEST_F(LinksTest, HoverEndsWhenThePointerLeavesForAWindowInFront) {
    MoveMouseTo(CentreOf(link1_));
    ASSERT_TRUE(WaitForTextColour(link1_, kLightBlue, kBlue)) << DescribeLink(link1_);

    HWND browser = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "browser", WS_POPUP | WS_VISIBLE, 0,
                                   0, 200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(browser, nullptr);
    ASSERT_TRUE(BringToFront(browser));
    MoveMouseTo({100, 50});
    EXPECT_TRUE(WaitForTextColour(link1_, kBlue, kLightBlue))
        << "with the browser in front: " << DescribeLink(link1_);

    DestroyWindow(browser);
    ASSERT_TRUE(BringToFront(window_));
    EXPECT_TRUE(WaitForTextColour(link1_, kBlue, kLightBlue))
        << "with the tool in front again: " << DescribeLink(link1_);
}

TEST_F(LinksTest, AFailedOpenLeavesTheLinkUnvisited) {
    MoveMouseTo(CentreOf(link2_));
    SendMouse(CentreOf(link2_), MOUSEEVENTF_LEFTDOWN);
    SendMouse(CentreOf(link2_), MOUSEEVENTF_LEFTUP);
    ASSERT_EQ(WaitForOpenedAddresses(1).size(), 1u);
    WaitForToolIdle(window_);
    MoveOff();
    ASSERT_TRUE(WaitForTextColour(link2_, kDarkRed, kBlue)) << DescribeLink(link2_);

    {
        // Neither the shell's handler for web addresses nor the one for .htm files can start.
        const std::string broken = "C:\\no-such-browser.exe \"%1\"";
        RegistryOverride http(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", "", broken);
        const std::string htmClass = ReadDefault(HKEY_CLASSES_ROOT, ".htm");
        RegistryOverride htm(HKEY_CLASSES_ROOT, (htmClass + "\\shell\\open\\command").c_str(), "",
                             broken);
        MoveMouseTo(CentreOf(link2_));
        SendMouse(CentreOf(link2_), MOUSEEVENTF_LEFTDOWN);
        SendMouse(CentreOf(link2_), MOUSEEVENTF_LEFTUP);
        // The failed open answers nothing that can be waited for; give it time to begin.
        Sleep(3000);
        WaitForToolIdle(window_);
        MoveOff();
        EXPECT_TRUE(WaitForTextColour(link2_, kBlue, kDarkRed, 30000))
            << "blue after the failed open: " << DescribeLink(link2_);
        EXPECT_EQ(FindMessageBox(tool_.id), nullptr) << "a failed open says nothing";
    }
    EXPECT_EQ(OpenedAddresses().size(), 1u);
}

TEST_F(LinksTest, PressOpensItsAddressOnceAndLeavesTheFocus) {
    // The window has just been activated: its first control takes the focus shortly.
    ASSERT_TRUE(WaitUntil([&] { return FocusedControl() != nullptr; }, 10000));
    const HWND focusBefore = FocusedControl();

    // Opened as the button goes down, before any release.
    MoveMouseTo(CentreOf(link2_));
    SendMouse(CentreOf(link2_), MOUSEEVENTF_LEFTDOWN);
    const std::vector<std::string> opened = WaitForOpenedAddresses(1);
    SendMouse(CentreOf(groupBox_), MOUSEEVENTF_LEFTUP);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], kStartupHelpAddress);
    EXPECT_EQ(FocusedControl(), focusBefore);

    // A double click opens the address once.
    DeleteFileA(WinePathOf(VARNHOLT_BROWSER_LOG).c_str());
    MoveMouseTo(CentreOf(link1_));
    for (int click = 0; click < 2; ++click) {
        SendMouse(CentreOf(link1_), MOUSEEVENTF_LEFTDOWN);
        SendMouse(CentreOf(link1_), MOUSEEVENTF_LEFTUP);
    }
    const std::vector<std::string> doubleClick = WaitForOpenedAddresses(1);
    ASSERT_EQ(doubleClick.size(), 1u);
    EXPECT_EQ(doubleClick[0], kPublisherHomeAddress);
    EXPECT_EQ(FocusedControl(), focusBefore);
}

TEST_F(LinksTest, LinkBoxesAreButtonFaceAndTheLabelIsDrawnOverTheWindow) {
    MoveOff();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    // Polled: the freshly shown window may not have been painted yet.
    for (HWND link : {link1_, link2_}) {
        EXPECT_TRUE(WaitUntil([&] { return ScreenPixelsOf(link).corner() == face; }, 10000));
    }
    EXPECT_TRUE(WaitUntil([&] {
        const Pixels label = ScreenPixelsOf(label_);
        return label.Count(kBlack) > 0 && label.corner() == face;
    }, 10000)) << "black glyphs over the window's own background";
}

}  // namespace
