// What the user does with the tool: import the game's registry key, remove it, and the clean-up
// of the script files when the main window goes away.
#pragma once

#include <string>

// The content of the import script's holder (the hidden edit box once the window exists): read
// gives the live text, write replaces it. Provided by whoever owns the holder.
std::string ReadImportScript();
void WriteImportScript(const std::string& text);

// Replaces the install-path placeholder in the held import script by the run directory.
void FillInstallPath();

void HandleImportClick();
void HandleRemoveClick();
void HandleWindowDestroying();

// Fixed names and texts of the two actions, shared with the tests.
extern const char kImportScriptFile[];   // C:\gamereg.reg
extern const char kRemovalScriptFile[];  // C:\GameUn.reg
extern const char kGameKey[];            // SOFTWARE\Orlenwick\Varnholt
