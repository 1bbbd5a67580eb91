#include "tests/win32/driver.h"

#include <tlhelp32.h>

#include <vector>

const char kMainWindowTitle[] = "Varnholt 注册表导入工具";
const char kMessageBoxCaption[] = "信息：";
const char kImportButtonCaption[] = "导入注册表";
const char kRemoveButtonCaption[] = "卸载注册表";

const char kGameKeyPath[] = "SOFTWARE\\Orlenwick\\Varnholt";
const char kMakerKeyPath[] = "SOFTWARE\\Orlenwick";
const char kVersionKeyPath[] = "SOFTWARE\\Orlenwick\\Varnholt\\1.00.0000";

const char kImportFile[] = "C:\\gamereg.reg";
const char kRemovalFile[] = "C:\\GameUn.reg";

namespace {

const DWORD kPollMs = 20;

// Windows puts the icon of a message box in static control 0x14; Wine's template uses 0x440.
const int kMessageBoxIconIds[] = {0x14, 0x440};
const int kMessageBoxTextId = 0xFFFF;

struct ScopedKey {
    HKEY key = nullptr;
    ~ScopedKey() {
        if (key != nullptr) RegCloseKey(key);
    }
};

// Positions of the path separators, skipping the second byte of two-byte characters (誠 is
// D5 5C, and its 5C is no separator).
std::vector<size_t> SeparatorPositions(const std::string& path) {
    std::vector<size_t> positions;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
            ++i;
        } else if (path[i] == '\\' || path[i] == '/') {
            positions.push_back(i);
        }
    }
    return positions;
}

std::string ClassName(HWND window) {
    char name[64] = {};
    const int length = GetClassNameA(window, name, sizeof(name));
    return std::string(name, length > 0 ? length : 0);
}

struct WindowSearch {
    DWORD processId;
    const std::string* title;      // null: any title
    const char* className;         // null: any class
    bool mustBeVisible;
    HWND found;
};

