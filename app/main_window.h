// The program's only window, built from its static description.
#pragma once

#include <windows.h>

// The controls by their names, in creation order, which is also the order of the Tab cycle.
enum ControlName {
    kGroupBox1,     // 分组框1
    kButton1,       // 按钮1
    kButton2,       // 按钮2
    kLink1,         // 超级链接框1
    kLabel2,        // 透明标签2
    kEditBox1,      // 编辑框1
    kLink2,         // 超级链接框2
    kControlCount,
};

// Builds the window and its controls, hidden; false (with nothing shown) when any part of it
// cannot be created.
bool BuildMainWindow(HINSTANCE instance);

// Raises the window's created event; its handler runs only while event delivery is open.
void RaiseCreatedEvent();

// Shows the window normally and activates it; the focus goes to the first control of the cycle.
void ShowMainWindow();

HWND MainWindow();  // null once the window is gone
HWND ControlWindow(ControlName control);

// Whether a control of this name can take the focus by its kind (buttons and the edit box can).
bool ControlKindTakesFocus(ControlName control);
