#include "tests/native/fake_host.h"

#include <cstdlib>

#include "host/host.h"
#include "script/actions.h"

namespace {
FakeHost fake;
}

FakeHost& Fake() { return fake; }
void ResetFake() { fake = FakeHost(); }

std::string ReadImportScript() { return fake.importScript; }
void WriteImportScript(const std::string& text) {
    fake.calls.push_back("WriteImportScript");
    fake.importScript = text;
}

bool FileExists(const std::string& path) {
    fake.calls.push_back("FileExists " + path);
    return fake.writtenFiles.count(path) != 0;
}

std::string RunDirectory() { return fake.runDirectory; }

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    fake.calls.push_back("WriteFileBytes " + path);
    if (!fake.writeSucceeds) return false;
    fake.writtenFiles[path] = bytes;
    fake.lastWrite[path] = bytes;
    return true;
}

bool RemoveFile(const std::string& path) {
    fake.calls.push_back("RemoveFile " + path);
    return fake.writtenFiles.erase(path) != 0;
}

std::string SystemProgramPath(const std::string& exeName) {
    return "C:\\windows\\system32\\" + exeName;
}

bool RunAndWait(const std::string& program, const std::string& commandLine) {
    fake.calls.push_back("RunAndWait " + program + " | " + commandLine);
    if (!fake.editorStarts) return false;
    fake.keyExists = fake.keyExistsAfterEditor;
    fake.values = fake.valuesAfterEditor;
    return true;
}

void LockScriptFiles() { fake.calls.push_back("LockScriptFiles"); }
void UnlockScriptFiles() { fake.calls.push_back("UnlockScriptFiles"); }

void ShowMessage(const std::string& text) { fake.calls.push_back("ShowMessage " + text); }
void ShowError(const std::string& text) { fake.calls.push_back("ShowError " + text); }

void SleepMs(int milliseconds) {
    fake.calls.push_back("SleepMs " + std::to_string(milliseconds));
}

bool OpenAddress(const std::string& address) {
    fake.calls.push_back("OpenAddress " + address);
    return true;
}

bool RegistryKeyExists(const std::string& subKey) {
    return subKey == kGameKey && fake.keyExists;
}

bool ReadRegistryString(const std::string& subKey, const std::string& valueName,
                        std::string* value) {
    if (subKey != kGameKey || !fake.keyExists) return false;
    auto found = fake.values.find(valueName);
    if (found == fake.values.end()) return false;
    *value = found->second;
    return true;
}

void EndProgram(int exitCode) {
    fake.calls.push_back("EndProgram " + std::to_string(exitCode));
    std::exit(exitCode);
}
