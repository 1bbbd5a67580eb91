#include "app/keyboard.h"

#include "app/main_window.h"

namespace {

HWND g_rememberedFocus = nullptr;

bool Pressed(int virtualKey) { return (GetKeyState(virtualKey) & 0x8000) != 0; }

bool BelongsToMainWindow(HWND window) {
    HWND main = MainWindow();
    return main != nullptr && window != nullptr && (window == main || IsChild(main, window));
}

bool InTabCycle(ControlName control) {
    HWND window = ControlWindow(control);
    return window != nullptr && ControlKindTakesFocus(control) && IsWindowVisible(window) &&
           IsWindowEnabled(window) && (GetWindowLongA(window, GWL_STYLE) & WS_TABSTOP) != 0;
}

ControlName FirstInTabCycle() {
    for (int i = 0; i < kControlCount; ++i) {
        if (InTabCycle(static_cast<ControlName>(i))) return static_cast<ControlName>(i);
    }
    return kControlCount;
}

// The next (or previous) control of the cycle after the one that holds `focus`, wrapping around;
// from outside the cycle the first (or last) one.
ControlName NeighbourInTabCycle(HWND focus, bool backwards) {
    int current = -1;
    for (int i = 0; i < kControlCount; ++i) {
        if (ControlWindow(static_cast<ControlName>(i)) == focus) current = i;
    }
    const int step = backwards ? kControlCount - 1 : 1;
    int candidate = current >= 0 ? current : (backwards ? 0 : kControlCount - 1);
    for (int tried = 0; tried < kControlCount; ++tried) {
        candidate = (candidate + step) % kControlCount;
        if (InTabCycle(static_cast<ControlName>(candidate))) {
            return static_cast<ControlName>(candidate);
        }
    }
    return kControlCount;
}

void MoveFocus(bool backwards) {
    const ControlName next = NeighbourInTabCycle(GetFocus(), backwards);
    if (next != kControlCount) SetFocus(ControlWindow(next));
}

}  // namespace

bool HandleWindowKey(const MSG& message) {
    if (message.message != WM_KEYDOWN || !BelongsToMainWindow(message.hwnd)) return false;
    const bool ctrl = Pressed(VK_CONTROL);
    const bool shift = Pressed(VK_SHIFT);
    const bool alt = Pressed(VK_MENU);
    switch (message.wParam) {
        case VK_TAB:
            if (ctrl || alt) return false;
            MoveFocus(shift);
            return true;
        case VK_ESCAPE:
            if (ctrl || shift || alt) return false;
            // The same road as the close box, so the clean-up is the same.
            SendMessageA(MainWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        case VK_RETURN:
            if (ctrl || shift || alt) return false;
            // A line break for the edit box; anywhere else there is no default button to press.
            return message.hwnd != ControlWindow(kEditBox1);
    }
    return false;
}

void RememberFocus() {
    HWND focus = GetFocus();
    if (focus != MainWindow() && BelongsToMainWindow(focus)) g_rememberedFocus = focus;
}

void RestoreFocus() {
    if (g_rememberedFocus != nullptr && IsWindow(g_rememberedFocus) &&
        BelongsToMainWindow(g_rememberedFocus)) {
        SetFocus(g_rememberedFocus);
        return;
    }
    const ControlName first = FirstInTabCycle();
    if (first != kControlCount) SetFocus(ControlWindow(first));
}
