#include "script/actions.h"

#include "host/host.h"
#include "script/registry_script.h"

const char kImportScriptFile[] = "C:\\gamereg.reg";
const char kRemovalScriptFile[] = "C:\\GameUn.reg";
const char kGameKey[] = "SOFTWARE\\Orlenwick\\Varnholt";

namespace {

// The two actions differ only in these settings; the sequence of steps is shared.
struct ScriptAction {
    const char* file;
    const char* commandLine;
    int pauseAfterEditorMs;
    const char* succeeded;
    const char* writeFailed;
    const char* editorFailed;
    const char* notApplied;
    bool (*applied)();
};

// The registry editor exits with 0 whatever it did, so only the registry itself tells whether
// the import took effect.
bool ImportApplied() {
    std::string installFolder;
    return RegistryKeyExists(kGameKey) &&
           ReadRegistryString(kGameKey, "InstallFolder", &installFolder) &&
           installFolder == RunDirectory();
}

bool RemovalApplied() { return !RegistryKeyExists(kGameKey); }

const ScriptAction kImport = {
    kImportScriptFile,
    "regedit /s C:\\gamereg.reg",
    0,
    "导入注册表成功",
    "导入注册表失败：无法写入文件 C:\\gamereg.reg。",
    "导入注册表失败：无法启动注册表编辑器。",
    "导入注册表失败：注册表中没有写入游戏路径，请以管理员身份运行本工具。",
    ImportApplied,
};

const ScriptAction kRemoval = {
    kRemovalScriptFile,
    "regedit /s C:\\GameUn.reg",
    1000,
    "卸载注册表成功",
    "卸载注册表失败：无法写入文件 C:\\GameUn.reg。",
    "卸载注册表失败：无法启动注册表编辑器。",
    "卸载注册表失败：注册表项仍然存在，请以管理员身份运行本工具。",
    RemovalApplied,
};

void RunScriptAction(const ScriptAction& action, const std::string& script) {
    // Another copy of the tool must not overwrite the file while the editor reads it, nor the key
    // between this copy's check and its message.
    LockScriptFiles();
    // A failed write must not hand the editor a stale or partial file of the same name.
    if (!WriteFileBytes(action.file, script)) {
        ShowError(action.writeFailed);
    } else if (!RunAndWait(SystemProgramPath("regedit.exe"), action.commandLine)) {
        ShowError(action.editorFailed);
    } else {
        if (action.pauseAfterEditorMs > 0) SleepMs(action.pauseAfterEditorMs);
        if (action.applied()) {
            ShowMessage(action.succeeded);
        } else {
            ShowError(action.notApplied);
        }
    }
    // The box has been dismissed: the script file goes in every case.
    RemoveFile(action.file);
    UnlockScriptFiles();
}

}  // namespace

void FillInstallPath() {
    WriteImportScript(FillInstallPathInto(ReadImportScript(), RunDirectory()));
}

void HandleImportClick() { RunScriptAction(kImport, ReadImportScript()); }

void HandleRemoveClick() { RunScriptAction(kRemoval, kRemovalScript); }

void HandleWindowDestroying() {
    RemoveFile(kImportScriptFile);
    RemoveFile(kRemovalScriptFile);
}
