// The resources of the built VarnholtRegTool.exe as Windows reads them: the icon group, the
// hand cursor, the version block and the manifest.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/win32/driver.h"

namespace {

struct Bytes {
    const unsigned char* data = nullptr;
    DWORD size = 0;

    uint16_t Word(DWORD at) const {
        uint16_t v;
        std::memcpy(&v, data + at, sizeof v);
        return v;
    }
    uint32_t Dword(DWORD at) const {
        uint32_t v;
        std::memcpy(&v, data + at, sizeof v);
        return v;
    }
};

class ExeResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module_ = LoadLibraryExA(BuiltToolPath().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite() {
        if (module_ != nullptr) FreeLibrary(module_);
        module_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(module_, nullptr) << BuiltToolPath() << ": error " << GetLastError();
    }

    // The resource's bytes, or none if it is missing.
    static Bytes Find(LPCSTR type, LPCSTR name) {
        Bytes found;
        HRSRC info = FindResourceA(module_, name, type);
        if (info == nullptr) return found;
        HGLOBAL loaded = LoadResource(module_, info);
        found.data = static_cast<const unsigned char*>(LockResource(loaded));
        found.size = SizeofResource(module_, info);
        return found;
    }

    static HMODULE module_;
};
HMODULE ExeResources::module_ = nullptr;

// ---- Icon ------------------------------------------------------------------------------------

// One entry of an icon group as the resource compiler stores it (14 bytes, not padded).
struct IconEntry {
    int width, height, colourCount, planes, bitCount;
    DWORD bytes;
    WORD id;
};

std::vector<IconEntry> IconDirectory(const Bytes& group) {
    std::vector<IconEntry> entries;
    if (group.size < 6) return entries;
    const int count = group.Word(4);
    for (int i = 0; i < count && 6 + 14u * (i + 1) <= group.size; ++i) {
        const DWORD at = 6 + 14 * i;
        entries.push_back({group.data[at], group.data[at + 1], group.data[at + 2],
                           group.Word(at + 4), group.Word(at + 6), group.Dword(at + 8),
                           group.Word(at + 12)});
    }
    return entries;
}

// The window's rule: the first entry of that width whose colour count is 16 or more, else the
// last entry. A 256-pixel image is stored with width 0, which never matches.
int ChooseIcon(const std::vector<IconEntry>& directory, int width) {
    for (size_t i = 0; i < directory.size(); ++i) {
        if (directory[i].width == width && directory[i].colourCount >= 16) return int(i);
    }
    return int(directory.size()) - 1;
}

struct ExpectedIcon {
    int size, bitCount, colourCount;
};
const ExpectedIcon kIcons[] = {
    {48, 4, 16}, {32, 4, 16}, {24, 4, 16}, {16, 4, 16},
    {48, 8, 0},  {32, 8, 0},  {24, 8, 0},  {16, 8, 0},
    {256, 32, 0}, {48, 32, 0}, {32, 32, 0}, {24, 32, 0}, {16, 32, 0},
};
const int kIconCount = sizeof kIcons / sizeof kIcons[0];

int RowBytes(int width, int bitCount) { return (width * bitCount + 31) / 32 * 4; }

// Whether the AND mask marks pixel (x, y), counted from the top, as transparent.
bool MaskedOut(const Bytes& image, const ExpectedIcon& icon, int x, int y) {
    const int palette = icon.bitCount <= 8 ? 4 << icon.bitCount : 0;
    const DWORD mask = 40 + palette + RowBytes(icon.size, icon.bitCount) * icon.size;
    const DWORD row = mask + RowBytes(icon.size, 1) * (icon.size - 1 - y);
    return (image.data[row + x / 8] >> (7 - x % 8)) & 1;
}

TEST_F(ExeResources, IconGroupHoldsThirteenImagesInOrder) {
    const std::vector<IconEntry> directory = IconDirectory(Find(RT_GROUP_ICON, "DEFAULT_ICON"));
    ASSERT_EQ(directory.size(), size_t(kIconCount));
    for (int i = 0; i < kIconCount; ++i) {
        SCOPED_TRACE("image " + std::to_string(i + 1));
        const ExpectedIcon& want = kIcons[i];
        const IconEntry& got = directory[i];
        EXPECT_EQ(got.width, want.size % 256);
        EXPECT_EQ(got.height, want.size % 256);
        EXPECT_EQ(got.colourCount, want.colourCount);
        EXPECT_EQ(got.planes, 1);
        EXPECT_EQ(got.bitCount, want.bitCount);
    }
}

TEST_F(ExeResources, EveryIconImageIsAWholeBitmapWithATransparentCorner) {
    const std::vector<IconEntry> directory = IconDirectory(Find(RT_GROUP_ICON, "DEFAULT_ICON"));
    ASSERT_EQ(directory.size(), size_t(kIconCount));
    for (int i = 0; i < kIconCount; ++i) {
        SCOPED_TRACE("image " + std::to_string(i + 1));
        const ExpectedIcon& want = kIcons[i];
        const Bytes image = Find(RT_ICON, MAKEINTRESOURCEA(directory[i].id));
        ASSERT_NE(image.data, nullptr);
        EXPECT_EQ(image.size, directory[i].bytes);
        ASSERT_GE(image.size, 40u);
        ASSERT_NE(std::memcmp(image.data, "\x89PNG", 4), 0) << "stored as PNG";
        BITMAPINFOHEADER header;
        std::memcpy(&header, image.data, sizeof header);
        EXPECT_EQ(header.biSize, 40u);
        EXPECT_EQ(header.biWidth, want.size);
        EXPECT_EQ(header.biHeight, 2 * want.size);  // colour image and mask
        EXPECT_EQ(header.biPlanes, 1);
        EXPECT_EQ(header.biBitCount, want.bitCount);
        EXPECT_EQ(header.biCompression, DWORD(BI_RGB));
        // Header, full palette, colour rows and mask rows, and nothing missing.
        const int palette = want.bitCount <= 8 ? 4 << want.bitCount : 0;
        const DWORD whole = 40 + palette + RowBytes(want.size, want.bitCount) * want.size +
                            RowBytes(want.size, 1) * want.size;
        ASSERT_EQ(image.size, whole);
        // The emblem is a shield, not a square: the screen shows through at the corner and not
        // at the centre.
        EXPECT_TRUE(MaskedOut(image, want, 0, 0));
        EXPECT_FALSE(MaskedOut(image, want, want.size / 2, want.size / 2));
    }
}

TEST_F(ExeResources, AlphaImagesHaveClearAndOpaquePixels) {
    const std::vector<IconEntry> directory = IconDirectory(Find(RT_GROUP_ICON, "DEFAULT_ICON"));
    ASSERT_EQ(directory.size(), size_t(kIconCount));
    for (int i = 0; i < kIconCount; ++i) {
        if (kIcons[i].bitCount != 32) continue;
        SCOPED_TRACE("image " + std::to_string(i + 1));
        const Bytes image = Find(RT_ICON, MAKEINTRESOURCEA(directory[i].id));
        ASSERT_NE(image.data, nullptr);
        const int size = kIcons[i].size;
        ASSERT_GE(image.size, DWORD(40 + 4 * size * size));
        // All-zero alpha would make Windows ignore the channel and fall back to the mask.
        bool clear = false, opaque = false;
        for (int p = 0; p < size * size; ++p) {
            const unsigned char alpha = image.data[40 + 4 * p + 3];
            clear = clear || alpha == 0;
            opaque = opaque || alpha == 255;
        }
        EXPECT_TRUE(clear);
        EXPECT_TRUE(opaque);
    }
}

TEST_F(ExeResources, WindowRuleTakesThe16ColourImages2And4) {
    const std::vector<IconEntry> directory = IconDirectory(Find(RT_GROUP_ICON, "DEFAULT_ICON"));
    ASSERT_EQ(directory.size(), size_t(kIconCount));
    EXPECT_EQ(ChooseIcon(directory, 32), 1);
    EXPECT_EQ(ChooseIcon(directory, 16), 3);
}

// ---- Cursor ----------------------------------------------------------------------------------

TEST_F(ExeResources, HandCursorIs32PixelMonochromeWithHotSpotOnTheFingertip) {
    const Bytes group = Find(RT_GROUP_CURSOR, MAKEINTRESOURCEA(IDC_LINK_HAND));
    ASSERT_GE(group.size, 6u + 14u);
    ASSERT_EQ(group.Word(2), 2) << "not a cursor group";
    ASSERT_EQ(group.Word(4), 1);
    const Bytes cursor = Find(RT_CURSOR, MAKEINTRESOURCEA(group.Word(6 + 12)));
    // A cursor image: hot spot x and y, then the bitmap.
    ASSERT_GE(cursor.size, 4u + 40u + 8u);
    EXPECT_EQ(cursor.Word(0), 6);
    EXPECT_EQ(cursor.Word(2), 1);
    BITMAPINFOHEADER header;
    std::memcpy(&header, cursor.data + 4, sizeof header);
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biWidth, 32);
    EXPECT_EQ(header.biHeight, 64);
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, 1);
    const DWORD rows = 4 * 32;
    ASSERT_EQ(cursor.size, 4u + 40u + 8u + 2 * rows);
    // The hot spot lies on the hand, not on a pixel that lets the screen through.
    const DWORD maskRow = 4 + 40 + 8 + rows + 4 * (31 - 1);
    EXPECT_EQ((cursor.data[maskRow + 6 / 8] >> (7 - 6 % 8)) & 1, 0);

    // And the system makes of it a cursor with that hot spot.
    HICON made = CreateIconFromResourceEx(const_cast<PBYTE>(cursor.data), cursor.size, FALSE,
                                          0x00030000, 0, 0, LR_DEFAULTCOLOR);
    ASSERT_NE(made, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(made, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 6u);
    EXPECT_EQ(info.yHotspot, 1u);
    if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    DestroyCursor(made);
}

