// The operating-system services that the program's own logic calls. Texts are ANSI bytes (code
// page 936); relative paths resolve against the current directory, which start-up sets to the run
// directory. No service shows a message of its own except ShowMessage and ShowError, and every
// handle a service opens is closed before it returns. Implemented over Win32 in host_win32.cpp;
// the native tests link a recording fake instead.
#pragma once

#include <string>

// True when the path names any entry, a file or a directory (names compare without case).
bool FileExists(const std::string& path);

// The folder of the program's own executable, without a trailing backslash ("C:" for a drive
// root); empty if the path has no backslash. Taken once; every call returns the same text.
std::string RunDirectory();

// Creates or truncates `path` and writes exactly `bytes` to it. False when the file cannot be
// created, written or closed.
bool WriteFileBytes(const std::string& path, const std::string& bytes);

// Deletes a file; false for a missing or locked one.
bool RemoveFile(const std::string& path);

// The full path of one of the system's own programs: the system folder if it holds `exeName`,
// else the Windows folder. Never a path in the current or the program's folder.
std::string SystemProgramPath(const std::string& exeName);

// Starts `program` with `commandLine` and waits, with no time limit, until it has ended. False
// only when nothing could be started.
bool RunAndWait(const std::string& program, const std::string& commandLine);

// A task-modal box with the caption "信息：" and one OK button, no owner; returns once dismissed.
void ShowMessage(const std::string& text);
// The same box with the error icon.
void ShowError(const std::string& text);

// Blocks the thread; a negative value counts as 0.
void SleepMs(int milliseconds);

// Opens a web address with the shell, else with the command registered for .htm files.
bool OpenAddress(const std::string& address);

// Whether HKEY_LOCAL_MACHINE\<subKey> exists, and the REG_SZ value `valueName` in it, both in
// the registry view that this 32-bit program and the 32-bit registry editor share.
bool RegistryKeyExists(const std::string& subKey);
bool ReadRegistryString(const std::string& subKey, const std::string& valueName,
                        std::string* value);

// Copies of the tool share the two script files in C:\ and the game's key: one action at a time
// holds this machine-wide lock from writing its file until the file is deleted again. Waiting
// blocks the thread, as waiting for the registry editor does.
void LockScriptFiles();
void UnlockScriptFiles();

// Destroys the program's windows without raising any of its events and ends the process.
[[noreturn]] void EndProgram(int exitCode);
