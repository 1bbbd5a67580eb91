// The window's own keys, looked at in the message loop before the focused control sees them.
#pragma once

#include <windows.h>

// True when the message was a key of the window's (Tab, Shift+Tab, Esc, Enter outside the edit
// box) and has been handled; it must then not be translated or dispatched.
bool HandleWindowKey(const MSG& message);

// Focus kept across deactivation: remembered when the window goes inactive, given back (or to
// the first control of the Tab cycle) when it is activated or receives the focus.
void RememberFocus();
void RestoreFocus();
