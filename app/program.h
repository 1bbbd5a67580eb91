// The program's life: whether its events reach their handlers, whether the event loop has been
// reached, and the one way out of the process.
#pragma once

// Event delivery starts suspended, so that nothing the window does while it is built runs a
// handler of the program.
bool EventsOpen();
void OpenEvents();

// Set when start-up reaches the event loop; from then on the main window's destruction ends the
// loop.
bool LoopStarted();
void MarkLoopStarted();

// Suspends event delivery for good, destroys the program's windows without raising any of their
// events, releases COM and ends the process. Shared by the end of the loop and EndProgram.
[[noreturn]] void RunShutdown(int exitCode);

// The main window's created handler: the start-up check, then the install path.
void HandleWindowCreated();
