// Put in the place of the system's regedit.exe by the fault tests: it takes the command line the
// tool gives it, ends at once with 0 as the real editor does, and imports nothing. No window, no
// console, no file: only the registry read-back can tell that nothing happened.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
