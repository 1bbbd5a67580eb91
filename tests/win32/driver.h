// Drives the real tool (or a small program of ours) from outside, the way a user and the system
// would see it: a game folder in C:\, a started process, its main window, its message boxes and
// buttons, the game's registry key and the script files in C:\. Texts are code page 936 bytes.
// Every wait is bounded: under Wine each process start can take a second, so callers pass
// generous timeouts, but a missing window must end a test, not hang it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>

// ---- Handles ----------------------------------------------------------------------------------

// Closes a kernel handle when it leaves scope.
struct OwnedHandle {
    HANDLE handle = nullptr;
    OwnedHandle() = default;
    explicit OwnedHandle(HANDLE h) : handle(h) {}
    ~OwnedHandle();
    OwnedHandle(OwnedHandle&& other) noexcept;
    OwnedHandle& operator=(OwnedHandle&& other) noexcept;
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    bool valid() const { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
};

// ---- Paths and folders ------------------------------------------------------------------------

// A path of the Linux build tree as Wine's Z: drive shows it ("/a/b" -> "Z:\a\b").
std::string WinePathOf(const std::string& unixPath);

// The built VarnholtRegTool.exe, as a Windows path.
std::string BuiltToolPath();

// The tool's main window title and message box caption, as the tool writes them.
extern const char kMainWindowTitle[];     // "Varnholt 注册表导入工具"
extern const char kMessageBoxCaption[];   // "信息："
extern const char kImportButtonCaption[]; // "导入注册表"
extern const char kRemoveButtonCaption[]; // "卸载注册表"

// Creates `path` and any missing folders above it.
bool CreateFolders(const std::string& path);
// Deletes a folder with everything in it; true when it is gone (or never was).
bool DeleteFolderTree(const std::string& path);

// A game folder of the test's own, deleted with everything in it when the struct goes.
struct GameFolder {
    std::string folder;    // e.g. C:\varnholt test 【誠】\Game, no trailing backslash
    std::string toolPath;  // folder + "\VarnholtRegTool.exe" (or the name given)
    std::string removeRoot;  // the topmost folder that PrepareGameFolder created
    GameFolder() = default;
    GameFolder(GameFolder&&) = default;
    GameFolder& operator=(GameFolder&&) = default;
    ~GameFolder();
};

// Makes `folder` (creating parents), puts Launcher.exe in it unless `withLauncher` is false, and
// copies `programToCopy` (by default the built tool) into it as `programName`. `removeRoot` is the
// folder deleted at the end; it defaults to `folder` itself and must contain it.
bool PrepareGameFolder(GameFolder* game, const std::string& folder, bool withLauncher = true,
                       const std::string& programToCopy = std::string(),
                       const std::string& programName = "VarnholtRegTool.exe",
                       const std::string& removeRoot = std::string());

// ---- Processes --------------------------------------------------------------------------------

struct LaunchedProcess {
    OwnedHandle process;
    OwnedHandle thread;
    DWORD id = 0;
    // Ends a process that is still running when the test gives up on it, so no stray window
    // is left for the next test.
    ~LaunchedProcess();
    LaunchedProcess() = default;
    LaunchedProcess(LaunchedProcess&&) = default;
    LaunchedProcess& operator=(LaunchedProcess&&) = default;
};

// Starts `program` (quoted on its command line, followed by `arguments`) with `workingFolder` as
// its current directory (the caller's when empty).
bool Launch(LaunchedProcess* launched, const std::string& program,
            const std::string& workingFolder = std::string(),
            const std::string& arguments = std::string());

// Waits for the process to end; false on timeout. `exitCode` may be null.
bool WaitForExit(const LaunchedProcess& launched, DWORD timeoutMs, DWORD* exitCode = nullptr);
bool HasEnded(const LaunchedProcess& launched);

// A process started by process `parentId` from an executable named `exeName` (e.g.
// "regedit.exe"), opened for waiting and for its times; invalid if none appeared in time. Polls
// often, so even a short-lived child is caught while it runs.
OwnedHandle WaitForChildProcess(DWORD parentId, const std::string& exeName, DWORD timeoutMs);

// When an ended process ended, on the SystemTimeMs clock; false while it runs.
bool ExitTimeMs(HANDLE process, ULONGLONG* milliseconds);

// ---- Windows ----------------------------------------------------------------------------------

// The visible top-level window of process `processId` titled `title`; null if none by then.
HWND WaitForWindow(DWORD processId, const std::string& title, DWORD timeoutMs);
// The tool's main window, visible.
HWND WaitForMainWindow(DWORD processId, DWORD timeoutMs);

// A message box (class #32770, caption "信息：") of process `processId`; null if none by then.
// Works for the current process too, from a thread other than the one showing the box.
HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs);
// A message box of the process visible right now, or null.
HWND FindMessageBox(DWORD processId);

