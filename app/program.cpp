#include "app/program.h"

#include <windows.h>
#include <ole2.h>

#include "app/main_window.h"
#include "host/host.h"
#include "script/actions.h"

namespace {

bool g_eventsOpen = false;
bool g_loopStarted = false;

const char kNotInGameFolder[] = "请把本注册表工具放在【Varnholt】游戏目录下。";

}  // namespace

bool EventsOpen() { return g_eventsOpen; }
void OpenEvents() { g_eventsOpen = true; }

bool LoopStarted() { return g_loopStarted; }
void MarkLoopStarted() { g_loopStarted = true; }

void RunShutdown(int exitCode) {
    g_eventsOpen = false;
    if (HWND window = MainWindow()) DestroyWindow(window);
    OleUninitialize();
    ExitProcess(static_cast<UINT>(exitCode));
}

void EndProgram(int exitCode) { RunShutdown(exitCode); }

void HandleWindowCreated() {
    // The current directory is the run directory by now, whatever folder the tool was started
    // from; a directory of that name counts too.
    if (!FileExists("Launcher.exe")) {
        ShowMessage(kNotInGameFolder);
        EndProgram(0);
    }
    FillInstallPath();
}
