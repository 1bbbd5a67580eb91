// The import and removal actions end to end, for real: the real registry editor, the real
// registry, the script files in C:\ and the message boxes as a user sees them. Each case runs
// twice: once in the real tool, copied into a game folder and clicked, and once in the helper
// program copied there, which runs the same handler with no window around it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/win32/driver.h"
#include "tests/win32/helper_program.h"

namespace {

const DWORD kStartTimeoutMs = 30000;
const DWORD kBoxTimeoutMs = 60000;  // the registry editor runs first, under emulation

// The game folder: 誠 (D5 5C) twice, a space and 【】, so that the install path in the script and
// in the registry shows any byte lost, doubled or cut wrongly.
const std::string kGameRoot = "C:\\varnholt 动作 【誠】";
const std::string kGameFolder = kGameRoot + "\\誠\\Game";

// The import script for kGameFolder: the template with the folder's backslashes doubled, but not
// the 5C that is the second byte of 誠.
const std::string kExpectedImportScript =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orlenwick\\Varnholt]\r\n"
    "\"InstallFolder\"=\"C:\\\\varnholt 动作 【誠】\\\\誠\\\\Game\"\r\n"
    "\"Release\"=\"EFIGS\"\r\n"
    "\"Language\"=\"EN\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orlenwick\\Varnholt\\1.00.0000]\r\n"
    "\r\n";

const std::string kExpectedRemovalScript =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Orlenwick\\Varnholt]";

// ImportEmptied: the import after the script's holder (the tool's hidden edit box) was emptied,
// so the editor runs on an empty file and writes nothing.
enum class Action { Import, ImportEmptied, Remove };
enum class Runner { RealTool, HelperProgram };

const char* ScriptFileOf(Action action) {
    return action == Action::Remove ? kRemovalFile : kImportFile;
}

std::string RunnerName(const ::testing::TestParamInfo<Runner>& info) {
    return info.param == Runner::RealTool ? "RealTool" : "HelperProgram";
}

// One run of an action in a copy of the tool (or of the helper) in the game folder.
struct ActionRun {
    LaunchedProcess process;
    HWND mainWindow = nullptr;
};

// Starts the program in the game folder, its run directory and current folder, and sets the
// action going: a click on the button for the real tool, the mode for the helper.
::testing::AssertionResult StartAction(Runner runner, Action action, const GameFolder& game,
                                       ActionRun* run) {
    if (runner == Runner::HelperProgram) {
        const char* mode = action == Action::Import          ? "import"
                           : action == Action::ImportEmptied ? "import-empty"
                                                             : "remove";
        if (!Launch(&run->process, game.toolPath, game.folder, mode)) {
            return ::testing::AssertionFailure() << "helper did not start";
        }
        return ::testing::AssertionSuccess();
    }
    if (!Launch(&run->process, game.toolPath, game.folder)) {
        return ::testing::AssertionFailure() << "tool did not start";
    }
    run->mainWindow = WaitForMainWindow(run->process.id, kStartTimeoutMs);
    if (run->mainWindow == nullptr) return ::testing::AssertionFailure() << "no main window";
    if (action == Action::ImportEmptied) {
        HWND scriptBox = FindChildOfClass(run->mainWindow, "Edit");
        if (scriptBox == nullptr || !SetWindowTextA(scriptBox, "")) {
            return ::testing::AssertionFailure() << "could not empty the script's edit box";
        }
    }
    const char* caption = action == Action::Remove ? kRemoveButtonCaption : kImportButtonCaption;
    if (!ClickButton(run->mainWindow, caption)) {
        return ::testing::AssertionFailure() << "no button " << caption;
    }
    return ::testing::AssertionSuccess();
}

// Lets the program end as it would: the helper ends by itself, the tool when its window closes.
::testing::AssertionResult FinishRun(ActionRun* run) {
    if (run->mainWindow != nullptr) CloseWindowLikeTheUser(run->mainWindow);
    DWORD exitCode = 1;
    if (!WaitForExit(run->process, kStartTimeoutMs, &exitCode)) {
        return ::testing::AssertionFailure() << "did not end";
    }
    if (exitCode != 0) return ::testing::AssertionFailure() << "exit code " << exitCode;
    return ::testing::AssertionSuccess();
}

// The box a run ends with, and the script file as it stood while the box was open.
struct SeenBox {
    ULONGLONG seenAt = 0;
    bool fileRead = false;
    std::string fileWhileOpen = "not read";
    MessageBoxContent content;
};

// Waits for the run's box, reads the script file while the box holds the tool, then dismisses it.
::testing::AssertionResult ReadAndDismissBox(const ActionRun& run, Action action, SeenBox* seen) {
    HWND box = WaitForMessageBox(run.process.id, kBoxTimeoutMs);
    if (box == nullptr) return ::testing::AssertionFailure() << "no message box";
    seen->seenAt = SystemTimeMs();
    seen->fileRead = ReadFileBytes(ScriptFileOf(action), &seen->fileWhileOpen);
    seen->content = ReadMessageBox(box);
    if (!DismissMessageBox(box)) return ::testing::AssertionFailure() << "box not dismissed";
    return ::testing::AssertionSuccess();
}

