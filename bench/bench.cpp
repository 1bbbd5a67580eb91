// Measures the tool against programs of ours that do only the unavoidable part of its work, and
// prints the figures that the README quotes. Under Wine single timings are noisy and bimodal, so
// the two programs of a comparison take turns (A B A B ...) and the medians are compared.
//
//   bench.exe [start-up pairs] [action rounds]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/win32/driver.h"

namespace {

const char kToolClass[] = "VarnholtRegToolMainWindow";
const char kBareClass[] = "VarnholtBareWindow";
const char kMinimalClass[] = "VarnholtMinimalImport";
const char kImportSucceeded[] = "导入注册表成功";
const char kRemovalSucceeded[] = "卸载注册表成功";
const double kRemovalPauseMs = 1000.0;
// Memory is read once the window has painted and the process has settled.
const DWORD kSettleMs = 300;
const DWORD kTimeoutMs = 60000;

double NowPreciseMs() {
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// A visible top-level window of this class belonging to the process, or null.
HWND FindVisibleWindow(DWORD processId, const char* className) {
    for (HWND window = FindWindowExA(nullptr, nullptr, className, nullptr); window != nullptr;
         window = FindWindowExA(nullptr, window, className, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

// Polls every millisecond or so: the figures are a few hundred milliseconds, and a coarse poll
// would add its own step to every sample.
HWND PollVisibleWindow(DWORD processId, const char* className, DWORD timeoutMs) {
    const double deadline = NowPreciseMs() + timeoutMs;
    for (;;) {
        HWND found = FindVisibleWindow(processId, className);
        if (found != nullptr || NowPreciseMs() >= deadline) return found;
        Sleep(1);
    }
}

SIZE_T PeakWorkingSet(DWORD processId) {
    OwnedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!process.valid() || !GetProcessMemoryInfo(process.handle, &counters, sizeof(counters))) {
        return 0;
    }
    return counters.PeakWorkingSetSize;
}

void CloseAndWait(LaunchedProcess* launched, HWND window) {
    if (window != nullptr) CloseWindowLikeTheUser(window);
    if (!WaitForExit(*launched, 15000)) {
        TerminateProcess(launched->process.handle, 1);
        WaitForExit(*launched, 15000);
    }
}

// Nothing of an earlier run may change the next one: the game's key and the script files go.
void CleanUp() {
    DeleteRegistryTree(kGameKeyPath);
    DeletePath(kImportFile);
    DeletePath(kRemovalFile);
}

struct Program {
    const char* name;
    const char* windowClass;
    GameFolder folder;
};

struct StartSample {
    bool ok = false;
    double ms = 0;
    SIZE_T peakWorkingSet = 0;
};

StartSample MeasureStart(Program* program) {
    StartSample sample;
    CleanUp();
    LaunchedProcess launched;
    const double start = NowPreciseMs();
    if (!Launch(&launched, program->folder.toolPath, program->folder.folder)) return sample;
    HWND window = PollVisibleWindow(launched.id, program->windowClass, kTimeoutMs);
    sample.ms = NowPreciseMs() - start;
    if (window != nullptr) {
        Sleep(kSettleMs);
        sample.peakWorkingSet = PeakWorkingSet(launched.id);
        sample.ok = sample.peakWorkingSet != 0;
    }
    CloseAndWait(&launched, window);
    CleanUp();
    return sample;
}

struct ActionSample {
    bool ok = false;
    double ms = 0;
};

// From the posted click on the button to the box on screen; the box must be the success box.
ActionSample MeasureAction(Program* program, const char* buttonCaption, const char* expectedText) {
    ActionSample sample;
    CleanUp();
    // The removal needs something to remove.
    if (expectedText == kRemovalSucceeded &&
        !SetRegistryText(kGameKeyPath, "InstallFolder", program->folder.folder)) {
        return sample;
    }
    LaunchedProcess launched;
    if (!Launch(&launched, program->folder.toolPath, program->folder.folder)) return sample;
    HWND window = PollVisibleWindow(launched.id, program->windowClass, kTimeoutMs);
    HWND button = window != nullptr ? FindButton(window, buttonCaption) : nullptr;
    if (button != nullptr) {
        Sleep(kSettleMs);  // start-up is over before the player reaches for the button
        const double start = NowPreciseMs();
        PostMessageA(button, BM_CLICK, 0, 0);
        HWND box = PollVisibleWindow(launched.id, "#32770", kTimeoutMs);
        sample.ms = NowPreciseMs() - start;
        if (box != nullptr) {
            const MessageBoxContent content = ReadMessageBox(box);
            sample.ok = content.caption == kMessageBoxCaption && content.text == expectedText;
            if (!sample.ok) std::printf("  %s: not the success box\n", program->name);
            DismissMessageBox(box);
        }
    }
    CloseAndWait(&launched, window);
    CleanUp();
    return sample;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

LONGLONG FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool PrepareProgram(Program* program, const std::string& folder, const std::string& exe,
                    const char* exeName) {
    if (!PrepareGameFolder(&program->folder, folder, true, exe, exeName)) {
        std::printf("cannot prepare %s in %s\n", exeName, folder.c_str());
        return false;
    }
    return true;
}

struct Comparison {
    std::vector<double> tool;
    std::vector<double> other;
    int failures = 0;
};

// Interleaved rounds of one action, tool first, then the minimal program.
Comparison CompareAction(Program* tool, Program* minimal, const char* label, const char* button,
                         const char* text, int rounds, double subtractFromTool) {
    Comparison result;
    for (int round = 0; round < rounds; ++round) {
        const ActionSample a = MeasureAction(tool, button, text);
        const ActionSample b = MeasureAction(minimal, button, text);
        if (a.ok) result.tool.push_back(a.ms - subtractFromTool); else ++result.failures;
        if (b.ok) result.other.push_back(b.ms); else ++result.failures;
        std::printf("  %s round %2d: tool %7.1f ms, minimal %7.1f ms\n", label, round + 1,
                    a.ms - subtractFromTool, b.ms);
        std::fflush(stdout);
    }
    return result;
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

}  // namespace

int main(int argc, char** argv) {
    const int pairs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;

    Program tool = {"tool", kToolClass, {}};
    Program bare = {"bare window", kBareClass, {}};
    Program minimal = {"minimal program", kMinimalClass, {}};
    if (!PrepareProgram(&tool, "C:\\varnholt-bench\\tool", BuiltToolPath(), "VarnholtRegTool.exe") ||
        !PrepareProgram(&bare, "C:\\varnholt-bench\\bare", WinePathOf(VARNHOLT_BARE_EXE),
                        "bare_window.exe") ||
        !PrepareProgram(&minimal, "C:\\varnholt-bench\\minimal", WinePathOf(VARNHOLT_MINIMAL_EXE),
                        "minimal_import.exe")) {
        return 1;
    }
    const bool makerKeyWasThere = RegistryKeyPresent(kMakerKeyPath);

    // One untimed run of each, so that no program pays alone for the first load from disk.
    MeasureStart(&tool);
    MeasureStart(&bare);
    MeasureStart(&minimal);

    std::printf("start-up, %d interleaved pairs:\n", pairs);
    Comparison start;
    std::vector<double> toolMemory, bareMemory;
    for (int pair = 0; pair < pairs; ++pair) {
        const StartSample a = MeasureStart(&tool);
        const StartSample b = MeasureStart(&bare);
        if (a.ok) { start.tool.push_back(a.ms); toolMemory.push_back(a.peakWorkingSet / 1024.0); }
        else ++start.failures;
        if (b.ok) { start.other.push_back(b.ms); bareMemory.push_back(b.peakWorkingSet / 1024.0); }
        else ++start.failures;
        std::printf("  pair %2d: tool %7.1f ms %6.0f KB, bare %7.1f ms %6.0f KB\n", pair + 1, a.ms,
                    a.peakWorkingSet / 1024.0, b.ms, b.peakWorkingSet / 1024.0);
        std::fflush(stdout);
    }

    std::printf("import, %d interleaved rounds:\n", rounds);
    const Comparison import = CompareAction(&tool, &minimal, "import", kImportButtonCaption,
                                            kImportSucceeded, rounds, 0);
    std::printf("removal, %d interleaved rounds (the tool's %.0f ms pause taken off):\n", rounds,
                kRemovalPauseMs);
    const Comparison removal = CompareAction(&tool, &minimal, "removal", kRemoveButtonCaption,
                                             kRemovalSucceeded, rounds, kRemovalPauseMs);
    if (!makerKeyWasThere) DeleteRegistryTree(kMakerKeyPath);

    const double startRatio = Median(start.tool) / Median(start.other);
    const double importRatio = Median(import.tool) / Median(import.other);
    const double removalRatio = Median(removal.tool) / Median(removal.other);
    const double memoryRatio = Median(toolMemory) / Median(bareMemory);
    const LONGLONG exeSize = FileSize(BuiltToolPath());
    const LONGLONG noResourcesSize = FileSize(WinePathOf(VARNHOLT_TOOL_NO_RESOURCES_EXE));
    const LONGLONG strippedSize = FileSize(WinePathOf(VARNHOLT_TOOL_STRIPPED_EXE));
    const LONGLONG bareSize = FileSize(WinePathOf(VARNHOLT_BARE_EXE));

    std::printf("\n| Measure (medians) | Tool | Yardstick | Ratio | Goal | |\n");
    std::printf("|---|---|---|---|---|---|\n");
    std::printf("| Start-up to visible window, %zu/%zu runs | %.0f ms | %.0f ms (bare window) | "
                "%.2fx | <= 1.1x | %s |\n", start.tool.size(), start.other.size(),
                Median(start.tool), Median(start.other), startRatio, Verdict(startRatio <= 1.1));
    std::printf("| Import, click to box, %zu/%zu runs | %.0f ms | %.0f ms (minimal program) | "
                "%.2fx | <= 1.05x | %s |\n", import.tool.size(), import.other.size(),
                Median(import.tool), Median(import.other), importRatio,
                Verdict(importRatio <= 1.05));
    std::printf("| Removal less 1000 ms pause, %zu/%zu runs | %.0f ms | %.0f ms (minimal program) "
                "| %.2fx | <= 1.05x | %s |\n", removal.tool.size(), removal.other.size(),
                Median(removal.tool), Median(removal.other), removalRatio,
                Verdict(removalRatio <= 1.05));
    std::printf("| Peak working set | %.0f KB | %.0f KB (bare window) | %.2fx | <= 1.2x | %s |\n",
                Median(toolMemory), Median(bareMemory), memoryRatio, Verdict(memoryRatio <= 1.2));
    std::printf("| Exe as built | %.1f KB | %.1f KB (bare window) | | | |\n", exeSize / 1024.0,
                bareSize / 1024.0);
    // The exe as built carries the static runtime's symbols and debug sections, which no player
    // needs; the goal is for the code and data that run.
    std::printf("| Exe without resources | %.1f KB | | | | |\n", noResourcesSize / 1024.0);
    std::printf("| Exe without resources, stripped | %.1f KB | | | <= 150 KB | %s |\n",
                strippedSize / 1024.0, Verdict(strippedSize >= 0 && strippedSize <= 150 * 1024));
    const int failures = start.failures + import.failures + removal.failures;
    if (failures > 0) std::printf("\n%d runs failed and are left out of the medians\n", failures);
    return start.tool.empty() || start.other.empty() || import.tool.empty() ||
                   import.other.empty() || removal.tool.empty() || removal.other.empty()
               ? 1
               : 0;
}
