// A recording stand-in for the host services and the import script's holder: every call is
// logged in order as one line, and each result comes from the settings below.
#pragma once

#include <map>
#include <string>
#include <vector>

struct FakeHost {
    // Settings.
    std::string runDirectory = "D:\\Games\\Varnholt";
    std::string importScript;  // the holder's content
    bool writeSucceeds = true;
    bool editorStarts = true;
    // What the registry editor leaves behind when it runs: the game key's values, or no key.
    bool keyExistsAfterEditor = true;
    std::map<std::string, std::string> valuesAfterEditor;
    // The registry as it is now.
    bool keyExists = false;
    std::map<std::string, std::string> values;

    // Record.
    std::vector<std::string> calls;
    std::map<std::string, std::string> writtenFiles;  // files that exist now
    std::map<std::string, std::string> lastWrite;     // bytes of each path's last write
};

// The fake in use; each test gets a fresh one.
FakeHost& Fake();
void ResetFake();
