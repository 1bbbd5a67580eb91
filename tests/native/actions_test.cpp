#include "script/actions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/registry_script.h"
#include "tests/native/fake_host.h"

namespace {

using Calls = std::vector<std::string>;

const char kRegedit[] = "RunAndWait C:\\windows\\system32\\regedit.exe | ";

// The calls of one action, which must hold the script-file lock from its first step to its last.
Calls InsideLock(const Calls& calls) {
    EXPECT_GE(calls.size(), 2u);
    if (calls.size() < 2) return calls;
    EXPECT_EQ(calls.front(), "LockScriptFiles");
    EXPECT_EQ(calls.back(), "UnlockScriptFiles");
    return Calls(calls.begin() + 1, calls.end() - 1);
}

class ActionsTest : public testing::Test {
protected:
    void SetUp() override {
        ResetFake();
        Fake().importScript = FillInstallPathInto(kImportScriptTemplate, Fake().runDirectory);
    }
    // The registry as a working registry editor leaves it after the import script.
    void EditorImports(const std::string& installFolder) {
        Fake().keyExistsAfterEditor = true;
        Fake().valuesAfterEditor = {
            {"InstallFolder", installFolder}, {"Release", "EFIGS"}, {"Language", "EN"}};
    }
};

TEST_F(ActionsTest, FillInstallPathRewritesTheHolderOnce) {
    Fake().importScript = kImportScriptTemplate;
    FillInstallPath();
    EXPECT_EQ(Fake().importScript,
              FillInstallPathInto(kImportScriptTemplate, Fake().runDirectory));
    EXPECT_EQ(Fake().calls, Calls{"WriteImportScript"});
}

TEST_F(ActionsTest, ImportWritesTheHeldScriptRunsTheEditorAndReportsSuccess) {
    Fake().importScript = "edited by the user\r\n";
    EditorImports(Fake().runDirectory);
    HandleImportClick();
    EXPECT_EQ(InsideLock(Fake().calls), (Calls{
                                "WriteFileBytes C:\\gamereg.reg",
                                std::string(kRegedit) + "regedit /s C:\\gamereg.reg",
                                "ShowMessage 导入注册表成功",
                                "RemoveFile C:\\gamereg.reg",
                            }));
    EXPECT_TRUE(Fake().writtenFiles.empty());
}

TEST_F(ActionsTest, ImportWritesExactlyTheHeldBytesEvenWhenEmpty) {
    for (const std::string& content :
         {std::string(kImportScriptTemplate), std::string("x\r\n\xD5\x5C\r\n"), std::string()}) {
        Fake().importScript = content;
        HandleImportClick();
        EXPECT_EQ(Fake().lastWrite.at("C:\\gamereg.reg"), content);
    }
}

TEST_F(ActionsTest, RemovalPausesAfterTheEditorAndReportsSuccess) {
    Fake().keyExists = true;
    Fake().keyExistsAfterEditor = false;
    HandleRemoveClick();
    EXPECT_EQ(InsideLock(Fake().calls), (Calls{
                                "WriteFileBytes C:\\GameUn.reg",
                                std::string(kRegedit) + "regedit /s C:\\GameUn.reg",
                                "SleepMs 1000",
                                "ShowMessage 卸载注册表成功",
                                "RemoveFile C:\\GameUn.reg",
                            }));
}

TEST_F(ActionsTest, RemovalWritesTheFixedScript) {
    Fake().importScript = "not used by the removal";
    HandleRemoveClick();
    EXPECT_EQ(Fake().lastWrite.at("C:\\GameUn.reg"), kRemovalScript);
}

struct FailureCase {
    const char* name;
    bool import;
    bool writeSucceeds;
    bool editorStarts;
    bool keyAfterEditor;
    std::string installFolderAfterEditor;
    Calls expected;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class ActionFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(ActionFailureTest, ShowsTheErrorAndStillRemovesTheFile) {
    const FailureCase& c = GetParam();
    ResetFake();
    Fake().importScript = FillInstallPathInto(kImportScriptTemplate, Fake().runDirectory);
    Fake().writeSucceeds = c.writeSucceeds;
    Fake().editorStarts = c.editorStarts;
    Fake().keyExists = !c.import;  // removal starts from an existing key
    Fake().keyExistsAfterEditor = c.keyAfterEditor;
    if (!c.installFolderAfterEditor.empty()) {
        Fake().valuesAfterEditor = {{"InstallFolder", c.installFolderAfterEditor}};
    }
    if (c.import) {
        HandleImportClick();
    } else {
        HandleRemoveClick();
    }
    EXPECT_EQ(InsideLock(Fake().calls), c.expected);
}

const std::string kImportRun = std::string(kRegedit) + "regedit /s C:\\gamereg.reg";
const std::string kRemovalRun = std::string(kRegedit) + "regedit /s C:\\GameUn.reg";

INSTANTIATE_TEST_SUITE_P(
    Cases, ActionFailureTest,
    testing::Values(
        FailureCase{"ImportWriteFailsEditorNotRun", true, false, true, true, "D:\\Games\\Varnholt",
                    {"WriteFileBytes C:\\gamereg.reg",
                     "ShowError 导入注册表失败：无法写入文件 C:\\gamereg.reg。",
                     "RemoveFile C:\\gamereg.reg"}},
        FailureCase{"ImportEditorDoesNotStart", true, true, false, true, "D:\\Games\\Varnholt",
                    {"WriteFileBytes C:\\gamereg.reg", kImportRun,
                     "ShowError 导入注册表失败：无法启动注册表编辑器。",
                     "RemoveFile C:\\gamereg.reg"}},
        FailureCase{"ImportLeftNoKey", true, true, true, false, "",
                    {"WriteFileBytes C:\\gamereg.reg", kImportRun,
                     "ShowError 导入注册表失败：注册表中没有写入游戏路径，请以管理员身份运行本工具。",
                     "RemoveFile C:\\gamereg.reg"}},
        FailureCase{"ImportLeftKeyWithoutInstallFolder", true, true, true, true, "",
                    {"WriteFileBytes C:\\gamereg.reg", kImportRun,
                     "ShowError 导入注册表失败：注册表中没有写入游戏路径，请以管理员身份运行本工具。",
                     "RemoveFile C:\\gamereg.reg"}},
        FailureCase{"ImportLeftAnotherFolder", true, true, true, true, "E:\\Other",
                    {"WriteFileBytes C:\\gamereg.reg", kImportRun,
                     "ShowError 导入注册表失败：注册表中没有写入游戏路径，请以管理员身份运行本工具。",
                     "RemoveFile C:\\gamereg.reg"}},
        FailureCase{"RemovalWriteFailsEditorNotRun", false, false, true, false, "",
                    {"WriteFileBytes C:\\GameUn.reg",
                     "ShowError 卸载注册表失败：无法写入文件 C:\\GameUn.reg。",
                     "RemoveFile C:\\GameUn.reg"}},
        FailureCase{"RemovalEditorDoesNotStart", false, true, false, false, "",
                    {"WriteFileBytes C:\\GameUn.reg", kRemovalRun,
                     "ShowError 卸载注册表失败：无法启动注册表编辑器。",
                     "RemoveFile C:\\GameUn.reg"}},
        FailureCase{"RemovalLeftTheKey", false, true, true, true, "D:\\Games\\Varnholt",
                    {"WriteFileBytes C:\\GameUn.reg", kRemovalRun, "SleepMs 1000",
                     "ShowError 卸载注册表失败：注册表项仍然存在，请以管理员身份运行本工具。",
                     "RemoveFile C:\\GameUn.reg"}}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST_F(ActionsTest, WindowDestroyingRemovesBothFilesWhetherOrNotWritten) {
    HandleWindowDestroying();
    EXPECT_EQ(Fake().calls, (Calls{"RemoveFile C:\\gamereg.reg", "RemoveFile C:\\GameUn.reg"}));
}

}  // namespace
