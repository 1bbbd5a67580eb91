#include "app/window_icon.h"

namespace {

// The icon group resource's directory, as the resource compiler stores it.
#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;  // 0 stands for 256
    BYTE height;
    BYTE colorCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

int EntryWidth(const GroupIconEntry& entry) { return entry.width == 0 ? 256 : entry.width; }

// The first image of the wanted width with a colour count of 16 or more, else the last one. The
// colour count is set only in the 16-colour images, so those are chosen over the richer ones
// whatever the display could show.
const GroupIconEntry* ChooseImage(const GroupIconEntry* entries, int count, int width) {
    for (int i = 0; i < count; ++i) {
        if (EntryWidth(entries[i]) == width && entries[i].colorCount >= 16) return &entries[i];
    }
    return &entries[count - 1];
}

HICON MakeIcon(HINSTANCE instance, const GroupIconEntry& entry) {
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(entry.id), RT_ICON);
    HGLOBAL loaded = found == nullptr ? nullptr : LoadResource(instance, found);
    void* bits = loaded == nullptr ? nullptr : LockResource(loaded);
    if (bits == nullptr) return nullptr;
    return CreateIconFromResourceEx(static_cast<BYTE*>(bits), SizeofResource(instance, found),
                                    TRUE, 0x00030000, EntryWidth(entry),
                                    entry.height == 0 ? 256 : entry.height, LR_DEFAULTCOLOR);
}

}  // namespace

void SetWindowIcons(HWND window, HINSTANCE instance) {
    HRSRC group = FindResourceA(instance, "DEFAULT_ICON", RT_GROUP_ICON);
    HGLOBAL loaded = group == nullptr ? nullptr : LoadResource(instance, group);
    const auto* header =
        static_cast<const GroupIconHeader*>(loaded == nullptr ? nullptr : LockResource(loaded));
    if (header == nullptr || header->count == 0 ||
        SizeofResource(instance, group) <
            sizeof(GroupIconHeader) + header->count * sizeof(GroupIconEntry)) {
        return;
    }
    const auto* entries = reinterpret_cast<const GroupIconEntry*>(header + 1);
    HICON largeIcon = MakeIcon(instance, *ChooseImage(entries, header->count, 32));
    HICON smallIcon = MakeIcon(instance, *ChooseImage(entries, header->count, 16));
    if (largeIcon != nullptr) {
        SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon));
    }
    if (smallIcon != nullptr) {
        SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    }
}
