// What a player's machine can throw at the real tool, end to end under Wine: a registry editor
// that is missing or does nothing, folders with awkward names, a long path and a drive root, two
// copies of the tool at once, and a script typed over. Each case must end with a box that tells
// the truth, leave alone what the player did not ask to change, and leave no script file in C:\.
// Every change made to the prefix (system programs, files in C:\, registry) is undone by a guard,
// also when the test fails half-way.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "script/registry_script.h"
#include "tests/win32/driver.h"

namespace {

const DWORD kStartTimeoutMs = 30000;
const DWORD kBoxTimeoutMs = 60000;  // the registry editor runs first, under emulation
const DWORD kFocusTimeoutMs = 5000;

const char kImportSucceeded[] = "导入注册表成功";
const char kRemovalSucceeded[] = "卸载注册表成功";
const char kImportNoEditor[] = "导入注册表失败：无法启动注册表编辑器。";
const char kRemovalNoEditor[] = "卸载注册表失败：无法启动注册表编辑器。";
const char kImportNotApplied[] =
    "导入注册表失败：注册表中没有写入游戏路径，请以管理员身份运行本工具。";
const char kRemovalNotApplied[] = "卸载注册表失败：注册表项仍然存在，请以管理员身份运行本工具。";
const char kImportWriteFailed[] = "导入注册表失败：无法写入文件 C:\\gamereg.reg。";

const char kStaleFolder[] = "D:\\Old";

std::string DoNothingProgramPath() { return WinePathOf(VARNHOLT_DO_NOTHING_EXE); }

// ---- Guards that put the prefix back ----------------------------------------------------------

// The tool's registry key, the maker's key and the script files as a test leaves them: gone
// before and after, whatever happened in between.
struct CleanRegistryAndScripts {
    CleanRegistryAndScripts() { Clean(); }
    ~CleanRegistryAndScripts() { Clean(); }
    static void Clean() {
        DeleteRegistryTree(kGameKeyPath);
        DeleteRegistryValue(kMakerKeyPath, "Maker");
        DeletePath(kImportFile);
        DeletePath(kRemovalFile);
    }
};

// The registry editor the tool starts, by the tool's own rule: the system folder's if it is
// there, else the Windows folder's. A 32-bit process sees the same redirected system folder as
// the tool, so the paths here name the very files the tool would run.
std::string SystemFolderEditor() {
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder, length) + "\\regedit.exe";
}

