// The real host services, in this process, against Wine's file system, process creation,
// registry and message boxes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "host/host.h"
#include "tests/win32/driver.h"
#include "tests/win32/helper_program.h"

namespace {

// Every file and folder of these tests lies below this one, which each test starts and ends
// without. Its name holds 誠 (D5 5C), a space and 【】, as game folders do.
const std::string kScratch = "C:\\varnholt host test 【誠】";

const std::string kCrLfScript =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orlenwick\\Varnholt]\r\n"
    "\"InstallFolder\"=\"C:\\\\誠\\\\Game\"\r\n\r\n";

// A script the real registry editor reads and that changes nothing.
const std::string kHarmlessScript = "Windows Registry Editor Version 5.00\r\n\r\n";

class HostServices : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(DeleteFolderTree(kScratch));
        ASSERT_TRUE(CreateFolders(kScratch));
        DeletePath(kPlantedProgramMarker);
    }
    void TearDown() override {
        EXPECT_TRUE(DeleteFolderTree(kScratch));
        DeletePath(kPlantedProgramMarker);
    }
};

// ---- FileExists -------------------------------------------------------------------------------

struct ExistsCase {
    const char* what;
    std::string path;
    bool expected;
};

TEST_F(HostServices, FileExistsFindsFilesAndDirectoriesWhateverTheCase) {
    ASSERT_TRUE(CreateFileWithBytes(kScratch + "\\Launcher.exe", "x"));
    ASSERT_TRUE(CreateFolders(kScratch + "\\誠 Data"));
    const ExistsCase cases[] = {
        {"file, exact name", kScratch + "\\Launcher.exe", true},
        {"file, other case", kScratch + "\\LAUNCHER.EXE", true},
        {"file, relative to the current folder", "Launcher.exe", true},
        {"directory", kScratch + "\\誠 Data", true},
        {"directory, other case", kScratch + "\\誠 DATA", true},
        {"missing file", kScratch + "\\Launcher.ex", false},
        {"missing folder", kScratch + "\\No Such\\Launcher.exe", false},
    };
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(kScratch.c_str()));
    for (const ExistsCase& c : cases) {
        EXPECT_EQ(FileExists(c.path), c.expected) << c.what;
    }
    SetCurrentDirectoryA(previous);
}

// ---- WriteFileBytes ---------------------------------------------------------------------------

struct WriteCase {
    const char* what;
    std::string name;
    std::string bytes;
};

TEST_F(HostServices, WriteFileBytesWritesExactlyTheBytes) {
    const WriteCase cases[] = {
        {"script with CR LF and two-byte characters", "\\script.reg", kCrLfScript},
        {"removal script ending in ]", "\\GameUn.reg",
         "Windows Registry Editor Version 5.00\r\n\r\n"
         "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Orlenwick\\Varnholt]"},
        {"empty text gives an empty file", "\\empty.reg", ""},
        {"file name with 誠", "\\誠.reg", "a\\b"},
    };
    for (const WriteCase& c : cases) {
        const std::string path = kScratch + c.name;
        ASSERT_TRUE(WriteFileBytes(path, c.bytes)) << c.what;
        std::string read;
        ASSERT_TRUE(ReadFileBytes(path, &read)) << c.what;
        EXPECT_EQ(read, c.bytes) << c.what;  // no BOM, no trailing zero, line ends untouched
        // The handle is closed on return: nobody else holds the file.
        EXPECT_TRUE(HoldFileExclusively(path).valid()) << c.what;
    }
}

TEST_F(HostServices, WriteFileBytesTruncatesALongerFile) {
    const std::string path = kScratch + "\\gamereg.reg";
    ASSERT_TRUE(CreateFileWithBytes(path, std::string(500, 'x')));
    ASSERT_TRUE(WriteFileBytes(path, "ab\r\n"));
    std::string read;
    ASSERT_TRUE(ReadFileBytes(path, &read));
    EXPECT_EQ(read, "ab\r\n");
}

