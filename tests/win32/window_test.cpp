// The real tool, started in game folders of the test's own and driven the way a player would:
// the start-up check, the window's place and controls, the keys, the buttons and closing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/registry_script.h"
#include "tests/win32/driver.h"

namespace {

const DWORD kWindowTimeoutMs = 20000;
const DWORD kExitTimeoutMs = 20000;
// An action waits for the registry editor, which under emulation takes a while to start.
const DWORD kActionTimeoutMs = 60000;
const DWORD kFocusTimeoutMs = 5000;

const char kNotInGameFolder[] = "请把本注册表工具放在【Varnholt】游戏目录下。";
const char kLeftByEarlierRun[] = "left by an earlier run\r\n";

struct RunningTool {
    GameFolder game;
    LaunchedProcess process;
    HWND window = nullptr;
};

// Starts the tool from a working folder other than its own, so that every test also shows that
// the tool looks for Launcher.exe where it lies, not where it was started from.
void StartTool(RunningTool* tool, const std::string& folder, bool withLauncher = true) {
    ASSERT_TRUE(PrepareGameFolder(&tool->game, folder, withLauncher));
    ASSERT_TRUE(Launch(&tool->process, tool->game.toolPath, "C:\\windows"));
    if (!withLauncher) return;
    tool->window = WaitForMainWindow(tool->process.id, kWindowTimeoutMs);
    ASSERT_NE(tool->window, nullptr) << "the main window never became visible";
}

void ExpectExitCode(const RunningTool& tool, DWORD expected) {
    DWORD exitCode = 0xDEADBEEF;
    ASSERT_TRUE(WaitForExit(tool.process, kExitTimeoutMs, &exitCode)) << "the tool did not end";
    EXPECT_EQ(exitCode, expected);
}

// A file vanishes a moment after the box that precedes its deletion has gone.
void PreCreateScriptFiles() {
    ASSERT_TRUE(CreateFileWithBytes(kImportFile, kLeftByEarlierRun));
    ASSERT_TRUE(CreateFileWithBytes(kRemovalFile, kLeftByEarlierRun));
}

// ---- Keys and focus ---------------------------------------------------------------------------

// ---- The window's controls --------------------------------------------------------------------

HWND FindChild(HWND parent, const char* className, const std::string& text) {
    return FindWindowExA(parent, nullptr, className, text.empty() ? nullptr : text.c_str());
}

HWND GroupBoxOf(HWND window) { return FindChild(window, "Button", "功能区"); }
HWND Button1Of(HWND window) { return FindChild(GroupBoxOf(window), "Button", "导入注册表"); }
HWND Button2Of(HWND window) { return FindChild(GroupBoxOf(window), "Button", "卸载注册表"); }
HWND EditBoxOf(HWND window) { return FindChild(window, "Edit", ""); }

RECT PlaceInParent(HWND control) {
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string FilledScript(const GameFolder& game) {
    return FillInstallPathInto(kImportScriptTemplate, game.folder);
}

// ---- Screenshot -------------------------------------------------------------------------------

// A 24-bit BMP of a part of the screen, for the README and for a person to look at.
bool SaveScreenArea(const RECT& area, const std::string& path) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD rowBytes = ((width * 3) + 3) & ~3;
    std::vector<char> pixels(rowBytes * height);
    const int rows = GetDIBits(memory, bitmap, 0, height, pixels.data(),
                               reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (rows != height) return false;

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    bytes.append(pixels.data(), pixels.size());
    return CreateFileWithBytes(path, bytes);
}

// ---- Start-up check ---------------------------------------------------------------------------

// Without Launcher.exe beside it the tool says so and ends; its window must never be seen, and
// it must not touch the script files that an earlier run may have left in C:\.
TEST(StartupCheck, OutsideTheGameFolderOnlyTheMessageShows) {
    PreCreateScriptFiles();
    RunningTool tool;
    // The working folder does hold a Launcher.exe: only the tool's own folder may count.
    GameFolder workingFolder;
    ASSERT_TRUE(PrepareGameFolder(&workingFolder, "C:\\varnholt window working"));
    ASSERT_TRUE(PrepareGameFolder(&tool.game, "C:\\varnholt window no launcher", false));
    ASSERT_TRUE(Launch(&tool.process, tool.game.toolPath, workingFolder.folder));

    HWND box = nullptr;
    const ULONGLONG deadline = NowMs() + kWindowTimeoutMs;
    while (box == nullptr && NowMs() < deadline) {
        ASSERT_EQ(WaitForMainWindow(tool.process.id, 0), nullptr) << "the main window showed";
        box = FindMessageBox(tool.process.id);
        Sleep(20);
    }
    ASSERT_NE(box, nullptr) << "no message box appeared";
    const MessageBoxContent content = ReadMessageBox(box);
    EXPECT_EQ(content.text, kNotInGameFolder);
    EXPECT_EQ(content.owner, nullptr);
    EXPECT_EQ(WaitForMainWindow(tool.process.id, 0), nullptr);

    ASSERT_TRUE(DismissMessageBox(box));
    ExpectExitCode(tool, 0);
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(kImportFile, &bytes) && bytes == kLeftByEarlierRun);
    EXPECT_TRUE(ReadFileBytes(kRemovalFile, &bytes) && bytes == kLeftByEarlierRun);
    DeletePath(kImportFile);
    DeletePath(kRemovalFile);
}

// The check asks for any entry of that name, as the file system compares names.
TEST(StartupCheck, ADirectoryNamedLauncherExePasses) {
    RunningTool tool;
    ASSERT_TRUE(PrepareGameFolder(&tool.game, "C:\\varnholt window directory", false));
    ASSERT_TRUE(CreateDirectoryA((tool.game.folder + "\\LAUNCHER.EXE").c_str(), nullptr));
    ASSERT_TRUE(Launch(&tool.process, tool.game.toolPath, "C:\\windows"));
    tool.window = WaitForMainWindow(tool.process.id, kWindowTimeoutMs);
    ASSERT_NE(tool.window, nullptr);
    EXPECT_EQ(FindMessageBox(tool.process.id), nullptr);
    PostMessageA(tool.window, WM_CLOSE, 0, 0);
    ExpectExitCode(tool, 0);
}

// ---- The window as built ----------------------------------------------------------------------

enum class Parent { Window, GroupBox };

struct ExpectedControl {
    const char* name;
    const char* className;  // null for the link controls and the label, found by caption
    Parent parent;
    RECT place;  // left, top, right, bottom in the parent's client area
    DWORD styleSet;
    DWORD styleClear;
    DWORD exStyleSet;
};

const ExpectedControl kExpectedControls[] = {
    {"分组框1", "Button", Parent::Window, {8, 6, 352, 62}, WS_VISIBLE | BS_GROUPBOX, WS_TABSTOP, 0},
    {"按钮1", "Button", Parent::GroupBox, {14, 15, 134, 47}, WS_VISIBLE | WS_TABSTOP | BS_MULTILINE,
     BS_DEFPUSHBUTTON | WS_DISABLED, 0},
    {"按钮2", "Button", Parent::GroupBox, {206, 15, 326, 47},
     WS_VISIBLE | WS_TABSTOP | BS_MULTILINE, BS_DEFPUSHBUTTON | WS_DISABLED, 0},
    {"超级链接框1", nullptr, Parent::Window, {151, 64, 351, 80}, WS_VISIBLE | WS_CLIPSIBLINGS,
     WS_TABSTOP | WS_BORDER, 0},
    {"透明标签2", nullptr, Parent::Window, {222, 97, 354, 113}, WS_VISIBLE | WS_CLIPSIBLINGS,
     WS_TABSTOP | WS_BORDER, WS_EX_TRANSPARENT},
    {"编辑框1", "Edit", Parent::Window, {104, 176, 168, 208},
     WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL,
     ES_AUTOHSCROLL | WS_HSCROLL | WS_VSCROLL | ES_READONLY | ES_PASSWORD | ES_UPPERCASE |
         ES_LOWERCASE | ES_NUMBER | ES_CENTER | ES_RIGHT | ES_NOHIDESEL | WS_DISABLED,
     WS_EX_CLIENTEDGE},
    {"超级链接框2", nullptr, Parent::Window, {220, 80, 348, 96}, WS_VISIBLE | WS_CLIPSIBLINGS,
     WS_TABSTOP | WS_BORDER, 0},
};

// The caption of each control, found among the window's children by it.
std::string ExpectedText(const ExpectedControl& control, const GameFolder& game) {
    const std::string name = control.name;
    if (name == "分组框1") return "功能区";
    if (name == "按钮1") return "导入注册表";
    if (name == "按钮2") return "卸载注册表";
    if (name == "超级链接框1") return "Orlenwick 官网：orlenwick.example";
    if (name == "超级链接框2") return "无法运行游戏请点我";
    if (name == "透明标签2") return "Orlenwick·玩家社区制作";
    return FilledScript(game);
}

HWND FindExpected(HWND window, const ExpectedControl& control, const GameFolder& game) {
    HWND parent = control.parent == Parent::Window ? window : GroupBoxOf(window);
    if (control.className != nullptr && std::string(control.className) == "Edit") {
        return FindChild(parent, "Edit", "");
    }
    return FindChild(parent, control.className, ExpectedText(control, game));
}

TEST(MainWindow, PlaceFrameAndControlsAreAsDescribed) {
    RunningTool tool;
    StartTool(&tool, "C:\\varnholt window layout");
    if (HasFatalFailure()) return;

    RECT outer = {};
    GetWindowRect(tool.window, &outer);
    EXPECT_EQ(outer.left, 328);  // (1024 - 368) / 2
    EXPECT_EQ(outer.top, 311);   // (768 - 145) / 2, truncated
    EXPECT_EQ(outer.right - outer.left, 368);
    EXPECT_EQ(outer.bottom - outer.top, 145);

    const LONG style = GetWindowLongA(tool.window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CHILD | WS_POPUP), 0);
    EXPECT_EQ(GetWindow(tool.window, GW_OWNER), nullptr);
    EXPECT_EQ(GetWindowLongA(tool.window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    // The controls' font is not asked for: under Wine WM_GETFONT answers 0 to another process.
    // The screenshot below shows it.
    for (const ExpectedControl& expected : kExpectedControls) {
        SCOPED_TRACE(expected.name);
        HWND control = FindExpected(tool.window, expected, tool.game);
        ASSERT_NE(control, nullptr) << "not found under its parent with its text";
        const RECT place = PlaceInParent(control);
        EXPECT_EQ(place.left, expected.place.left);
        EXPECT_EQ(place.top, expected.place.top);
        EXPECT_EQ(place.right, expected.place.right);
        EXPECT_EQ(place.bottom, expected.place.bottom);
        EXPECT_EQ(ControlText(control), ExpectedText(expected, tool.game));
        const DWORD controlStyle = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
        const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE));
        EXPECT_EQ(controlStyle & expected.styleSet, expected.styleSet);
        EXPECT_EQ(controlStyle & expected.styleClear, 0u);
        EXPECT_EQ(exStyle & expected.exStyleSet, expected.exStyleSet);
    }

