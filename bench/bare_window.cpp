// The yardstick for the tool's start-up and memory: what any such tool must do before a player
// sees it, and nothing more. The same manifest (through bare_window.rc), COM for the shell, and an
// empty window of the tool's size with the tool's title, shown and serving its messages.
#include <windows.h>
#include <ole2.h>

namespace {

const char kClassName[] = "VarnholtBareWindow";
const char kTitle[] = "Varnholt 注册表导入工具";

LRESULT CALLBACK BareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    OleInitialize(nullptr);

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = BareWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassExA(&windowClass);

    const int width = 368;
    const int height = 145;
    HWND window = CreateWindowExA(0, kClassName, kTitle, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                  (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);

    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    OleUninitialize();
    return static_cast<int>(message.wParam);
}