TEST_F(HostServices, WriteFileBytesFailsWhenTheFileCannotBeWritten) {
    const std::string held = kScratch + "\\held.reg";
    ASSERT_TRUE(CreateFileWithBytes(held, "old"));
    const std::string directory = kScratch + "\\folder.reg";
    ASSERT_TRUE(CreateFolders(directory));
    {
        OwnedHandle holder = HoldFileExclusively(held);
        ASSERT_TRUE(holder.valid());
        EXPECT_FALSE(WriteFileBytes(held, kCrLfScript)) << "held open without write sharing";
    }
    EXPECT_FALSE(WriteFileBytes(directory, kCrLfScript)) << "a directory of that name";
    EXPECT_FALSE(WriteFileBytes("", kCrLfScript)) << "empty path";

    std::string read;
    ASSERT_TRUE(ReadFileBytes(held, &read));
    EXPECT_EQ(read, "old");
    EXPECT_TRUE(IsDirectory(directory));
}

// ---- RemoveFile -------------------------------------------------------------------------------

TEST_F(HostServices, RemoveFileDeletesAFileAndReportsWhatItCouldNot) {
    const std::string file = kScratch + "\\GameUn.reg";
    ASSERT_TRUE(CreateFileWithBytes(file, "x"));
    EXPECT_TRUE(RemoveFile(file));
    EXPECT_FALSE(PathExists(file));
    EXPECT_FALSE(RemoveFile(file)) << "missing";

    ASSERT_TRUE(CreateFileWithBytes(file, "x"));
    OwnedHandle holder = HoldFileExclusively(file);
    ASSERT_TRUE(holder.valid());
    EXPECT_FALSE(RemoveFile(file)) << "held open";
}

// ---- RunAndWait and the registry editor's path ------------------------------------------------

TEST_F(HostServices, RunAndWaitReturnsOnlyAfterTheProgramHasEnded) {
    const std::string done = kScratch + "\\done.txt";
    const ULONGLONG started = NowMs();
    ASSERT_TRUE(RunAndWait(HelperProgramPath(),
                           "helper_program sleep-then-mark 1500 \"" + done + "\""));
    EXPECT_GE(NowMs() - started, 1500u);
    EXPECT_TRUE(PathExists(done)) << "the program had not ended, or got no arguments";
}

TEST_F(HostServices, RunAndWaitIsFalseWhenNothingStarts) {
    const struct {
        const char* what;
        std::string program;
    } cases[] = {
        {"missing program", kScratch + "\\regedit.exe"},
        {"no program", ""},
        {"a file that is no program", kScratch + "\\not a program.exe"},
    };
    ASSERT_TRUE(CreateFileWithBytes(kScratch + "\\not a program.exe", "text"));
    for (const auto& c : cases) {
        EXPECT_FALSE(RunAndWait(c.program, "regedit /s C:\\gamereg.reg")) << c.what;
    }
}

bool StartsWithFolder(const std::string& path, UINT (*folderOf)(LPSTR, UINT)) {
    char folder[MAX_PATH] = {};
    const UINT length = folderOf(folder, MAX_PATH);
    const std::string prefix = std::string(folder, length) + "\\";
    return path.size() > prefix.size() &&
           CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, path.c_str(),
                          static_cast<int>(prefix.size()), prefix.c_str(),
                          static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

UINT SystemFolder(LPSTR buffer, UINT size) { return GetSystemDirectoryA(buffer, size); }
UINT WindowsFolder(LPSTR buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); }

TEST_F(HostServices, RegistryEditorPathIsTheSystemsOwn) {
    const std::string regedit = SystemProgramPath("regedit.exe");
    EXPECT_TRUE(StartsWithFolder(regedit, SystemFolder) ||
                StartsWithFolder(regedit, WindowsFolder))
        << regedit;
    EXPECT_TRUE(PathExists(regedit)) << regedit;
}