// ---- Version block ---------------------------------------------------------------------------

class VersionBlock : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string ansi = BuiltToolPath();
        path_.assign(ansi.begin(), ansi.end());  // the build tree's path is plain ASCII
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path_.c_str(), &ignored);
        ASSERT_GT(size, 0u) << "no version block, error " << GetLastError();
        block_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path_.c_str(), 0, size, block_.data()));
    }

    // The value at `key`, or null if there is none.
    const void* Query(const std::wstring& key, UINT* length) {
        void* value = nullptr;
        *length = 0;
        if (!VerQueryValueW(block_.data(), key.c_str(), &value, length)) return nullptr;
        return value;
    }
    bool String(const std::wstring& name, std::wstring* text) {
        UINT length = 0;
        const void* value = Query(L"\\StringFileInfo\\080404B0\\" + name, &length);
        if (value == nullptr) return false;
        text->assign(static_cast<const wchar_t*>(value));
        return true;
    }

    std::wstring path_;
    std::vector<unsigned char> block_;
};

TEST_F(VersionBlock, FixedPartIs1000ForAWindowsApplication) {
    UINT length = 0;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(Query(L"\\", &length));
    ASSERT_NE(fixed, nullptr);
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, DWORD(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));
}

TEST_F(VersionBlock, OneTranslationChinesePrcUnicode) {
    UINT length = 0;
    const auto* pairs = static_cast<const WORD*>(Query(L"\\VarFileInfo\\Translation", &length));
    ASSERT_NE(pairs, nullptr);
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(pairs[0], 0x0804);
    EXPECT_EQ(pairs[1], 1200);
}

