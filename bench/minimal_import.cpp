// The yardstick for the tool's two actions: the least a program can do for the same result. Two
// buttons with the tool's captions; a click writes the same script to the same file in C:\, runs
// the same registry editor the same way, waits for it, and shows the same box. No check of the
// registry afterwards and no pause after the removal: that is the tool's own cost.
#include <windows.h>

#include <string>

#include "script/registry_script.h"

namespace {

const char kClassName[] = "VarnholtMinimalImport";
const char kCaption[] = "信息：";
const int kImportId = 1;
const int kRemoveId = 2;

std::string g_importScript;
std::string g_regeditPath;

// The folder the program lies in, as the tool fills it into InstallFolder.
std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string full(path, length < MAX_PATH ? length : 0);
    size_t cut = std::string::npos;
    for (size_t i = 0; i < full.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(full[i])) && i + 1 < full.size()) {
            ++i;
        } else if (full[i] == '\\') {
            cut = i;
        }
    }
    return cut == std::string::npos ? std::string() : full.substr(0, cut);
}

void RunScript(const char* file, const std::string& script, const char* commandLine,
               const char* succeeded) {
    HANDLE handle = CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(handle, script.data(), static_cast<DWORD>(script.size()), &written, nullptr);
    CloseHandle(handle);

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    char line[64] = {};
    lstrcpynA(line, commandLine, sizeof(line));
    if (CreateProcessA(g_regeditPath.c_str(), line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    MessageBoxA(nullptr, succeeded, kCaption, MB_OK | MB_TASKMODAL);
    DeleteFileA(file);
}

LRESULT CALLBACK MinimalWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kImportId) {
                RunScript("C:\\gamereg.reg", g_importScript, "regedit /s C:\\gamereg.reg",
                          "导入注册表成功");
            } else if (LOWORD(wParam) == kRemoveId) {
                RunScript("C:\\GameUn.reg", kRemovalScript, "regedit /s C:\\GameUn.reg",
                          "卸载注册表成功");
            }
            return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Prepared before the window shows, as the tool fills its script in at start-up.
    g_importScript = FillInstallPathInto(kImportScriptTemplate, ProgramFolder());
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    g_regeditPath = std::string(system) + "\\regedit.exe";

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = MinimalWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassExA(&windowClass);

    HWND window = CreateWindowExA(0, kClassName, "Varnholt 注册表导入工具",
                                  WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 100, 100, 368, 145,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    CreateWindowExA(0, "BUTTON", "导入注册表", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 20, 120,
                    32, window, reinterpret_cast<HMENU>(kImportId), instance, nullptr);
    CreateWindowExA(0, "BUTTON", "卸载注册表", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 212, 20, 120,
                    32, window, reinterpret_cast<HMENU>(kRemoveId), instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);

    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