// The game folder is the current folder when the tool runs; a regedit.exe planted there would run
// with the tool's rights if the editor were looked for by name.
TEST_F(HostServices, RegistryEditorPlantedInTheCurrentFolderIsNotRun) {
    const std::string plant = kScratch + "\\Game";
    ASSERT_TRUE(CreateFolders(plant));
    ASSERT_TRUE(CopyFileA(HelperProgramPath().c_str(), (plant + "\\regedit.exe").c_str(), FALSE));
    const std::string script = kScratch + "\\harmless.reg";
    ASSERT_TRUE(CreateFileWithBytes(script, kHarmlessScript));
    const std::string commandLine = "regedit /s \"" + script + "\"";

    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(plant.c_str()));

    // The plant works: started by its bare name, the planted program is the one that runs.
    {
        LaunchedProcess byName;
        std::string bare = commandLine;
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &bare[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &info));
        byName.process = OwnedHandle(info.hProcess);
        byName.thread = OwnedHandle(info.hThread);
        ASSERT_TRUE(WaitForExit(byName, 30000));
        ASSERT_TRUE(PathExists(kPlantedProgramMarker)) << "the planted program did not run";
        ASSERT_TRUE(DeletePath(kPlantedProgramMarker));
    }

    EXPECT_TRUE(RunAndWait(SystemProgramPath("regedit.exe"), commandLine));
    EXPECT_FALSE(PathExists(kPlantedProgramMarker)) << "the planted regedit.exe ran";

    SetCurrentDirectoryA(previous);
}

// ---- RunDirectory -----------------------------------------------------------------------------

struct RunDirectoryCase {
    const char* what;
    std::string folder;
    std::string exeName;
};

// RunDirectory is taken once per process, so each case is a copy of the helper started in its
// own folder.
TEST_F(HostServices, RunDirectoryIsTheExecutablesFolderCutWithTheLeadByteTable) {
    const RunDirectoryCase cases[] = {
        {"plain folder", kScratch + "\\Game", "tool.exe"},
        {"誠 (D5 5C) in the folder", kScratch + "\\誠\\Game", "tool.exe"},
        {"誠 (D5 5C) in the file name", kScratch + "\\Games", "誠.exe"},
        {"drive root", "C:", "varnholt-host-test-tool.exe"},
    };
    const std::string output = kScratch + "\\run directory.txt";
    for (const RunDirectoryCase& c : cases) {
        const std::string exe = c.folder + "\\" + c.exeName;
        ASSERT_TRUE(CreateFolders(c.folder) || c.folder == "C:") << c.what;
        ASSERT_TRUE(CopyFileA(HelperProgramPath().c_str(), exe.c_str(), FALSE)) << c.what;
        LaunchedProcess helper;
        ASSERT_TRUE(Launch(&helper, exe, kScratch, "run-directory \"" + output + "\"")) << c.what;
        DWORD exitCode = 1;
        EXPECT_TRUE(WaitForExit(helper, 30000, &exitCode)) << c.what;
        EXPECT_EQ(exitCode, 0u) << c.what;
        std::string runDirectory;
        EXPECT_TRUE(ReadFileBytes(output, &runDirectory)) << c.what;
        EXPECT_EQ(runDirectory, c.folder) << c.what;
        if (c.folder == "C:") DeletePath(exe);
        DeletePath(output);
    }
}

// ---- Registry, in the 32-bit view -------------------------------------------------------------

class HostRegistry : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(RemoveGameKeys()); }
    void TearDown() override { EXPECT_TRUE(RemoveGameKeys()); }

    // The game's key in the 64-bit view, where a 64-bit program would put it.
    static bool SetIn64BitView(const std::string& valueName, const std::string& value) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kGameKeyPath, 0, nullptr, 0,
                            KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key,
                            nullptr) != ERROR_SUCCESS) {
            return false;
        }
        const bool set = RegSetValueExA(key, valueName.c_str(), 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(value.c_str()),
                                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
        RegCloseKey(key);
        return set;
    }

    static bool RemoveGameKeys() {
        HKEY maker = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMakerKeyPath, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                          &maker) == ERROR_SUCCESS) {
            RegDeleteTreeA(maker, "Varnholt");
            RegCloseKey(maker);
        }
        return DeleteRegistryTree(kGameKeyPath);
    }
};

TEST_F(HostRegistry, ReadsStringsByteForByte) {
    const std::string folder = "C:\\varnholt 【誠】\\Game";
    ASSERT_TRUE(SetRegistryText(kGameKeyPath, "InstallFolder", folder));
    ASSERT_TRUE(SetRegistryText(kGameKeyPath, "Empty", ""));
    EXPECT_TRUE(RegistryKeyExists(kGameKeyPath));

    std::string value = "unchanged";
    EXPECT_TRUE(ReadRegistryString(kGameKeyPath, "InstallFolder", &value));
    EXPECT_EQ(value, folder);
    EXPECT_TRUE(ReadRegistryString(kGameKeyPath, "Empty", &value));
    EXPECT_EQ(value, "");
}