// Compared as UTF-16, so a wrong source code page in the resource compiler shows as a mismatch.
TEST_F(VersionBlock, StringsOfTheChineseTable) {
    const std::wstring product = L"Varnholt 注册表导入工具";
    struct Case {
        const wchar_t* name;
        std::wstring expected;
    };
    const Case exact[] = {
        {L"FileVersion", L"1.0.0.0"},
        {L"ProductVersion", L"1.0.0.0"},
        {L"ProductName", product},
        {L"FileDescription", product},
        {L"CompanyName", L"Orlenwick"},
        {L"OriginalFilename", L"VarnholtRegTool.exe"},
    };
    for (const Case& c : exact) {
        std::wstring text;
        EXPECT_TRUE(String(c.name, &text)) << "missing";
        EXPECT_TRUE(text == c.expected) << "wrong text in " << std::string(c.name, c.name + wcslen(c.name));
    }
    const Case containing[] = {
        {L"Comments", product},
        {L"LegalCopyright", L"Orlenwick"},
        {L"LegalCopyright", L"Varnholt 玩家社区"},
    };
    for (const Case& c : containing) {
        std::wstring text;
        EXPECT_TRUE(String(c.name, &text)) << "missing";
        EXPECT_NE(text.find(c.expected), std::wstring::npos)
            << "wrong text in " << std::string(c.name, c.name + wcslen(c.name));
    }
    std::wstring internal;
    EXPECT_TRUE(String(L"InternalName", &internal));
    EXPECT_FALSE(internal.empty());
}

// ---- Manifest --------------------------------------------------------------------------------

BOOL CALLBACK CountLanguage(HMODULE, LPCSTR, LPCSTR, WORD, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

TEST_F(ExeResources, ManifestAsksForCommonControls6AndAdministratorRights) {
    // Exactly one manifest: a second one (say, a toolchain's default) could be the one used.
    int languages = 0;
    EnumResourceLanguagesA(module_, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1), CountLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(languages, 1);

    const Bytes manifest = Find(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
    ASSERT_NE(manifest.data, nullptr);
    const std::string text(reinterpret_cast<const char*>(manifest.data), manifest.size);
    const char* const expected[] = {
        "name=\"Microsoft.Windows.Common-Controls\"",
        "version=\"6.0.0.0\"",
        "processorArchitecture=\"x86\"",
        "publicKeyToken=\"6595b64144ccf1df\"",
        "level=\"requireAdministrator\"",
        "uiAccess=\"false\"",
    };
    for (const char* piece : expected) {
        EXPECT_NE(text.find(piece), std::string::npos) << piece;
    }
}

}  // namespace