BOOL CALLBACK MatchTopLevelWindow(HWND window, LPARAM parameter) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId) return TRUE;
    if (search->mustBeVisible && !IsWindowVisible(window)) return TRUE;
    if (search->className != nullptr && ClassName(window) != search->className) return TRUE;
    if (search->title != nullptr && WindowText(window) != *search->title) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindTopLevelWindow(DWORD processId, const std::string* title, const char* className,
                        bool mustBeVisible) {
    WindowSearch search = {processId, title, className, mustBeVisible, nullptr};
    EnumWindows(MatchTopLevelWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND PollForTopLevelWindow(DWORD processId, const std::string* title, const char* className,
                           DWORD timeoutMs) {
    const ULONGLONG deadline = NowMs() + timeoutMs;
    for (;;) {
        HWND found = FindTopLevelWindow(processId, title, className, true);
        if (found != nullptr || NowMs() >= deadline) return found;
        Sleep(kPollMs);
    }
}

struct ButtonSearch {
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK MatchButton(HWND window, LPARAM parameter) {
    ButtonSearch* search = reinterpret_cast<ButtonSearch*>(parameter);
    if (_stricmp(ClassName(window).c_str(), "Button") != 0) return TRUE;
    // A group box is a button too; its caption is never one of the buttons'.
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    if ((style & BS_TYPEMASK) == BS_GROUPBOX) return TRUE;
    if (WindowText(window) != *search->caption) return TRUE;
    search->found = window;
    return FALSE;
}

struct ClassSearch {
    const std::string* className;
    HWND found;
};

BOOL CALLBACK MatchClass(HWND window, LPARAM parameter) {
    ClassSearch* search = reinterpret_cast<ClassSearch*>(parameter);
    if (_stricmp(ClassName(window).c_str(), search->className->c_str()) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

ULONGLONG FileTimeMs(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return value.QuadPart / 10000;
}

DWORD FindChildProcessId(DWORD parentId, const std::string& exeName) {
    OwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) return 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.handle, &entry); more;
         more = Process32Next(snapshot.handle, &entry)) {
        if (entry.th32ParentProcessID == parentId &&
            _stricmp(entry.szExeFile, exeName.c_str()) == 0) {
            return entry.th32ProcessID;
        }
    }
    return 0;
}

bool SplitKey(const std::string& subKey, std::string* parent, std::string* leaf) {
    const size_t cut = subKey.rfind('\\');
    if (cut == std::string::npos) return false;
    *parent = subKey.substr(0, cut);
    *leaf = subKey.substr(cut + 1);
    return true;
}

}  // namespace

// ---- Handles ----------------------------------------------------------------------------------

OwnedHandle::~OwnedHandle() {
    if (valid()) CloseHandle(handle);
}

OwnedHandle::OwnedHandle(OwnedHandle&& other) noexcept : handle(other.handle) {
    other.handle = nullptr;
}

OwnedHandle& OwnedHandle::operator=(OwnedHandle&& other) noexcept {
    if (this != &other) {
        if (valid()) CloseHandle(handle);
        handle = other.handle;
        other.handle = nullptr;
    }
    return *this;
}

// ---- Paths and folders ------------------------------------------------------------------------

std::string WinePathOf(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

std::string BuiltToolPath() { return WinePathOf(VARNHOLT_TOOL_EXE); }

bool CreateFolders(const std::string& path) {
    for (size_t cut : SeparatorPositions(path)) {
        if (cut < 3) continue;  // "C:\" itself
        CreateDirectoryA(path.substr(0, cut).c_str(), nullptr);
    }
    CreateDirectoryA(path.c_str(), nullptr);
    return IsDirectory(path);
}

bool DeleteFolderTree(const std::string& path) {
    if (!PathExists(path)) return true;
    if (!IsDirectory(path)) return DeleteFileA(path.c_str()) != FALSE;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteFolderTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
    return !PathExists(path);
}

GameFolder::~GameFolder() {
    if (!removeRoot.empty()) DeleteFolderTree(removeRoot);
}

bool PrepareGameFolder(GameFolder* game, const std::string& folder, bool withLauncher,
                       const std::string& programToCopy, const std::string& programName,
                       const std::string& removeRoot) {
    game->folder = folder;
    game->toolPath = folder + "\\" + programName;
    game->removeRoot = removeRoot.empty() ? folder : removeRoot;
    DeleteFolderTree(game->removeRoot);  // leftovers of an interrupted run
    if (!CreateFolders(folder)) return false;
    // The tool only asks whether the name exists; an empty file is as good as the real launcher.
    if (withLauncher && !CreateFileWithBytes(folder + "\\Launcher.exe", std::string())) {
        return false;
    }
    const std::string source = programToCopy.empty() ? BuiltToolPath() : programToCopy;
    return CopyFileA(source.c_str(), game->toolPath.c_str(), FALSE) != FALSE;
}

// ---- Processes --------------------------------------------------------------------------------

LaunchedProcess::~LaunchedProcess() {
    if (process.valid() && WaitForSingleObject(process.handle, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process.handle, 1);
        WaitForSingleObject(process.handle, 10000);
    }
}

bool Launch(LaunchedProcess* launched, const std::string& program,
            const std::string& workingFolder, const std::string& arguments) {
    std::string commandLine = "\"" + program + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    std::vector<char> mutableCommandLine(commandLine.begin(), commandLine.end());
    mutableCommandLine.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(program.c_str(), mutableCommandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, workingFolder.empty() ? nullptr : workingFolder.c_str(),
                        &startup, &info)) {
        return false;
    }
    launched->process = OwnedHandle(info.hProcess);
    launched->thread = OwnedHandle(info.hThread);
    launched->id = info.dwProcessId;
    return true;
}

bool WaitForExit(const LaunchedProcess& launched, DWORD timeoutMs, DWORD* exitCode) {
    if (!launched.process.valid()) return false;
    if (WaitForSingleObject(launched.process.handle, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode != nullptr) GetExitCodeProcess(launched.process.handle, exitCode);
    return true;
}

bool HasEnded(const LaunchedProcess& launched) {
    return !launched.process.valid() ||
           WaitForSingleObject(launched.process.handle, 0) == WAIT_OBJECT_0;
}

OwnedHandle WaitForChildProcess(DWORD parentId, const std::string& exeName, DWORD timeoutMs) {
    const ULONGLONG deadline = NowMs() + timeoutMs;
    for (;;) {
        const DWORD childId = FindChildProcessId(parentId, exeName);
        if (childId != 0) {
            OwnedHandle child(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, childId));
            if (child.valid()) return child;
        }
        if (NowMs() >= deadline) return OwnedHandle();
        Sleep(5);
    }
}

bool ExitTimeMs(HANDLE process, ULONGLONG* milliseconds) {
    if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) return false;
    FILETIME creation, exit, kernel, user;
    if (!GetProcessTimes(process, &creation, &exit, &kernel, &user)) return false;
    *milliseconds = FileTimeMs(exit);
    return true;
}