class Actions : public ::testing::TestWithParam<Runner> {
protected:
    void SetUp() override {
        ASSERT_TRUE(DeleteRegistryTree(kGameKeyPath));
        ASSERT_TRUE(DeletePath(kImportFile));
        ASSERT_TRUE(DeletePath(kRemovalFile));
        ASSERT_TRUE(DeletePath(kPlantedProgramMarker));
        const std::string program =
            GetParam() == Runner::RealTool ? BuiltToolPath() : HelperProgramPath();
        ASSERT_TRUE(PrepareGameFolder(&game_, kGameFolder, true, program, "VarnholtRegTool.exe",
                                      kGameRoot));
    }
    void TearDown() override {
        EXPECT_TRUE(DeleteRegistryTree(kGameKeyPath));
        EXPECT_TRUE(DeletePath(kImportFile));
        EXPECT_TRUE(DeletePath(kRemovalFile));
        DeletePath(kPlantedProgramMarker);
        DeleteRegistryValue(kMakerKeyPath, "Maker");
    }

    GameFolder game_;
};

TEST_P(Actions, ImportWritesTheScriptRunsTheSystemsEditorAndReportsSuccess) {
    // A key left from before, with a stale path and a value of someone else's.
    ASSERT_TRUE(SetRegistryText(kGameKeyPath, "InstallFolder", "D:\\Old"));
    ASSERT_TRUE(SetRegistryText(kGameKeyPath, "Patch", "kept"));
    // The game folder, the tool's current folder, also holds a regedit.exe of someone else's.
    ASSERT_TRUE(CopyFileA(HelperProgramPath().c_str(), (game_.folder + "\\regedit.exe").c_str(),
                          FALSE));

    ActionRun run;
    ASSERT_TRUE(StartAction(GetParam(), Action::Import, game_, &run));
    OwnedHandle editor = WaitForChildProcess(run.process.id, "regedit.exe", kBoxTimeoutMs);
    ASSERT_TRUE(editor.valid()) << "the registry editor was not seen running";
    SeenBox seen;
    ASSERT_TRUE(ReadAndDismissBox(run, Action::Import, &seen));
    EXPECT_TRUE(seen.fileRead);

    ULONGLONG editorEndedAt = 0;
    ASSERT_TRUE(ExitTimeMs(editor.handle, &editorEndedAt));
    // The import has no pause: its box follows the editor at once. Only the tool, whose window
    // system is already up, shows its box fast enough to hold it to less than the removal's second.
    if (GetParam() == Runner::RealTool) {
        EXPECT_LT(seen.seenAt, editorEndedAt + 1000);
    }
    EXPECT_EQ(seen.fileWhileOpen, kExpectedImportScript);
    EXPECT_EQ(seen.content.text, "导入注册表成功");
    EXPECT_FALSE(seen.content.errorIcon);
    EXPECT_TRUE(WaitUntilGone(kImportFile, 10000));

    std::string value;
    EXPECT_TRUE(ReadRegistryText(kGameKeyPath, "InstallFolder", &value));
    EXPECT_EQ(value, kGameFolder);
    EXPECT_TRUE(ReadRegistryText(kGameKeyPath, "Release", &value));
    EXPECT_EQ(value, "EFIGS");
    EXPECT_TRUE(ReadRegistryText(kGameKeyPath, "Language", &value));
    EXPECT_EQ(value, "EN");
    EXPECT_TRUE(RegistryKeyPresent(kVersionKeyPath));
    EXPECT_TRUE(ReadRegistryText(kGameKeyPath, "Patch", &value));
    EXPECT_EQ(value, "kept");
    EXPECT_FALSE(PathExists(kPlantedProgramMarker)) << "the planted regedit.exe ran";

    EXPECT_TRUE(FinishRun(&run));
}

TEST_P(Actions, RemovalDeletesTheKeyAndReportsAfterItsPause) {
    ASSERT_TRUE(SetRegistryText(kGameKeyPath, "InstallFolder", kGameFolder));
    ASSERT_TRUE(SetRegistryText(kVersionKeyPath, "Other", "written by someone else"));
    ASSERT_TRUE(SetRegistryText(kMakerKeyPath, "Maker", "stays"));

    ActionRun run;
    ASSERT_TRUE(StartAction(GetParam(), Action::Remove, game_, &run));
    OwnedHandle editor = WaitForChildProcess(run.process.id, "regedit.exe", kBoxTimeoutMs);
    ASSERT_TRUE(editor.valid()) << "the registry editor was not seen running";
    SeenBox seen;
    ASSERT_TRUE(ReadAndDismissBox(run, Action::Remove, &seen));
    EXPECT_TRUE(seen.fileRead);

    ULONGLONG editorEndedAt = 0;
    ASSERT_TRUE(ExitTimeMs(editor.handle, &editorEndedAt));
    // The pause is one second; the box is seen a little after it appears.
    EXPECT_GE(seen.seenAt, editorEndedAt + 950);
    EXPECT_EQ(seen.fileWhileOpen, kExpectedRemovalScript);
    EXPECT_EQ(seen.content.text, "卸载注册表成功");
    EXPECT_FALSE(seen.content.errorIcon);
    EXPECT_TRUE(WaitUntilGone(kRemovalFile, 10000));

    EXPECT_FALSE(RegistryKeyPresent(kGameKeyPath));
    std::string value;
    EXPECT_TRUE(ReadRegistryText(kMakerKeyPath, "Maker", &value));
    EXPECT_EQ(value, "stays");
    EXPECT_TRUE(FinishRun(&run));
}

