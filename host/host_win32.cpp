#include "host/host.h"

#include <windows.h>

#include <vector>

namespace {

// Closes a kernel handle when it leaves scope, so no return path leaks one.
struct ScopedHandle {
    HANDLE handle;
    explicit ScopedHandle(HANDLE h) : handle(h) {}
    ~ScopedHandle() {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    bool valid() const { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
};

struct ScopedKey {
    HKEY key = nullptr;
    ~ScopedKey() {
        if (key != nullptr) RegCloseKey(key);
    }
};

const char kMessageCaption[] = "信息：";

// The last backslash of a path, found with the code page's own lead-byte table so that the
// second byte 0x5C of a two-byte character never counts.
size_t LastBackslash(const std::string& path) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
            ++i;
        } else if (path[i] == '\\') {
            last = i;
        }
    }
    return last;
}

std::string ComputeRunDirectory() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string full(path, length < MAX_PATH ? length : 0);
    const size_t cut = LastBackslash(full);
    return cut == std::string::npos ? std::string() : full.substr(0, cut);
}

bool ReadDefaultValue(HKEY root, const std::string& subKey, std::string* value) {
    ScopedKey key;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_QUERY_VALUE, &key.key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.key, nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return false;
    }
    std::vector<char> buffer(size + 1, '\0');
    if (RegQueryValueExA(key.key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS) {
        return false;
    }
    *value = buffer.data();
    return true;
}

// The browser command registered for .htm files, with the address put where "%1" stood.
bool OpenWithHtmHandler(const std::string& address) {
    std::string progId;
    std::string command;
    if (!ReadDefaultValue(HKEY_CLASSES_ROOT, ".htm", &progId) ||
        !ReadDefaultValue(HKEY_CLASSES_ROOT, progId + "\\shell\\open\\command", &command)) {
        return false;
    }
    size_t cut = command.find("\"%1\"");
    if (cut == std::string::npos) cut = command.find("%1");
    if (cut != std::string::npos) command.erase(cut);
    command += " " + address;
    return WinExec(command.c_str(), SW_SHOW) > 32;
}

void ShowBox(const std::string& text, UINT icon) {
    MessageBoxA(nullptr, text.c_str(), kMessageCaption, MB_OK | MB_TASKMODAL | icon);
}

}  // namespace

bool FileExists(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE found = FindFirstFileA(path.c_str(), &data);
    if (found == INVALID_HANDLE_VALUE) return false;
    FindClose(found);
    return true;
}

std::string RunDirectory() {
    static const std::string runDirectory = ComputeRunDirectory();
    return runDirectory;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    if (path.empty()) return false;
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, &inheritable, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool wrote =
        bytes.empty() || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                    &written, nullptr) &&
                          written == bytes.size());
    const bool closed = CloseHandle(file) != FALSE;
    return wrote && closed;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

std::string SystemProgramPath(const std::string& exeName) {
    char folder[MAX_PATH] = {};
    UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        const std::string candidate = std::string(folder, length) + "\\" + exeName;
        if (FileExists(candidate)) return candidate;
    }
    length = GetWindowsDirectoryA(folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH) return std::string(folder, length) + "\\" + exeName;
    return std::string();
}

bool RunAndWait(const std::string& program, const std::string& commandLine) {
    if (program.empty()) return false;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    // CreateProcessA may write into the command line, so it gets a copy of its own.
    std::vector<char> mutableCommandLine(commandLine.begin(), commandLine.end());
    mutableCommandLine.push_back('\0');
    if (!CreateProcessA(program.c_str(), mutableCommandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &process)) {
        return false;
    }
    ScopedHandle processHandle(process.hProcess);
    ScopedHandle threadHandle(process.hThread);
    WaitForSingleObject(processHandle.handle, INFINITE);
    return true;
}

namespace {
HANDLE scriptFilesLock = nullptr;
}

void LockScriptFiles() {
    if (scriptFilesLock == nullptr) {
        scriptFilesLock = CreateMutexA(nullptr, FALSE, "VarnholtRegTool.ScriptFiles");
    }
    // An abandoned lock (a copy that died mid-action) is taken over like a released one.
    if (scriptFilesLock != nullptr) WaitForSingleObject(scriptFilesLock, INFINITE);
}

void UnlockScriptFiles() {
    if (scriptFilesLock != nullptr) ReleaseMutex(scriptFilesLock);
}

void ShowMessage(const std::string& text) { ShowBox(text, 0); }

void ShowError(const std::string& text) { ShowBox(text, MB_ICONERROR); }

void SleepMs(int milliseconds) { Sleep(milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds)); }

// The shell is loaded only when a link is pressed: it is a large library that nothing else in the
// tool needs, and loading it at start would slow every start of the tool.
bool ShellOpen(const std::string& address) {
    using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    HMODULE shell = LoadLibraryExA("shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (shell == nullptr) shell = LoadLibraryA("shell32.dll");  // systems without that flag
    if (shell == nullptr) return false;
    auto shellExecute = reinterpret_cast<ShellExecuteFn>(
        reinterpret_cast<void*>(GetProcAddress(shell, "ShellExecuteA")));
    const bool opened =
        shellExecute != nullptr &&
        reinterpret_cast<INT_PTR>(
            shellExecute(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOW)) > 32;
    // Kept loaded: the shell may still be handing the address over on a thread of its own.
    return opened;
}

bool OpenAddress(const std::string& address) {
    return ShellOpen(address) || OpenWithHtmHandler(address);
}

bool RegistryKeyExists(const std::string& subKey) {
    ScopedKey key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY,
                         &key.key) == ERROR_SUCCESS;
}

bool ReadRegistryString(const std::string& subKey, const std::string& valueName,
                        std::string* value) {
    ScopedKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY,
                      &key.key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.key, valueName.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return false;
    }
    std::vector<char> buffer(size + 1, '\0');
    if (RegQueryValueExA(key.key, valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
        return false;
    }
    *value = buffer.data();  // the stored value ends in its terminating zero
    return true;
}
