#include "app/main_window.h"

#include <commctrl.h>

#include "app/keyboard.h"
#include "app/link_controls.h"
#include "app/link_texts.h"
#include "app/program.h"
#include "app/window_icon.h"
#include "host/host.h"
#include "script/actions.h"
#include "script/registry_script.h"

namespace {

enum class ControlKind { GroupBox, PushButton, EditBox, Link, TransparentLabel };

// What a kind of control is made of.
struct KindSettings {
    const char* className;
    DWORD style;
    DWORD exStyle;
    bool takesFocus;
};

const KindSettings& SettingsOf(ControlKind kind) {
    static const KindSettings kGroupBox = {"BUTTON", BS_GROUPBOX, 0, false};
    // BS_MULTILINE lets a caption wrap onto a second line rather than be cut.
    static const KindSettings kPushButton = {
        "BUTTON", BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE, 0, true};
    // No ES_AUTOHSCROLL: long lines wrap at the box's width instead of scrolling sideways.
    static const KindSettings kEditBox = {
        "EDIT", ES_LEFT | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, WS_EX_CLIENTEDGE, true};
    static const KindSettings kLink = {kLinkClassName, WS_CLIPSIBLINGS, 0, false};
    static const KindSettings kTransparentLabel = {kLabelClassName, WS_CLIPSIBLINGS,
                                                   WS_EX_TRANSPARENT, false};
    switch (kind) {
        case ControlKind::GroupBox: return kGroupBox;
        case ControlKind::PushButton: return kPushButton;
        case ControlKind::EditBox: return kEditBox;
        case ControlKind::Link: return kLink;
        case ControlKind::TransparentLabel: break;
    }
    return kTransparentLabel;
}

const int kParentIsWindow = -1;

struct ControlDescription {
    ControlName name;
    ControlKind kind;
    int parent;  // a ControlName, or kParentIsWindow
    int x, y, width, height;  // place in the parent's client area, outer size
    const char* text;
    const char* address;  // links only: the web page that a press opens
    bool tabStop;
    int zRank;  // 0 lies on top among its siblings
    void (*onClick)();
};

struct WindowDescription {
    const char* className;
    const char* title;
    DWORD style;
    int width, height;  // outer size, frame and caption bar included
    void (*onCreated)();
    void (*onDestroying)();
};

// A fixed dialog frame: no sizing border and no maximise box, which also leaves Size and
// Maximize unavailable in the system menu.
const WindowDescription kWindow = {
    "VarnholtRegToolMainWindow",
    "Varnholt 注册表导入工具",
    WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
    368, 145,
    HandleWindowCreated,
    HandleWindowDestroying,
};

// In creation order, which is also the Tab order. 编辑框1 lies below the window's bottom edge:
// it only holds the import script and is never meant to be seen.
const ControlDescription kControls[kControlCount] = {
    {kGroupBox1, ControlKind::GroupBox, kParentIsWindow, 8, 6, 344, 56, "功能区", nullptr, false, 6,
     nullptr},
    {kButton1, ControlKind::PushButton, kGroupBox1, 14, 15, 120, 32, "导入注册表", nullptr, true, 5,
     HandleImportClick},
    {kButton2, ControlKind::PushButton, kGroupBox1, 206, 15, 120, 32, "卸载注册表", nullptr, true, 4,
     HandleRemoveClick},
    {kLink1, ControlKind::Link, kParentIsWindow, 151, 64, 200, 16, kPublisherLinkCaption,
     kPublisherHomeAddress, false, 3, nullptr},
    {kLabel2, ControlKind::TransparentLabel, kParentIsWindow, 222, 97, 132, 16, kCreditLine,
     nullptr, false, 2, nullptr},
    {kEditBox1, ControlKind::EditBox, kParentIsWindow, 104, 176, 64, 32, kImportScriptTemplate,
     nullptr, true, 1, nullptr},
    {kLink2, ControlKind::Link, kParentIsWindow, 220, 80, 128, 16, kStartupHelpLinkCaption,
     kStartupHelpAddress, false, 0, nullptr},
};

const int kFirstControlId = 1001;

HWND g_mainWindow = nullptr;
HWND g_controls[kControlCount] = {};

void RaiseEvent(void (*handler)()) {
    if (handler != nullptr && EventsOpen()) handler();
}

void OnCommand(WPARAM wParam) {
    if (HIWORD(wParam) != BN_CLICKED) return;
    const int index = static_cast<int>(LOWORD(wParam)) - kFirstControlId;
    if (index >= 0 && index < kControlCount) RaiseEvent(kControls[index].onClick);
}

void OnActivate(WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        RememberFocus();
    } else if (HIWORD(wParam) == 0) {  // not while minimised: nothing there can take keys
        RestoreFocus();
    }
}