    // Top to bottom among the window's own children, and inside the group box.
    HWND groupBox = GroupBoxOf(tool.window);
    const std::vector<HWND> windowChildren = {
        FindChild(tool.window, nullptr, "无法运行游戏请点我"), EditBoxOf(tool.window),
        FindChild(tool.window, nullptr, "Orlenwick·玩家社区制作"),
        FindChild(tool.window, nullptr, "Orlenwick 官网：orlenwick.example"), groupBox};
    std::vector<HWND> seen;
    for (HWND child = GetWindow(tool.window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        seen.push_back(child);
    }
    EXPECT_EQ(seen, windowChildren);
    EXPECT_EQ(GetWindow(groupBox, GW_CHILD), Button2Of(tool.window));
    EXPECT_EQ(GetWindow(Button2Of(tool.window), GW_HWNDNEXT), Button1Of(tool.window));

    // Let it paint, then keep a picture of it with some desktop around.
    Sleep(1000);
    const RECT around = {outer.left - 16, outer.top - 16, outer.right + 16, outer.bottom + 16};
    EXPECT_TRUE(SaveScreenArea(around, WinePathOf(VARNHOLT_SCREENSHOT)));

    PostMessageA(tool.window, WM_CLOSE, 0, 0);
    ExpectExitCode(tool, 0);
}

// ---- Keys -------------------------------------------------------------------------------------

TEST(MainWindow, KeysMoveTheFocusAndOnlyTheEditBoxTakesEnter) {
    DeleteRegistryTree(kGameKeyPath);
    RunningTool tool;
    StartTool(&tool, "C:\\varnholt window keys");
    if (HasFatalFailure()) return;
    HWND button1 = Button1Of(tool.window);
    HWND button2 = Button2Of(tool.window);
    HWND editBox = EditBoxOf(tool.window);
    ASSERT_TRUE(button1 && button2 && editBox);
    EXPECT_TRUE(WaitForFocus(tool.window, button1)) << "the first focus is not on 按钮1";
    ASSERT_TRUE(BringToFront(tool.window)) << "the window could not be brought to front";
    if (HasFatalFailure()) return;

    struct Step {
        WORD key;
        bool shift;
        HWND focusAfter;
        const char* what;
    };
    const Step cycle[] = {
        {VK_TAB, false, button2, "Tab from 按钮1"},
        {VK_TAB, false, editBox, "Tab from 按钮2"},
        {VK_TAB, false, button1, "Tab from 编辑框1 wraps"},
        {VK_TAB, true, editBox, "Shift+Tab from 按钮1 wraps"},
        {VK_TAB, true, button2, "Shift+Tab from 编辑框1"},
        {VK_RETURN, false, button2, "Enter on 按钮2"},
        {VK_TAB, true, button1, "Shift+Tab from 按钮2"},
        {VK_RETURN, false, button1, "Enter on 按钮1"},
    };
    for (const Step& step : cycle) {
        PressKey(step.key, false, step.shift);
        EXPECT_TRUE(WaitForFocus(tool.window, step.focusAfter)) << step.what;
    }
    // Had Enter pressed a button, its action would be under way: the key after it would wait
    // behind the action, and its box would be up.
    PressKey(VK_TAB);
    EXPECT_TRUE(WaitForFocus(tool.window, button2));
    EXPECT_EQ(FindMessageBox(tool.process.id), nullptr) << "Enter on a button ran an action";
    EXPECT_FALSE(RegistryKeyPresent(kGameKeyPath));

    // Space clicks the focused button.
    PressKey(VK_TAB, false, true);
    ASSERT_TRUE(WaitForFocus(tool.window, button1));
    PressKey(VK_SPACE);
    HWND box = WaitForMessageBox(tool.process.id, kActionTimeoutMs);
    ASSERT_NE(box, nullptr) << "Space on 按钮1 did not import";
    EXPECT_EQ(ReadMessageBox(box).text, "导入注册表成功");
    ASSERT_TRUE(DismissMessageBox(box));

    // In the edit box Enter and letters change the script, unseen.
    ASSERT_TRUE(BringToFront(tool.window)) << "the window could not be brought to front";
    if (HasFatalFailure()) return;
    PressKey(VK_TAB, false, true);
    ASSERT_TRUE(WaitForFocus(tool.window, editBox));
    PressKey(VK_RETURN);
    PressKey('A');
    PressKey(VK_TAB);
    ASSERT_TRUE(WaitForFocus(tool.window, button1));
    EXPECT_EQ(ControlText(editBox), "\r\na" + FilledScript(tool.game));

    // Another window takes the activation and gives it back: the focus returns to 按钮2.
    PressKey(VK_TAB);
    ASSERT_TRUE(WaitForFocus(tool.window, button2));
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(BringToFront(other)) << "the window could not be brought to front";
    ASSERT_TRUE(BringToFront(tool.window)) << "the window could not be brought to front";
    EXPECT_TRUE(WaitForFocus(tool.window, button2)) << "the focus was not given back";
    DestroyWindow(other);

    PostMessageA(tool.window, WM_CLOSE, 0, 0);
    ExpectExitCode(tool, 0);
    DeleteRegistryTree(kGameKeyPath);
}

// Esc closes from every control that can hold the focus, by the same road as the close box:
// the script files left in C:\ go, and the exit code is 0.
TEST(MainWindow, EscClosesFromEachFocusableControl) {
    const struct {
        int tabs;
        const char* focused;
    } cases[] = {{0, "按钮1"}, {1, "按钮2"}, {2, "编辑框1"}};
    for (const auto& escCase : cases) {
        SCOPED_TRACE(escCase.focused);
        PreCreateScriptFiles();
        RunningTool tool;
        StartTool(&tool, "C:\\varnholt window esc");
        if (HasFatalFailure()) return;
        ASSERT_TRUE(WaitForFocus(tool.window, Button1Of(tool.window)));
        ASSERT_TRUE(BringToFront(tool.window)) << "the window could not be brought to front";
        if (HasFatalFailure()) return;
        for (int i = 0; i < escCase.tabs; ++i) PressKey(VK_TAB);
        const HWND focused[] = {Button1Of(tool.window), Button2Of(tool.window),
                                EditBoxOf(tool.window)};
        ASSERT_TRUE(WaitForFocus(tool.window, focused[escCase.tabs]));
        PressKey(VK_ESCAPE);
        ExpectExitCode(tool, 0);
        EXPECT_FALSE(PathExists(kImportFile));
        EXPECT_FALSE(PathExists(kRemovalFile));
    }
}

// Logging off: the tool agrees and ends at once, without deleting the script files.
TEST(MainWindow, SessionEndEndsWithoutCleanUp) {
    PreCreateScriptFiles();
    RunningTool tool;
    StartTool(&tool, "C:\\varnholt window session");
    if (HasFatalFailure()) return;
    DWORD_PTR agreed = 0;
    ASSERT_TRUE(SendMessageTimeoutA(tool.window, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK,
                                    kFocusTimeoutMs, &agreed));
    EXPECT_EQ(agreed, static_cast<DWORD_PTR>(TRUE));
    PostMessageA(tool.window, WM_ENDSESSION, TRUE, 0);
    ExpectExitCode(tool, 0);
    EXPECT_TRUE(PathExists(kImportFile));
    EXPECT_TRUE(PathExists(kRemovalFile));
    DeletePath(kImportFile);
    DeletePath(kRemovalFile);
}

// ---- Buttons ----------------------------------------------------------------------------------

// Each button reaches its own action through the group box that holds it: the script file is
// there while the action's box is open and gone after it.
TEST(MainWindow, EachButtonRunsItsAction) {
    DeleteRegistryTree(kGameKeyPath);
    RunningTool tool;
    StartTool(&tool, "C:\\varnholt window buttons");
    if (HasFatalFailure()) return;
    const struct {
        const char* caption;
        const char* file;
        const char* message;
        bool keyAfter;
    } cases[] = {
        {kImportButtonCaption, kImportFile, "导入注册表成功", true},
        {kRemoveButtonCaption, kRemovalFile, "卸载注册表成功", false},
    };
    for (const auto& buttonCase : cases) {
        SCOPED_TRACE(buttonCase.caption);
        ASSERT_TRUE(ClickButton(tool.window, buttonCase.caption));
        HWND box = WaitForMessageBox(tool.process.id, kActionTimeoutMs);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(ReadMessageBox(box).text, buttonCase.message);
        EXPECT_TRUE(PathExists(buttonCase.file));
        ASSERT_TRUE(DismissMessageBox(box));
        EXPECT_TRUE(WaitUntilGone(buttonCase.file, kExitTimeoutMs));
        EXPECT_EQ(RegistryKeyPresent(kGameKeyPath), buttonCase.keyAfter);
    }
    PostMessageA(tool.window, WM_CLOSE, 0, 0);
    ExpectExitCode(tool, 0);
}

}  // namespace
