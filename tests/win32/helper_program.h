// What the tests and helper_program.exe agree on.
#pragma once

#include <string>

// Left by helper_program.exe whenever it is started without one of its own modes, as a planted
// regedit.exe is.
inline constexpr char kPlantedProgramMarker[] = "C:\\varnholt-planted-program-ran.txt";

#ifdef VARNHOLT_HELPER_EXE
#include "tests/win32/driver.h"
// The built helper_program.exe, as a Windows path (tests only).
inline std::string HelperProgramPath() { return WinePathOf(VARNHOLT_HELPER_EXE); }
#endif
