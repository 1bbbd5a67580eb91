// The registry scripts handed to the system's registry editor, and the pure text operations
// that prepare them. Every text is a byte string in the system ANSI code page (936).
#pragma once

#include <string>

// The import script before the install path is filled in: nine CR LF terminated lines that create
// HKLM\SOFTWARE\Orlenwick\Varnholt with its three values and the empty 1.00.0000 subkey.
extern const char kImportScriptTemplate[];

// Deletes HKLM\SOFTWARE\Orlenwick\Varnholt with everything below it; ends in "]", no line end.
extern const char kRemovalScript[];

// "游戏路径": stands once in the template, where InstallFolder's value goes.
extern const char kInstallPathPlaceholder[];

// Every occurrence of `search` in `source` replaced by `replacement`, left to right, byte-exact.
// A byte of 0x80 or above opens a two-byte character, so a match never starts at its second byte.
std::string ReplaceAll(const std::string& source, const std::string& search,
                       const std::string& replacement);

// The import script `script` with its placeholder replaced by `runDirectory`, whose backslashes
// are doubled first, as the registry editor reads a quoted value.
std::string FillInstallPathInto(const std::string& script, const std::string& runDirectory);