// ---- Windows ----------------------------------------------------------------------------------

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) return std::string();
    std::vector<char> buffer(length + 1, '\0');
    const int copied = GetWindowTextA(window, buffer.data(), length + 1);
    return std::string(buffer.data(), copied > 0 ? copied : 0);
}

std::string ControlText(HWND control) {
    const LRESULT length = SendMessageA(control, WM_GETTEXTLENGTH, 0, 0);
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied = SendMessageA(control, WM_GETTEXT, buffer.size(),
                                        reinterpret_cast<LPARAM>(buffer.data()));
    return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

HWND WaitForWindow(DWORD processId, const std::string& title, DWORD timeoutMs) {
    return PollForTopLevelWindow(processId, &title, nullptr, timeoutMs);
}

HWND WaitForMainWindow(DWORD processId, DWORD timeoutMs) {
    return WaitForWindow(processId, kMainWindowTitle, timeoutMs);
}

HWND FindMessageBox(DWORD processId) {
    const std::string caption = kMessageBoxCaption;
    return FindTopLevelWindow(processId, &caption, "#32770", true);
}

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
    const std::string caption = kMessageBoxCaption;
    return PollForTopLevelWindow(processId, &caption, "#32770", timeoutMs);
}

MessageBoxContent ReadMessageBox(HWND box) {
    MessageBoxContent content;
    content.caption = WindowText(box);
    content.text = WindowText(GetDlgItem(box, kMessageBoxTextId));
    content.owner = GetWindow(box, GW_OWNER);
    for (int id : kMessageBoxIconIds) {
        HWND icon = GetDlgItem(box, id);
        if (icon != nullptr && SendMessageA(icon, STM_GETICON, 0, 0) != 0) content.errorIcon = true;
    }
    return content;
}

bool DismissMessageBox(HWND box, DWORD timeoutMs) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    const ULONGLONG deadline = NowMs() + timeoutMs;
    while (IsWindow(box)) {
        if (NowMs() >= deadline) return false;
        Sleep(kPollMs);
    }
    return true;
}

MessageBoxWatcher::MessageBoxWatcher(DWORD timeoutMs, std::function<void()> whileOpen) {
    thread = std::thread([this, timeoutMs, whileOpen]() {
        HWND box = WaitForMessageBox(GetCurrentProcessId(), timeoutMs);
        if (box == nullptr) return;
        seen.appeared = true;
        seen.appearedAtMs = NowMs();
        seen.content = ReadMessageBox(box);
        if (whileOpen) whileOpen();
        seen.dismissed = DismissMessageBox(box);
    });
}

MessageBoxWatcher::~MessageBoxWatcher() {
    if (thread.joinable()) thread.join();
}

const SeenMessageBox& MessageBoxWatcher::Result() {
    if (thread.joinable()) thread.join();
    return seen;
}

