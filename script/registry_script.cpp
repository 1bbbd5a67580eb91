#include "script/registry_script.h"

const char kImportScriptTemplate[] =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orlenwick\\Varnholt]\r\n"
    "\"InstallFolder\"=\"游戏路径\"\r\n"
    "\"Release\"=\"EFIGS\"\r\n"
    "\"Language\"=\"EN\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orlenwick\\Varnholt\\1.00.0000]\r\n"
    "\r\n";

const char kRemovalScript[] =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Orlenwick\\Varnholt]";

const char kInstallPathPlaceholder[] = "游戏路径";

std::string ReplaceAll(const std::string& source, const std::string& search,
                       const std::string& replacement) {
    if (source.empty() || search.empty()) return source;

    const size_t n = search.size();
    std::string result;
    result.reserve(source.size());
    size_t pos = 0;
    while (source.size() - pos >= n) {
        if (source.compare(pos, n, search) == 0) {
            result += replacement;
            pos += n;
        } else if (static_cast<unsigned char>(source[pos]) >= 0x80) {
            // A lead byte at the very end has no second byte to pair with: it is dropped, which
            // can only happen when the search text is one byte long.
            if (pos + 1 == source.size()) return result;
            result.append(source, pos, 2);
            pos += 2;
        } else {
            result += source[pos];
            pos += 1;
        }
    }
    result.append(source, pos, std::string::npos);
    return result;
}

std::string FillInstallPathInto(const std::string& script, const std::string& runDirectory) {
    // The install path is escaped before substitution so the template's own key paths keep
    // their single backslashes.
    const std::string escaped = ReplaceAll(runDirectory, "\\", "\\\\");
    return ReplaceAll(script, kInstallPathPlaceholder, escaped);
}
