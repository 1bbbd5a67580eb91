// Start-up: the process is prepared, the window built hidden, checked by its created handler,
// shown, and the event loop runs until the window is gone.
#include <windows.h>
#include <ole2.h>

#include "app/keyboard.h"
#include "app/main_window.h"
#include "app/program.h"
#include "host/host.h"

namespace {

// Before anything loads a DLL by name: only the system folder is searched, never the folder the
// tool was copied into nor the current one. Systems without the call keep their own order.
void HardenDllSearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryA("");
}

// The loop's quit message carries the exit code of a closed window.
int RunEventLoop() {
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (HandleWindowKey(message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

const char kWindowNotBuilt[] = "无法创建程序窗口，程序将退出。";

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    HardenDllSearch();
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    OleInitialize(nullptr);
    SetCurrentDirectoryA(RunDirectory().c_str());

    if (!BuildMainWindow(instance)) {
        ShowError(kWindowNotBuilt);
        RunShutdown(-1);
    }
    OpenEvents();
    RaiseCreatedEvent();  // may end the program before the window has ever been seen
    if (MainWindow() != nullptr && IsWindow(MainWindow())) ShowMainWindow();

    MarkLoopStarted();
    int exitCode = 0;
    if (MainWindow() != nullptr) exitCode = RunEventLoop();
    RunShutdown(exitCode);
}
