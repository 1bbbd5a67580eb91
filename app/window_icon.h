// The window's large and small icons, taken from the executable's icon group DEFAULT_ICON.
#pragma once

#include <windows.h>

// Leaves the window without icons of its own when the executable carries no DEFAULT_ICON.
void SetWindowIcons(HWND window, HINSTANCE instance);