// regedit exits with 0 whatever it did; only the registry tells that nothing was imported.
TEST_P(Actions, ImportThatLeavesNoInstallFolderIsReportedAsFailed) {
    ActionRun run;
    ASSERT_TRUE(StartAction(GetParam(), Action::ImportEmptied, game_, &run));
    SeenBox seen;
    ASSERT_TRUE(ReadAndDismissBox(run, Action::ImportEmptied, &seen));
    EXPECT_TRUE(seen.fileRead);

    EXPECT_EQ(seen.fileWhileOpen, "");
    EXPECT_EQ(seen.content.text,
              "导入注册表失败：注册表中没有写入游戏路径，请以管理员身份运行本工具。");
    EXPECT_TRUE(seen.content.errorIcon);
    EXPECT_TRUE(WaitUntilGone(kImportFile, 10000));
    EXPECT_FALSE(RegistryKeyPresent(kGameKeyPath));
    EXPECT_TRUE(FinishRun(&run));
}

// What stands in the way of writing the script file, as another program or an old install
// might leave it.
enum class Obstacle { FileHeldOpen, Directory };

struct WriteFailureCase {
    const char* what;
    Action action;
    Obstacle obstacle;
    const char* message;
};

const WriteFailureCase kWriteFailureCases[] = {
    {"import, file held open", Action::Import, Obstacle::FileHeldOpen,
     "导入注册表失败：无法写入文件 C:\\gamereg.reg。"},
    {"import, directory", Action::Import, Obstacle::Directory,
     "导入注册表失败：无法写入文件 C:\\gamereg.reg。"},
    {"removal, file held open", Action::Remove, Obstacle::FileHeldOpen,
     "卸载注册表失败：无法写入文件 C:\\GameUn.reg。"},
    {"removal, directory", Action::Remove, Obstacle::Directory,
     "卸载注册表失败：无法写入文件 C:\\GameUn.reg。"},
};

TEST_P(Actions, AScriptFileThatCannotBeWrittenIsReportedAndChangesNothing) {
    for (const WriteFailureCase& c : kWriteFailureCases) {
        SCOPED_TRACE(c.what);
        const std::string file = ScriptFileOf(c.action);
        // The registry as an earlier import left it; neither action may change it now.
        ASSERT_TRUE(DeleteRegistryTree(kGameKeyPath));
        ASSERT_TRUE(SetRegistryText(kGameKeyPath, "InstallFolder", "D:\\Old"));

        OwnedHandle holder;
        if (c.obstacle == Obstacle::FileHeldOpen) {
            // A stale script that the editor must not be given.
            ASSERT_TRUE(CreateFileWithBytes(file, kExpectedRemovalScript));
            holder = HoldFileExclusively(file);
            ASSERT_TRUE(holder.valid());
        } else {
            ASSERT_TRUE(CreateFolders(file));
            ASSERT_TRUE(CreateFileWithBytes(file + "\\inside.txt", "x"));
        }

        ActionRun run;
        ASSERT_TRUE(StartAction(GetParam(), c.action, game_, &run));
        SeenBox seen;
        ASSERT_TRUE(ReadAndDismissBox(run, c.action, &seen));
        EXPECT_TRUE(FinishRun(&run));

        EXPECT_EQ(seen.content.text, c.message);
        EXPECT_TRUE(seen.content.errorIcon);
        std::string value;
        EXPECT_TRUE(ReadRegistryText(kGameKeyPath, "InstallFolder", &value));
        EXPECT_EQ(value, "D:\\Old");
        EXPECT_FALSE(RegistryKeyPresent(kVersionKeyPath));
        if (c.obstacle == Obstacle::Directory) {
            EXPECT_TRUE(IsDirectory(file));
            EXPECT_TRUE(PathExists(file + "\\inside.txt"));
        } else {
            holder = OwnedHandle();
            std::string bytes;
            EXPECT_TRUE(ReadFileBytes(file, &bytes));
            EXPECT_EQ(bytes, kExpectedRemovalScript);
        }
        EXPECT_TRUE(DeletePath(file));
    }
}

INSTANTIATE_TEST_SUITE_P(Runners, Actions,
                         ::testing::Values(Runner::RealTool, Runner::HelperProgram), RunnerName);

}  // namespace
