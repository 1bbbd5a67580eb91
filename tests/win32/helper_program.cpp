// A small program the Win32 tests copy to where they need it and start as another process:
//   import              the tool's import click, with the filled import script in the holder
//   import-empty        the import click with an empty holder
//   remove              the tool's removal click
//   run-directory FILE  writes RunDirectory() to FILE (name in ASCII)
//   sleep-then-mark MS FILE   sleeps, then creates FILE: a program whose end can be waited for
// Started with anything else (as a planted regedit.exe is: "regedit /s C:\gamereg.reg"), it leaves
// the marker file kPlantedProgramMarker, so a test sees that it ran.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "host/host.h"
#include "script/actions.h"
#include "script/registry_script.h"
#include "tests/win32/helper_program.h"

namespace {

std::string g_importScript;

bool WriteText(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = text.empty() || WriteFile(file, text.data(), static_cast<DWORD>(text.size()),
                                              &written, nullptr);
    CloseHandle(file);
    return ok;
}

}  // namespace

// The holder the window's edit box will be; here a plain string.
std::string ReadImportScript() { return g_importScript; }
void WriteImportScript(const std::string& text) { g_importScript = text; }

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "import") {
        WriteImportScript(kImportScriptTemplate);
        FillInstallPath();
        HandleImportClick();
    } else if (mode == "import-empty") {
        WriteImportScript(std::string());
        HandleImportClick();
    } else if (mode == "remove") {
        HandleRemoveClick();
    } else if (mode == "run-directory" && argc > 2) {
        return WriteText(argv[2], RunDirectory()) ? 0 : 2;
    } else if (mode == "sleep-then-mark" && argc > 3) {
        Sleep(static_cast<DWORD>(std::atoi(argv[2])));
        return WriteText(argv[3], "done") ? 0 : 2;
    } else {
        WriteText(kPlantedProgramMarker, std::string(argc > 1 ? argv[1] : ""));
        return 0;
    }
    return 0;
}