HWND FindButton(HWND window, const std::string& caption) {
    ButtonSearch search = {&caption, nullptr};
    EnumChildWindows(window, MatchButton, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindChildOfClass(HWND window, const std::string& className) {
    ClassSearch search = {&className, nullptr};
    EnumChildWindows(window, MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool CloseWindowLikeTheUser(HWND window) { return PostMessageA(window, WM_CLOSE, 0, 0) != FALSE; }

bool ClickButton(HWND window, const std::string& caption) {
    HWND button = FindButton(window, caption);
    return button != nullptr && PostMessageA(button, BM_CLICK, 0, 0) != FALSE;
}

// ---- Registry ---------------------------------------------------------------------------------

bool DeleteRegistryTree(const std::string& subKey) {
    std::string parent;
    std::string leaf;
    if (!SplitKey(subKey, &parent, &leaf)) return false;
    ScopedKey parentKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, parent.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                      &parentKey.key) == ERROR_SUCCESS) {
        RegDeleteTreeA(parentKey.key, leaf.c_str());
    }
    return !RegistryKeyPresent(subKey);
}

bool RegistryKeyPresent(const std::string& subKey) {
    ScopedKey key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_READ | KEY_WOW64_32KEY,
                         &key.key) == ERROR_SUCCESS;
}

bool ReadRegistryText(const std::string& subKey, const std::string& valueName,
                      std::string* value) {
    ScopedKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_READ | KEY_WOW64_32KEY,
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
    *value = buffer.data();
    return true;
}

bool DeleteRegistryValue(const std::string& subKey, const std::string& valueName) {
    ScopedKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                      &key.key) != ERROR_SUCCESS) {
        return true;
    }
    const LONG result = RegDeleteValueA(key.key, valueName.c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool SetRegistryText(const std::string& subKey, const std::string& valueName,
                     const std::string& value) {
    ScopedKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key.key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return RegSetValueExA(key.key, valueName.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

// ---- Files ------------------------------------------------------------------------------------

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadFileBytes(const std::string& path, std::string* bytes) {
    // Shares writing and deleting, so reading never disturbs the program that owns the file.
    OwnedHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    bytes->clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.handle, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        bytes->append(buffer, got);
    }
    return true;
}

bool CreateFileWithBytes(const std::string& path, const std::string& bytes) {
    OwnedHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    DWORD written = 0;
    return bytes.empty() || (WriteFile(file.handle, bytes.data(),
                                       static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                             written == bytes.size());
}

bool DeletePath(const std::string& path) {
    if (IsDirectory(path)) return DeleteFolderTree(path);
    if (PathExists(path)) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
    return !PathExists(path);
}

OwnedHandle HoldFileExclusively(const std::string& path) {
    return OwnedHandle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// ---- Time -------------------------------------------------------------------------------------

ULONGLONG NowMs() { return GetTickCount64(); }

ULONGLONG SystemTimeMs() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return FileTimeMs(now);
}

bool WaitUntilGone(const std::string& path, DWORD timeoutMs) {
    return WaitUntil([&] { return !PathExists(path); }, timeoutMs);
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

bool WaitForFocus(HWND window, HWND expected, DWORD timeoutMs) {
    return WaitUntil([&] { return FocusOf(window) == expected; }, timeoutMs);
}

bool BringToFront(HWND window, DWORD timeoutMs) {
    return WaitUntil(
        [&] {
            if (GetForegroundWindow() == window) return true;
            SetForegroundWindow(window);
            return false;
        },
        timeoutMs);
}

void PressKey(WORD virtualKey, bool withCtrl, bool withShift) {
    std::vector<INPUT> inputs;
    auto add = [&inputs](WORD key, bool up) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    if (withCtrl) add(VK_CONTROL, false);
    if (withShift) add(VK_SHIFT, false);
    add(virtualKey, false);
    add(virtualKey, true);
    if (withShift) add(VK_SHIFT, true);
    if (withCtrl) add(VK_CONTROL, true);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}