std::string WindowsFolderEditor() {
    char folder[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    return std::string(folder, length) + "\\regedit.exe";
}

std::string EditorTheToolRuns() {
    return PathExists(SystemFolderEditor()) ? SystemFolderEditor() : WindowsFolderEditor();
}

// Moves a system program aside for the length of a test and puts it back afterwards, whatever
// was put in its place meanwhile. An aside copy left by an interrupted run is put back first.
class SystemProgramAside {
public:
    explicit SystemProgramAside(const std::string& path)
        : path_(path), aside_(path + ".varnholt-faults-aside") {
        Restore();
        moved_ = MoveFileExA(path_.c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    }
    ~SystemProgramAside() { Restore(); }
    SystemProgramAside(const SystemProgramAside&) = delete;
    SystemProgramAside& operator=(const SystemProgramAside&) = delete;

    bool moved() const { return moved_; }
    const std::string& path() const { return path_; }

private:
    void Restore() {
        if (!PathExists(aside_)) return;
        DeletePath(path_);
        MoveFileExA(aside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }

    std::string path_;
    std::string aside_;
    bool moved_ = false;
};

// Files that a test puts straight into C:\ (the tool and Launcher.exe for the drive-root case):
// removed again, but only those that were not there before.
class FilesInRoot {
public:
    FilesInRoot() = default;
    ~FilesInRoot() {
        for (const std::string& path : created_) DeletePath(path);
    }
    FilesInRoot(const FilesInRoot&) = delete;
    FilesInRoot& operator=(const FilesInRoot&) = delete;

    bool Copy(const std::string& source, const std::string& path) {
        if (PathExists(path)) return false;  // someone else's: never overwritten, never deleted
        created_.push_back(path);
        return CopyFileA(source.c_str(), path.c_str(), TRUE) != FALSE;
    }
    bool Create(const std::string& path) {
        if (PathExists(path)) return false;
        created_.push_back(path);
        return CreateFileWithBytes(path, std::string());
    }

private:
    std::vector<std::string> created_;
};

// ---- The registry the player did not ask to change --------------------------------------------

// Values that an earlier install and someone else left: a stale path in the game's key, a value
// of a patch beside it, and a value in the maker's key above it.
void PlantEarlierInstall() {
    ASSERT_TRUE(SetRegistryText(kGameKeyPath, "InstallFolder", kStaleFolder));
    ASSERT_TRUE(SetRegistryText(kGameKeyPath, "Patch", "kept"));
    ASSERT_TRUE(SetRegistryText(kMakerKeyPath, "Maker", "stays"));
}

// After an action that failed, the earlier install is there exactly as it was.
void ExpectEarlierInstallIntact() {
    std::string value;
    EXPECT_TRUE(ReadRegistryText(kGameKeyPath, "InstallFolder", &value));
    EXPECT_EQ(value, kStaleFolder);
    value.clear();
    EXPECT_TRUE(ReadRegistryText(kGameKeyPath, "Patch", &value));
    EXPECT_EQ(value, "kept");
    value.clear();
    EXPECT_TRUE(ReadRegistryText(kMakerKeyPath, "Maker", &value));
    EXPECT_EQ(value, "stays");
    EXPECT_FALSE(RegistryKeyPresent(kVersionKeyPath));
}

// ---- Running the tool -------------------------------------------------------------------------

struct RunningTool {
    LaunchedProcess process;
    HWND window = nullptr;
};

// Starts the tool at `toolPath` with its own folder as the current one, as a double click does.
::testing::AssertionResult StartTool(const std::string& toolPath, const std::string& folder,
                                     RunningTool* tool) {
    if (!Launch(&tool->process, toolPath, folder)) {
        return ::testing::AssertionFailure() << "the tool did not start: " << GetLastError();
    }
    tool->window = WaitForMainWindow(tool->process.id, kStartTimeoutMs);
    if (tool->window == nullptr) return ::testing::AssertionFailure() << "no main window";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult CloseTool(RunningTool* tool) {
    CloseWindowLikeTheUser(tool->window);
    DWORD exitCode = 1;
    if (!WaitForExit(tool->process, kStartTimeoutMs, &exitCode)) {
        return ::testing::AssertionFailure() << "the tool did not end";
    }
    if (exitCode != 0) return ::testing::AssertionFailure() << "exit code " << exitCode;
    return ::testing::AssertionSuccess();
}

// The box an action ends with, read and dismissed; the script file must go once it has.
struct ActionOutcome {
    bool boxSeen = false;
    MessageBoxContent box;
    bool scriptFileGone = false;
};

ActionOutcome ClickAndReadBox(const RunningTool& tool, const char* buttonCaption,
                              const char* scriptFile) {
    ActionOutcome outcome;
    if (!ClickButton(tool.window, buttonCaption)) return outcome;
    HWND box = WaitForMessageBox(tool.process.id, kBoxTimeoutMs);
    if (box == nullptr) return outcome;
    outcome.boxSeen = true;
    outcome.box = ReadMessageBox(box);
    DismissMessageBox(box);
    outcome.scriptFileGone = WaitUntilGone(scriptFile, 10000);
    return outcome;
}

// Line 4 of the script that the tool holds, the one with the install path.
std::string InstallFolderLine(HWND window) {
    const std::string script = ControlText(FindChildOfClass(window, "Edit"));
    size_t start = 0;
    for (int line = 1; line < 4; ++line) {
        start = script.find("\r\n", start);
        if (start == std::string::npos) return std::string();
        start += 2;
    }
    const size_t end = script.find("\r\n", start);
    return script.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// ---- The registry editor missing or doing nothing ---------------------------------------------

enum class Editor { Missing, DoesNothing };
enum class Action { Import, Remove };

struct EditorFaultCase {
    const char* what;
    Editor editor;
    Action action;
    bool earlierInstall;  // the game's key exists before the click
    const char* message;
};

const EditorFaultCase kEditorFaultCases[] = {
    {"import, no editor", Editor::Missing, Action::Import, true, kImportNoEditor},
    {"removal, no editor", Editor::Missing, Action::Remove, true, kRemovalNoEditor},
    {"import, editor does nothing, no key before", Editor::DoesNothing, Action::Import, false,
     kImportNotApplied},
    {"import, editor does nothing, stale key before", Editor::DoesNothing, Action::Import, true,
     kImportNotApplied},
    {"removal, editor does nothing", Editor::DoesNothing, Action::Remove, true,
     kRemovalNotApplied},
};

TEST(Faults, AnEditorThatCannotRunOrDoesNothingIsReportedAndChangesNothing) {
    CleanRegistryAndScripts clean;
    GameFolder game;
    ASSERT_TRUE(PrepareGameFolder(&game, "C:\\varnholt faults editor\\Game", true, std::string(),
                                  "VarnholtRegTool.exe", "C:\\varnholt faults editor"));
    for (const EditorFaultCase& c : kEditorFaultCases) {
        SCOPED_TRACE(c.what);
        CleanRegistryAndScripts::Clean();
        if (c.earlierInstall) PlantEarlierInstall();
        if (HasFatalFailure()) return;

        // Missing: both places the tool may look. Doing nothing: a program of ours in the place
        // the tool would take it from.
        std::vector<std::unique_ptr<SystemProgramAside>> aside;
        if (c.editor == Editor::Missing) {
            aside.emplace_back(new SystemProgramAside(SystemFolderEditor()));
            aside.emplace_back(new SystemProgramAside(WindowsFolderEditor()));
            ASSERT_FALSE(PathExists(SystemFolderEditor()));
            ASSERT_FALSE(PathExists(WindowsFolderEditor()));
        } else {
            aside.emplace_back(new SystemProgramAside(EditorTheToolRuns()));
            ASSERT_TRUE(aside.back()->moved());
            ASSERT_TRUE(CopyFileA(DoNothingProgramPath().c_str(), aside.back()->path().c_str(),
                                  FALSE));
        }

        RunningTool tool;
        ASSERT_TRUE(StartTool(game.toolPath, game.folder, &tool));
        const bool import = c.action == Action::Import;
        const ActionOutcome outcome =
            ClickAndReadBox(tool, import ? kImportButtonCaption : kRemoveButtonCaption,
                            import ? kImportFile : kRemovalFile);
        ASSERT_TRUE(outcome.boxSeen);
        EXPECT_EQ(outcome.box.text, c.message);
        EXPECT_TRUE(outcome.box.errorIcon);
        EXPECT_TRUE(outcome.scriptFileGone);
        if (c.earlierInstall) {
            ExpectEarlierInstallIntact();
        } else {
            EXPECT_FALSE(RegistryKeyPresent(kGameKeyPath));
        }
        EXPECT_TRUE(CloseTool(&tool));
    }
}

// ---- Where the tool lies ----------------------------------------------------------------------

// A folder whose full exe path ("…\VarnholtRegTool.exe") is 259 bytes, the most that fits the
// 260-byte buffer the tool reads its own path into; 誠 (D5 5C) inside it and at its end.
std::string LongFolder() {
    const std::string exeName = "\\VarnholtRegTool.exe";
    std::string folder = "C:\\varnholt faults long\\誠";
    const std::string part = "\\abcdefghijklmnopqrstuvwxyz 0123456789 誠";
    while (folder.size() + part.size() + exeName.size() <= 259) folder += part;
    while (folder.size() + exeName.size() < 257) folder += "x";
    folder += "誠";  // two bytes, the last a 5C right before the exe's own backslash
    return folder;
}

struct FolderCase {
    const char* what;
    std::string folder;
    std::string removeRoot;
};

TEST(Faults, TheInstallPathIsTheToolsFolderByteForByte) {
    const std::string longFolder = LongFolder();
    ASSERT_EQ(longFolder.size() + std::string("\\VarnholtRegTool.exe").size(), 259u);
    const FolderCase cases[] = {
        {"誠 in the middle and at the end", "C:\\varnholt faults 誠\\誠 游戏\\誠誠",
         "C:\\varnholt faults 誠"},
        {"spaces", "C:\\varnholt faults  spaces\\My Game  Folder\\a b",
         "C:\\varnholt faults  spaces"},
        {"lenticular brackets", "C:\\varnholt faults 【】\\【Varnholt】\\【】",
         "C:\\varnholt faults 【】"},
        {"259-byte exe path", longFolder, "C:\\varnholt faults long"},
    };
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.what);
        CleanRegistryAndScripts clean;
        GameFolder game;
        ASSERT_TRUE(PrepareGameFolder(&game, c.folder, true, std::string(), "VarnholtRegTool.exe",
                                      c.removeRoot));
        RunningTool tool;
        ASSERT_TRUE(StartTool(game.toolPath, game.folder, &tool));
        EXPECT_EQ(InstallFolderLine(tool.window),
                  "\"InstallFolder\"=\"" + ReplaceAll(c.folder, "\\", "\\\\") + "\"");
        const ActionOutcome outcome = ClickAndReadBox(tool, kImportButtonCaption, kImportFile);
        ASSERT_TRUE(outcome.boxSeen);
        EXPECT_EQ(outcome.box.text, kImportSucceeded);
        EXPECT_TRUE(outcome.scriptFileGone);
        std::string value;
        EXPECT_TRUE(ReadRegistryText(kGameKeyPath, "InstallFolder", &value));
        EXPECT_EQ(value, c.folder);
        EXPECT_TRUE(CloseTool(&tool));
    }
}

// In the root of a drive the run directory is the drive alone, and so is the install path.
TEST(Faults, InTheRootOfADriveTheInstallPathIsTheDrive) {
    CleanRegistryAndScripts clean;
    FilesInRoot files;
    ASSERT_TRUE(files.Create("C:\\Launcher.exe"));
    ASSERT_TRUE(files.Copy(BuiltToolPath(), "C:\\VarnholtRegTool.exe"));
    RunningTool tool;
    ASSERT_TRUE(StartTool("C:\\VarnholtRegTool.exe", "C:\\", &tool));
    EXPECT_EQ(InstallFolderLine(tool.window), "\"InstallFolder\"=\"C:\"");
    const ActionOutcome outcome = ClickAndReadBox(tool, kImportButtonCaption, kImportFile);
    ASSERT_TRUE(outcome.boxSeen);
    EXPECT_EQ(outcome.box.text, kImportSucceeded);
    EXPECT_TRUE(outcome.scriptFileGone);
    std::string value;
    EXPECT_TRUE(ReadRegistryText(kGameKeyPath, "InstallFolder", &value));
    EXPECT_EQ(value, "C:");
    EXPECT_TRUE(CloseTool(&tool));
}

// ---- Two copies of the tool -------------------------------------------------------------------

// What one copy's box said, and what the registry held the moment the box was seen.
struct BoxSeen {
    bool seen = false;
    std::string text;
    bool installFolderPresent = false;
    std::string installFolder;
};

// Waits for the box of each tool, reading the registry the moment one appears and only then
// dismissing it, so a success box is judged against the registry it was shown over.
void CollectBoxes(RunningTool* tools, BoxSeen* seen, int count) {
    const ULONGLONG deadline = NowMs() + kBoxTimeoutMs;
    int left = count;
    while (left > 0 && NowMs() < deadline) {
        for (int i = 0; i < count; ++i) {
            if (seen[i].seen) continue;
            HWND box = FindMessageBox(tools[i].process.id);
            if (box == nullptr) continue;
            seen[i].installFolderPresent =
                ReadRegistryText(kGameKeyPath, "InstallFolder", &seen[i].installFolder);
            seen[i].text = ReadMessageBox(box).text;
            seen[i].seen = true;
            DismissMessageBox(box);
            --left;
        }
        Sleep(5);
    }
}

void ExpectTruthfulBox(const BoxSeen& seen, const std::string& ownFolder) {
    ASSERT_TRUE(seen.seen) << "no box";
    if (seen.text == kImportSucceeded) {
        EXPECT_TRUE(seen.installFolderPresent);
        EXPECT_EQ(seen.installFolder, ownFolder) << "a success box over another folder's path";
    } else {
        // Either copy may find the script file taken by the other or the key written by it.
        EXPECT_TRUE(seen.text == kImportNotApplied || seen.text == kImportWriteFailed)
            << seen.text;
    }
}

TEST(Faults, TwoCopiesInTwoFoldersNeverClaimTheOthersPath) {
    CleanRegistryAndScripts clean;
    GameFolder games[2];
    ASSERT_TRUE(PrepareGameFolder(&games[0], "C:\\varnholt faults twins\\誠 One", true,
                                  std::string(), "VarnholtRegTool.exe",
                                  "C:\\varnholt faults twins"));
    ASSERT_TRUE(PrepareGameFolder(&games[1], "C:\\varnholt faults twins 2\\Two", true,
                                  std::string(), "VarnholtRegTool.exe",
                                  "C:\\varnholt faults twins 2"));
    RunningTool tools[2];
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(StartTool(games[i].toolPath, games[i].folder, &tools[i]));

    // One after the other: each finds the key as it left it, so each succeeds.
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i == 0 ? "first alone" : "second alone");
        ASSERT_TRUE(ClickButton(tools[i].window, kImportButtonCaption));
        BoxSeen seen;
        CollectBoxes(&tools[i], &seen, 1);
        ExpectTruthfulBox(seen, games[i].folder);
        EXPECT_EQ(seen.text, kImportSucceeded);
        EXPECT_TRUE(WaitUntilGone(kImportFile, 10000));
    }

    // At once, a few times, each order of the clicks: whatever interleaving the two get, a
    // success box stands only over the copy's own path.
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE("both at once, round " + std::to_string(round));
        DeleteRegistryTree(kGameKeyPath);
        const int first = round % 2;
        ASSERT_TRUE(ClickButton(tools[first].window, kImportButtonCaption));
        ASSERT_TRUE(ClickButton(tools[1 - first].window, kImportButtonCaption));
        BoxSeen seen[2];
        CollectBoxes(tools, seen, 2);
        for (int i = 0; i < 2; ++i) ExpectTruthfulBox(seen[i], games[i].folder);
        EXPECT_TRUE(WaitUntilGone(kImportFile, 10000)) << "a script file was left in C:\\";
    }
    for (RunningTool& tool : tools) EXPECT_TRUE(CloseTool(&tool));
}

