// The import script lives in 编辑框1: whatever the user may have typed there is what gets imported.
#include <vector>

#include "app/main_window.h"
#include "script/actions.h"

std::string ReadImportScript() {
    HWND box = ControlWindow(kEditBox1);
    if (box == nullptr) return std::string();
    const int length = GetWindowTextLengthA(box);
    if (length <= 0) return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(box, buffer.data(), length + 1);
    return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

void WriteImportScript(const std::string& text) {
    HWND box = ControlWindow(kEditBox1);
    if (box != nullptr) SetWindowTextA(box, text.c_str());
}