struct MessageBoxContent {
    std::string caption;
    std::string text;
    bool errorIcon = false;  // the icon control shows an icon (the tool's boxes have none or the error icon)
    HWND owner = nullptr;
};
MessageBoxContent ReadMessageBox(HWND box);

// Presses OK; returns once the box is gone, false if it is still there after `timeoutMs`.
bool DismissMessageBox(HWND box, DWORD timeoutMs = 10000);

// For code that shows a box on the test's own thread: a thread of its own waits for the next box
// of this process, records it, calls `whileOpen` (to look at files or windows while the box is
// up), and presses OK. Result() waits for that thread.
struct SeenMessageBox {
    bool appeared = false;
    bool dismissed = false;
    ULONGLONG appearedAtMs = 0;
    MessageBoxContent content;
};
struct MessageBoxWatcher {
    explicit MessageBoxWatcher(DWORD timeoutMs, std::function<void()> whileOpen = nullptr);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;
    const SeenMessageBox& Result();

    SeenMessageBox seen;
    std::thread thread;
};

// The child (at any depth) of `window` that is a button with this caption, or null.
HWND FindButton(HWND window, const std::string& caption);
// Clicks it with a posted BM_CLICK, so the caller does not block while the tool works.
bool ClickButton(HWND window, const std::string& caption);

// The first child (at any depth) of `window` of this window class, or null.
HWND FindChildOfClass(HWND window, const std::string& className);

// Asks a window to close, as its close box does (WM_CLOSE, posted).
bool CloseWindowLikeTheUser(HWND window);

// The window text of any window, as code page 936 bytes.
std::string WindowText(HWND window);

// A control's text read through WM_GETTEXT, the way another program reads it: exactly what the
// control holds, an edit box's whole contents included.
std::string ControlText(HWND control);

// ---- Registry: HKEY_LOCAL_MACHINE in the 32-bit view that the tool and regedit share --------

extern const char kGameKeyPath[];    // SOFTWARE\Orlenwick\Varnholt
extern const char kMakerKeyPath[];   // SOFTWARE\Orlenwick
extern const char kVersionKeyPath[]; // SOFTWARE\Orlenwick\Varnholt\1.00.0000

bool DeleteRegistryTree(const std::string& subKey);  // true when the key is gone afterwards
bool RegistryKeyPresent(const std::string& subKey);
bool ReadRegistryText(const std::string& subKey, const std::string& valueName,
                      std::string* value);
bool DeleteRegistryValue(const std::string& subKey, const std::string& valueName);
// Creates the key if needed and sets a REG_SZ value.
bool SetRegistryText(const std::string& subKey, const std::string& valueName,
                     const std::string& value);

// ---- Files ------------------------------------------------------------------------------------

extern const char kImportFile[];   // C:\gamereg.reg
extern const char kRemovalFile[];  // C:\GameUn.reg

bool PathExists(const std::string& path);  // a file or a directory
bool IsDirectory(const std::string& path);
bool ReadFileBytes(const std::string& path, std::string* bytes);
bool CreateFileWithBytes(const std::string& path, const std::string& bytes);
// Deletes a file or an (empty or not) directory of that name; true when nothing is left.
bool DeletePath(const std::string& path);

// Opens `path` (creating it when missing) and keeps it open, sharing neither reading nor
// writing, until the object goes: the way another program holds a file that nobody may write.
OwnedHandle HoldFileExclusively(const std::string& path);

// ---- Time and waiting -------------------------------------------------------------------------

// Milliseconds from a monotonic clock.
ULONGLONG NowMs();

// Polls `condition` until it holds; false if it still does not after `timeoutMs`.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs, DWORD pollMs = 20) {
    const ULONGLONG deadline = NowMs() + timeoutMs;
    while (!condition()) {
        if (NowMs() >= deadline) return false;
        Sleep(pollMs);
    }
    return true;
}

// Waits until no file or directory of that name is left.
bool WaitUntilGone(const std::string& path, DWORD timeoutMs);

// The control that has the keyboard focus in `window`'s thread, or null.
HWND FocusOf(HWND window);
// Waits until that control is `expected`.
bool WaitForFocus(HWND window, HWND expected, DWORD timeoutMs = 5000);

// ---- Keyboard ---------------------------------------------------------------------------------

// Makes `window` the foreground window, asking again until it is; false if it never becomes so.
bool BringToFront(HWND window, DWORD timeoutMs = 5000);
// A key pressed and released with the given modifiers held, through the system's input queue as
// a keyboard gives it, so it reaches the foreground program through its message loop.
void PressKey(WORD virtualKey, bool withCtrl = false, bool withShift = false);
// Milliseconds of the system's wall clock, the clock of process exit times.
ULONGLONG SystemTimeMs();
