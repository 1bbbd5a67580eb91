#include "app/link_controls.h"

#include <string>

#include "host/host.h"

const char kLinkClassName[] = "VarnholtLink";
const char kLabelClassName[] = "VarnholtLabel";

namespace {

const int kHandCursorId = 1032;
const COLORREF kLabelTextColour = RGB(0, 0, 0);

struct LinkState {
    std::string address;
    LinkSettings colours;
    bool hover = false;
    bool visited = false;
};

LinkState* StateOf(HWND window) {
    return reinterpret_cast<LinkState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

std::string WindowText(HWND window) {
    std::string text(GetWindowTextLengthA(window) + 1, '\0');
    text.resize(GetWindowTextA(window, &text[0], static_cast<int>(text.size())));
    return text;
}

void PaintLink(HWND window, const LinkState& state) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT clip;
    if (GetClipBox(dc, &clip) == NULLREGION || IsRectEmpty(&clip)) {
        EndPaint(window, &paint);
        return;
    }
    const COLORREF background = state.colours.backgroundColour == kSystemDefaultColour
                                    ? GetSysColor(COLOR_BTNFACE)
                                    : state.colours.backgroundColour;
    HBRUSH brush = CreateSolidBrush(background);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    PatBlt(dc, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, PATCOPY);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);

    std::string text = WindowText(window);
    if (text.empty()) text = state.address;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, state.hover     ? state.colours.hoverColour
                     : state.visited ? state.colours.visitedColour
                                     : state.colours.normalColour);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    RECT client;
    GetClientRect(window, &client);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &client,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    EndPaint(window, &paint);
}

void EndHover(HWND window, LinkState& state) {
    state.hover = false;
    if (GetCapture() == window) ReleaseCapture();
    InvalidateRect(window, nullptr, FALSE);
}

// Hover is tracked with the mouse capture: while the pointer is over the link the control holds
// the capture, so it also sees the move that takes the pointer off it. The capture only works
// while the tool is in front, though; when another window is (the browser a link has just opened,
// say), the link is sent no such move, so it also asks for a WM_MOUSELEAVE.
void TrackHover(HWND window, LinkState& state, LPARAM position) {
    TRACKMOUSEEVENT leave = {sizeof(leave), TME_LEAVE, window, 0};
    if (!state.hover) {
        state.hover = true;
        InvalidateRect(window, nullptr, FALSE);
        SetCapture(window);
        TrackMouseEvent(&leave);
        return;
    }
    RECT client;
    GetClientRect(window, &client);
    const POINT point = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    if (!PtInRect(&client, point)) {
        EndHover(window, state);
        return;
    }
    if (GetCapture() != window) SetCapture(window);
    TrackMouseEvent(&leave);
}

// The address opens as the button goes down; a failed open leaves the link unvisited, silently.
void Press(HWND window, LinkState& state) {
    state.visited = !state.address.empty() && OpenAddress(state.address);
    if (state.visited) InvalidateRect(window, nullptr, FALSE);
}

LRESULT CALLBACK LinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LinkState* state = StateOf(window);
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        const auto* settings = static_cast<const LinkSettings*>(create->lpCreateParams);
        if (settings == nullptr) return FALSE;
        auto* created = new LinkState;
        created->address = settings->address != nullptr ? settings->address : "";
        created->colours = *settings;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        break;
    }
    case WM_NCDESTROY:
        delete state;
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        break;
    case WM_PAINT:
        if (state == nullptr) break;
        PaintLink(window, *state);
        return 0;
    case WM_MOUSEMOVE:
        if (state == nullptr) break;
        TrackHover(window, *state, lParam);
        return 0;
    case WM_MOUSELEAVE: {
        // A leave can arrive late, after the pointer has come back: only a pointer that is off
        // the link now ends the hover.
        POINT cursor;
        if (state != nullptr && state->hover && GetCursorPos(&cursor) &&
            WindowFromPoint(cursor) != window) {
            EndHover(window, *state);
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
        if (state == nullptr) break;
        Press(window, *state);
        return 0;
    case WM_CAPTURECHANGED:
        // Another window took the capture (a message box, say): the pointer counts as gone.
        if (state != nullptr && state->hover && reinterpret_cast<HWND>(lParam) != window) {
            state->hover = false;
            InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void PaintLabel(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    const std::string text = WindowText(window);
    if (!text.empty()) {
        RECT client;
        GetClientRect(window, &client);
        HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, kLabelTextColour);
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &client,
                  DT_LEFT | DT_NOCLIP | DT_SINGLELINE | DT_VCENTER);
        SelectObject(dc, oldFont);
    }
    EndPaint(window, &paint);
}

LRESULT CALLBACK LabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PaintLabel(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterControlClass(HINSTANCE instance, const char* name, WNDPROC proc, HCURSOR cursor) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = instance;
    windowClass.hCursor = cursor;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClass.lpszClassName = name;
    return RegisterClassExA(&windowClass) != 0;
}

}  // namespace

bool RegisterLinkControlClasses(HINSTANCE instance) {
    HCURSOR hand = LoadCursorA(instance, MAKEINTRESOURCEA(kHandCursorId));
    if (hand == nullptr) hand = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));
    return RegisterControlClass(instance, kLinkClassName, LinkProc, hand) &&
           RegisterControlClass(instance, kLabelClassName, LabelProc,
                                LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
}