TEST_F(HostRegistry, MissingKeysAndValuesAndOtherTypesAreNotRead) {
    EXPECT_FALSE(RegistryKeyExists(kGameKeyPath));
    std::string value;
    EXPECT_FALSE(ReadRegistryString(kGameKeyPath, "InstallFolder", &value)) << "missing key";

    ASSERT_TRUE(SetRegistryText(kGameKeyPath, "Release", "EFIGS"));
    EXPECT_FALSE(ReadRegistryString(kGameKeyPath, "InstallFolder", &value)) << "missing value";

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kGameKeyPath, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                            &key),
              ERROR_SUCCESS);
    const DWORD number = 7;
    RegSetValueExA(key, "InstallFolder", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof(number));
    RegCloseKey(key);
    EXPECT_FALSE(ReadRegistryString(kGameKeyPath, "InstallFolder", &value)) << "a number";
}

// The 32-bit registry editor writes the 32-bit view; a key in the other view is not the game's.
TEST_F(HostRegistry, LooksOnlyAtThe32BitView) {
    ASSERT_TRUE(SetIn64BitView("InstallFolder", "D:\\64"));
    EXPECT_FALSE(RegistryKeyExists(kGameKeyPath));
    std::string value;
    EXPECT_FALSE(ReadRegistryString(kGameKeyPath, "InstallFolder", &value));

    ASSERT_TRUE(SetRegistryText(kGameKeyPath, "InstallFolder", "D:\\32"));
    EXPECT_TRUE(ReadRegistryString(kGameKeyPath, "InstallFolder", &value));
    EXPECT_EQ(value, "D:\\32");
}

// ---- Message boxes and sleeping ---------------------------------------------------------------

struct BoxCase {
    const char* what;
    void (*show)(const std::string&);
    std::string text;
    bool errorIcon;
};

TEST(HostMessages, BoxesAreTaskModalWithTheToolsCaptionAndNoOwner) {
    const BoxCase cases[] = {
        {"ShowMessage", ShowMessage, "导入注册表成功", false},
        {"ShowError", ShowError, "导入注册表失败：无法写入文件 C:\\gamereg.reg。", true},
    };
    for (const BoxCase& c : cases) {
        // A window of this thread, which a task-modal box disables while it is open.
        HWND window = CreateWindowExA(0, "STATIC", "other window", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                      100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        bool windowEnabledMeanwhile = true;
        MessageBoxWatcher watcher(30000, [&] { windowEnabledMeanwhile = IsWindowEnabled(window); });
        c.show(c.text);
        const SeenMessageBox& seen = watcher.Result();
        ASSERT_TRUE(seen.appeared) << c.what;
        EXPECT_TRUE(seen.dismissed) << c.what;
        EXPECT_EQ(seen.content.caption, "信息：") << c.what;
        EXPECT_EQ(seen.content.text, c.text) << c.what;
        EXPECT_EQ(seen.content.errorIcon, c.errorIcon) << c.what;
        EXPECT_EQ(seen.content.owner, nullptr) << c.what;
        EXPECT_FALSE(windowEnabledMeanwhile) << c.what;
        EXPECT_TRUE(IsWindowEnabled(window)) << c.what;
        DestroyWindow(window);
    }
}

TEST(HostSleep, SleepsTheGivenTimeAndTakesANegativeOneAsZero) {
    // The tick count moves in steps of a few milliseconds, hence the lower bound's slack.
    const struct {
        int milliseconds;
        ULONGLONG atLeast;
        ULONGLONG below;
    } cases[] = {{-5, 0, 2000}, {0, 0, 2000}, {400, 380, 5000}};
    for (const auto& c : cases) {
        const ULONGLONG started = NowMs();
        SleepMs(c.milliseconds);
        const ULONGLONG slept = NowMs() - started;
        EXPECT_GE(slept, c.atLeast) << c.milliseconds;
        EXPECT_LT(slept, c.below) << c.milliseconds;
    }
}

}  // namespace