// The last window of the program is gone: from here the loop may end.
void OnGone() {
    g_mainWindow = nullptr;
    for (HWND& control : g_controls) control = nullptr;
    if (LoopStarted()) PostQuitMessage(0);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: OnCommand(wParam); return 0;
        case WM_ACTIVATE: OnActivate(wParam); return 0;
        case WM_SETFOCUS: RestoreFocus(); return 0;
        case WM_CLOSE: DestroyWindow(window); return 0;  // closing is never refused
        case WM_DESTROY: RaiseEvent(kWindow.onDestroying); return 0;
        case WM_NCDESTROY: OnGone(); break;
        case WM_QUERYENDSESSION: return TRUE;
        // The system ends the process after this; the script files are left alone on that path.
        case WM_ENDSESSION:
            if (wParam) EndProgram(0);
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The buttons live inside the group box, whose own procedure would swallow their clicks.
LRESULT CALLBACK ForwardCommandsToParent(HWND control, UINT message, WPARAM wParam,
                                         LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_COMMAND) return SendMessageA(GetParent(control), message, wParam, lParam);
    if (message == WM_NCDESTROY) RemoveWindowSubclass(control, ForwardCommandsToParent, 0);
    return DefSubclassProc(control, message, wParam, lParam);
}

bool RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindow.className;
    return RegisterClassExA(&windowClass) != 0;
}

HWND CreateControl(HINSTANCE instance, const ControlDescription& control) {
    const KindSettings& kind = SettingsOf(control.kind);
    const DWORD style = WS_CHILD | kind.style | (control.tabStop ? WS_TABSTOP : 0);
    // Both links look alike: blue, dark red once visited, light blue under the pointer.
    LinkSettings link = {control.address, RGB(0, 0, 255), RGB(128, 0, 0),
                               RGB(51, 153, 255), kSystemDefaultColour};
    HWND created = CreateWindowExA(
        kind.exStyle, kind.className, control.text, style, control.x, control.y, control.width,
        control.height, g_mainWindow,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + control.name)), instance,
        control.kind == ControlKind::Link ? &link : nullptr);
    if (created == nullptr) return nullptr;
    SendMessageA(created, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    if (control.kind == ControlKind::EditBox) SendMessageA(created, EM_LIMITTEXT, 0, 0);
    return created;
}

HWND ParentOf(const ControlDescription& control) {
    return control.parent == kParentIsWindow ? g_mainWindow : g_controls[control.parent];
}

// Each control goes right below the one before it in rank among its siblings, or on top.
void ApplyZOrder() {
    for (int rank = 0; rank < kControlCount; ++rank) {
        const ControlDescription* placed = nullptr;
        const ControlDescription* previousSibling = nullptr;
        for (const ControlDescription& control : kControls) {
            if (control.zRank == rank) placed = &control;
        }
        if (placed == nullptr) continue;
        for (const ControlDescription& control : kControls) {
            if (control.zRank < rank && control.parent == placed->parent &&
                (previousSibling == nullptr || control.zRank > previousSibling->zRank)) {
                previousSibling = &control;
            }
        }
        HWND after = previousSibling == nullptr ? HWND_TOP : g_controls[previousSibling->name];
        SetWindowPos(g_controls[placed->name], after, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

}  // namespace

bool BuildMainWindow(HINSTANCE instance) {
    if (!RegisterMainWindowClass(instance) || !RegisterLinkControlClasses(instance)) return false;
    // Centred on the primary screen, the taskbar included; a negative place is kept as it is.
    const int left = (GetSystemMetrics(SM_CXSCREEN) - kWindow.width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - kWindow.height) / 2;
    g_mainWindow = CreateWindowExA(0, kWindow.className, kWindow.title, kWindow.style, left, top,
                                   kWindow.width, kWindow.height, nullptr, nullptr, instance,
                                   nullptr);
    if (g_mainWindow == nullptr) return false;

    RECT outer = {};
    GetWindowRect(g_mainWindow, &outer);
    if (outer.right - outer.left != kWindow.width || outer.bottom - outer.top != kWindow.height) {
        SetWindowPos(g_mainWindow, nullptr, 0, 0, kWindow.width, kWindow.height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetWindowIcons(g_mainWindow, instance);

    // Every control starts as a child of the window; the buttons move into the group box after.
    for (const ControlDescription& control : kControls) {
        g_controls[control.name] = CreateControl(instance, control);
        if (g_controls[control.name] == nullptr) return false;
    }
    for (const ControlDescription& control : kControls) {
        if (control.parent == kParentIsWindow) continue;
        HWND parent = ParentOf(control);
        if (SetParent(g_controls[control.name], parent) == nullptr) return false;
        SetWindowSubclass(parent, ForwardCommandsToParent, 0, 0);
    }
    ApplyZOrder();
    for (HWND control : g_controls) ShowWindow(control, SW_SHOWNA);
    return true;
}

void RaiseCreatedEvent() { RaiseEvent(kWindow.onCreated); }

void ShowMainWindow() {
    ShowWindow(g_mainWindow, SW_SHOWNORMAL);
    SetForegroundWindow(g_mainWindow);
    UpdateWindow(g_mainWindow);
}

HWND MainWindow() { return g_mainWindow; }

HWND ControlWindow(ControlName control) { return g_controls[control]; }

bool ControlKindTakesFocus(ControlName control) {
    return SettingsOf(kControls[control].kind).takesFocus;
}