// ---- The script typed over --------------------------------------------------------------------

// A key pressed with the given modifiers held, through the system's input queue, as a keyboard
// gives it.
struct Keystroke {
    WORD key;
    bool ctrl;
    bool shift;
};

void Press(const Keystroke& stroke) { PressKey(stroke.key, stroke.ctrl, stroke.shift); }

struct TypingCase {
    const char* what;
    std::vector<Keystroke> keys;
    std::string scriptStartsWith;  // what the script must begin with after the keys
    bool scriptEmpty;
};

TEST(Faults, AScriptEmptiedOrWithItsHeaderDamagedIsNotReportedAsImported) {
    const Keystroke home = {VK_HOME, true, false};
    const Keystroke selectToEnd = {VK_END, true, true};
    const Keystroke del = {VK_DELETE, false, false};
    const TypingCase cases[] = {
        {"emptied", {home, selectToEnd, del}, "", true},
        {"first letter of the header deleted", {home, del}, "indows Registry Editor", false},
        {"letter typed into the header", {home, {'X', false, false}}, "xWindows Registry", false},
        // Word by word, not by line: the narrow box wraps the header line where its width says.
        {"first word of the header deleted", {home, {VK_RIGHT, true, true}, del},
         "Registry Editor Version", false},
    };
    GameFolder game;
    ASSERT_TRUE(PrepareGameFolder(&game, "C:\\varnholt faults typing\\誠", true, std::string(),
                                  "VarnholtRegTool.exe", "C:\\varnholt faults typing"));
    for (const TypingCase& c : cases) {
        SCOPED_TRACE(c.what);
        CleanRegistryAndScripts clean;
        PlantEarlierInstall();
        if (HasFatalFailure()) return;
        RunningTool tool;
        ASSERT_TRUE(StartTool(game.toolPath, game.folder, &tool));
        HWND editBox = FindChildOfClass(tool.window, "Edit");
        ASSERT_NE(editBox, nullptr);
        HWND button1 = FindButton(tool.window, kImportButtonCaption);
        ASSERT_TRUE(WaitForFocus(tool.window, button1)) << "the first focus is not on 按钮1";
        ASSERT_TRUE(BringToFront(tool.window)) << "the tool's window could not be brought to front";
        Press({VK_TAB, false, false});
        Press({VK_TAB, false, false});
        ASSERT_TRUE(WaitForFocus(tool.window, editBox)) << "two Tabs did not reach 编辑框1";
        for (const Keystroke& key : c.keys) Press(key);

        // The keys have landed once the text shows them.
        const ULONGLONG deadline = NowMs() + kFocusTimeoutMs;
        std::string script = ControlText(editBox);
        while (script.compare(0, c.scriptStartsWith.size(), c.scriptStartsWith) != 0 ||
               script.empty() != c.scriptEmpty) {
            if (NowMs() >= deadline) break;
            Sleep(20);
            script = ControlText(editBox);
        }
        ASSERT_EQ(script.compare(0, c.scriptStartsWith.size(), c.scriptStartsWith), 0) << script;
        ASSERT_EQ(script.empty(), c.scriptEmpty) << script;

        const ActionOutcome outcome = ClickAndReadBox(tool, kImportButtonCaption, kImportFile);
        ASSERT_TRUE(outcome.boxSeen);
        EXPECT_NE(outcome.box.text, kImportSucceeded);
        EXPECT_EQ(outcome.box.text, kImportNotApplied);
        EXPECT_TRUE(outcome.box.errorIcon);
        EXPECT_TRUE(outcome.scriptFileGone);
        ExpectEarlierInstallIntact();
        EXPECT_TRUE(CloseTool(&tool));
    }
}

}  // namespace
