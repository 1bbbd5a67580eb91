// The two web-link controls and the transparent credit label: child windows with window classes
// of their own, whose whole behaviour lives inside the control. They raise no event of the
// program and never take the focus.
#pragma once

#include <windows.h>

// The marker that stands for the system's 3D face colour as a link's background.
constexpr COLORREF kSystemDefaultColour = 0xFF000000;

// A link's settings, fixed at creation (passed as the creation parameter of CreateWindowEx; the
// control keeps its own copy). The caption is the window text.
struct LinkSettings {
    const char* address;
    COLORREF normalColour;
    COLORREF visitedColour;
    COLORREF hoverColour;
    COLORREF backgroundColour;
};

extern const char kLinkClassName[];
extern const char kLabelClassName[];

// Registers both classes for `instance`; the link's class cursor is the hand, cursor resource
// 1032 of the executable. False if a class cannot be registered.
bool RegisterLinkControlClasses(HINSTANCE instance);
