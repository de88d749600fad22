// The resources of the built program file: the three icons and the version record.
#include "support/TempFolder.h"
#include "util/TextCodec.h"

#include "shell/MainWindow.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

std::wstring ProgramPath() {
    return BinFolder() + L"Keyloft.exe";
}

// Keyloft.exe mapped for reading its resources only; nothing of it runs.
struct ProgramFile {
    ProgramFile()
        : Module(LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~ProgramFile() {
        if (Module)
            FreeLibrary(Module);
    }
    ProgramFile(const ProgramFile&) = delete;
    ProgramFile& operator=(const ProgramFile&) = delete;

    HMODULE Module;
};

// Layout of an RT_GROUP_ICON resource: a header and one entry per image.
#pragma pack(push, 2)
struct GroupIconHeader {
    WORD Reserved;
    WORD Type;
    WORD Count;
};
struct GroupIconEntry {
    BYTE Width;
    BYTE Height;
    BYTE ColorCount;
    BYTE Reserved;
    WORD Planes;
    WORD BitCount;
    DWORD BytesInRes;
    WORD Id;
};
#pragma pack(pop)

// Resource types by number: RT_ICON and RT_GROUP_ICON.
const LPCSTR IconType = MAKEINTRESOURCEA(3);
const LPCSTR IconGroupType = MAKEINTRESOURCEA(14);

std::string ResourceBytes(HMODULE module, LPCSTR name, LPCSTR type) {
    HRSRC info = FindResourceA(module, name, type);
    if (!info)
        return std::string();
    HGLOBAL loaded = LoadResource(module, info);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return std::string();
    return std::string(static_cast<const char*>(data), SizeofResource(module, info));
}

// The entries of an icon group; empty when the group is missing or cut short.
std::vector<GroupIconEntry> GroupEntries(HMODULE module, LPCSTR name) {
    const std::string bytes = ResourceBytes(module, name, IconGroupType);
    if (bytes.size() < sizeof(GroupIconHeader))
        return {};
    GroupIconHeader header;
    std::memcpy(&header, bytes.data(), sizeof(header));
    if (bytes.size() < sizeof(header) + header.Count * sizeof(GroupIconEntry))
        return {};
    std::vector<GroupIconEntry> entries(header.Count);
    std::memcpy(entries.data(), bytes.data() + sizeof(header),
                header.Count * sizeof(GroupIconEntry));
    return entries;
}

struct Pixel {
    int R, G, B, A;
    bool operator==(const Pixel& other) const {
        return R == other.R && G == other.G && B == other.B && A == other.A;
    }
};

void PrintTo(const Pixel& p, std::ostream* out) {
    *out << "rgba(" << p.R << "," << p.G << "," << p.B << "," << p.A << ")";
}

// One decoded icon image, rows from the top.
struct Image {
    int Size = 0;
    std::vector<Pixel> Pixels;
    const Pixel& At(int x, int y) const { return Pixels[y * Size + x]; }
};

// Decodes the 32-bit image of the given size from an icon group; Size stays 0 when the group
// has no such image or the image is not a 32-bit bitmap of that size.
Image IconImage(HMODULE module, LPCSTR name, int size) {
    Image image;
    for (const GroupIconEntry& entry : GroupEntries(module, name)) {
        const int width = entry.Width ? entry.Width : 256;
        if (width != size)
            continue;
        const std::string bytes = ResourceBytes(module, MAKEINTRESOURCEA(entry.Id), IconType);
        if (bytes.size() < sizeof(BITMAPINFOHEADER))
            return image;
        BITMAPINFOHEADER header;
        std::memcpy(&header, bytes.data(), sizeof(header));
        const size_t colourBytes = static_cast<size_t>(size) * size * 4;
        if (header.biSize < sizeof(header) || header.biWidth != size ||
            header.biHeight != 2 * size || header.biBitCount != 32 ||
            header.biCompression != BI_RGB || bytes.size() < header.biSize + colourBytes)
            return image;
        const unsigned char* rows =
            reinterpret_cast<const unsigned char*>(bytes.data()) + header.biSize;
        image.Size = size;
        image.Pixels.resize(size * size);
        for (int y = 0; y < size; ++y) {
            const unsigned char* row = rows + (size - 1 - y) * size * 4; // stored bottom-up
            for (int x = 0; x < size; ++x) {
                const unsigned char* p = row + x * 4;
                image.Pixels[y * size + x] = Pixel{p[2], p[1], p[0], p[3]};
            }
        }
        return image;
    }
    return image;
}

// Hue in degrees (0 to 360) and saturation (0 to 1) of a colour, as in the HSV model.
double Hue(const Pixel& p) {
    const int high = std::max({p.R, p.G, p.B});
    const int low = std::min({p.R, p.G, p.B});
    if (high == low)
        return 0;
    double hue;
    if (high == p.R)
        hue = 60.0 * (p.G - p.B) / (high - low);
    else if (high == p.G)
        hue = 60.0 * (p.B - p.R) / (high - low) + 120;
    else
        hue = 60.0 * (p.R - p.G) / (high - low) + 240;
    return hue < 0 ? hue + 360 : hue;
}

double Saturation(const Pixel& p) {
    const int high = std::max({p.R, p.G, p.B});
    const int low = std::min({p.R, p.G, p.B});
    return high == 0 ? 0 : static_cast<double>(high - low) / high;
}

double Brightness(const Pixel& p) {
    return 0.299 * p.R + 0.587 * p.G + 0.114 * p.B;
}

bool IsOrangeRed(const Pixel& p) {
    return p.A == 255 && Hue(p) < 25 && Saturation(p) >= 0.6 && std::max({p.R, p.G, p.B}) >= 150;
}

bool IsYellow(const Pixel& p) {
    return p.A == 255 && Hue(p) >= 40 && Hue(p) <= 70 && Saturation(p) >= 0.5 &&
           std::max({p.R, p.G, p.B}) >= 200;
}

// How many pixels pass a test, and where they lie on average (x to the right, y downwards).
struct Spread {
    int Count = 0;
    double X = 0;
    double Y = 0;
};

template <typename Test> Spread SpreadOf(const Image& image, Test test) {
    Spread spread;
    for (int y = 0; y < image.Size; ++y)
        for (int x = 0; x < image.Size; ++x)
            if (test(image.At(x, y))) {
                ++spread.Count;
                spread.X += x;
                spread.Y += y;
            }
    if (spread.Count) {
        spread.X /= spread.Count;
        spread.Y /= spread.Count;
    }
    return spread;
}

int CountAlpha(const Image& image, int alpha) {
    int count = 0;
    for (const Pixel& p : image.Pixels)
        count += p.A == alpha;
    return count;
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR list) {
    reinterpret_cast<std::vector<std::wstring>*>(list)->push_back(
        IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<UINT_PTR>(name))
                             : std::wstring(name));
    return TRUE;
}

struct IconCase {
    const char* Name; // as the program loads it
    std::vector<int> Sizes;
};

const IconCase IconCases[] = {
    {"MAINICON", {16, 32}},
    {"zOPPOSITE", {16}},
    {"zGRAY", {16}},
};

} // namespace

TEST(Resources, IconGroupsHoldTheirSizesAt32BitsPerPixel) {
    ProgramFile program;
    ASSERT_NE(program.Module, nullptr) << "cannot map " << ToAnsi(ProgramPath());
    for (const IconCase& icon : IconCases) {
        SCOPED_TRACE(icon.Name);
        const std::vector<GroupIconEntry> entries = GroupEntries(program.Module, icon.Name);
        ASSERT_EQ(entries.size(), icon.Sizes.size());
        for (int size : icon.Sizes) {
            SCOPED_TRACE(size);
            const auto entry =
                std::find_if(entries.begin(), entries.end(), [size](const GroupIconEntry& e) {
                    return e.Width == size && e.Height == size;
                });
            ASSERT_NE(entry, entries.end()) << "no image of this size";
            EXPECT_EQ(entry->BitCount, 32);
            EXPECT_EQ(entry->Planes, 1);
            EXPECT_EQ(entry->BytesInRes,
                      ResourceBytes(program.Module, MAKEINTRESOURCEA(entry->Id), IconType).size());
            const Image image = IconImage(program.Module, icon.Name, size);
            EXPECT_EQ(image.Size, size) << "not a 32-bit bitmap of its listed size";
        }
    }
}

TEST(Resources, IconsLoadAsImagesOfEachSize) {
    ProgramFile program;
    ASSERT_NE(program.Module, nullptr);
    for (const IconCase& icon : IconCases) {
        for (int size : icon.Sizes) {
            SCOPED_TRACE(std::string(icon.Name) + " " + std::to_string(size));
            HICON handle = static_cast<HICON>(
                LoadImageA(program.Module, icon.Name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
            ASSERT_NE(handle, nullptr);
            ICONINFO info{};
            ASSERT_TRUE(GetIconInfo(handle, &info));
            EXPECT_TRUE(info.fIcon);
            ASSERT_NE(info.hbmColor, nullptr);
            BITMAP bitmap{};
            GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
            EXPECT_EQ(bitmap.bmWidth, size);
            EXPECT_EQ(bitmap.bmHeight, size);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(handle);
        }
    }
}

// The program loads its icons from its own module with LoadIconA and these names; this test
// program links the same resource script, so the same calls must find them here.
TEST(Resources, ProgramsOwnIconCallsFindTheIcons) {
    for (const IconCase& icon : IconCases) {
        SCOPED_TRACE(icon.Name);
        EXPECT_NE(LoadIconA(GetModuleHandleW(nullptr), icon.Name), nullptr);
    }
}

// The shell shows a program file's first icon group as its icon.
TEST(Resources, MainIconIsTheFirstIconGroup) {
    ProgramFile program;
    ASSERT_NE(program.Module, nullptr);
    std::vector<std::wstring> names;
    EnumResourceNamesW(program.Module, MAKEINTRESOURCEW(14), CollectName,
                       reinterpret_cast<LONG_PTR>(&names));
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], L"MAINICON");
}

TEST(Resources, MainIconIsAnOrangeRedRocketFlyingUpRightWithAYellowFlame) {
    ProgramFile program;
    ASSERT_NE(program.Module, nullptr);
    for (int size : {16, 32}) {
        SCOPED_TRACE(size);
        const Image image = IconImage(program.Module, "MAINICON", size);
        ASSERT_EQ(image.Size, size);
        // A real alpha channel: a transparent background around an opaque picture.
        EXPECT_EQ(image.At(0, 0).A, 0);
        EXPECT_EQ(image.At(size - 1, size - 1).A, 0);
        const int transparent = CountAlpha(image, 0);
        const int opaque = CountAlpha(image, 255);
        EXPECT_GE(transparent, size * size / 3);
        EXPECT_GE(opaque, size * size / 5);

        const Spread body = SpreadOf(image, IsOrangeRed);
        const Spread flame = SpreadOf(image, IsYellow);
        EXPECT_GE(body.Count, opaque / 3) << "mostly orange-red";
        EXPECT_GE(flame.Count, size / 4) << "a yellow flame";
        // The flame trails at the lower left of the body, so the rocket heads up and right.
        EXPECT_LT(flame.X, body.X - size / 8.0);
        EXPECT_GT(flame.Y, body.Y + size / 8.0);
    }
}

TEST(Resources, OppositeIconIsTheMainIconMirroredToFlyDownLeft) {
    ProgramFile program;
    ASSERT_NE(program.Module, nullptr);
    const Image main = IconImage(program.Module, "MAINICON", 16);
    const Image opposite = IconImage(program.Module, "zOPPOSITE", 16);
    ASSERT_EQ(main.Size, 16);
    ASSERT_EQ(opposite.Size, 16);
    // Mirrored across the diagonal from the top left corner to the bottom right one: nose and
    // flame swap corners, and the rocket keeps its place and its lit side.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(opposite.At(x, y), main.At(y, x)) << "at " << x << "," << y;

    const Spread body = SpreadOf(opposite, IsOrangeRed);
    const Spread flame = SpreadOf(opposite, IsYellow);
    ASSERT_GT(flame.Count, 0);
    EXPECT_GT(flame.X, body.X + 2);
    EXPECT_LT(flame.Y, body.Y - 2);
}

TEST(Resources, GrayIconIsTheMainPictureInMutedGreyBrown) {
    ProgramFile program;
    ASSERT_NE(program.Module, nullptr);
    const Image main = IconImage(program.Module, "MAINICON", 16);
    const Image gray = IconImage(program.Module, "zGRAY", 16);
    ASSERT_EQ(main.Size, 16);
    ASSERT_EQ(gray.Size, 16);

    double red = 0, green = 0, blue = 0, flameLight = 0, bodyLight = 0;
    int opaque = 0, vivid = 0, flamePixels = 0, bodyPixels = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const Pixel& g = gray.At(x, y);
            const Pixel& m = main.At(x, y);
            ASSERT_EQ(g.A, m.A) << "same outline, at " << x << "," << y;
            if (g.A == 0)
                continue;
            vivid += Saturation(g) > 0.35;
            ++opaque;
            red += g.R;
            green += g.G;
            blue += g.B;
            if (IsYellow(m)) {
                flameLight += Brightness(g);
                ++flamePixels;
            } else if (IsOrangeRed(m)) {
                bodyLight += Brightness(g);
                ++bodyPixels;
            }
        }
    }
    ASSERT_GT(opaque, 0);
    EXPECT_EQ(vivid, 0) << "pixels too colourful for muted tones";
    // Warm grey: red over green over blue on average, and visibly so.
    EXPECT_GE(red, green);
    EXPECT_GE(green, blue);
    EXPECT_GE((red - blue) / opaque, 10);
    // The same picture: the flame stays lighter than the body.
    ASSERT_GT(flamePixels, 0);
    ASSERT_GT(bodyPixels, 0);
    EXPECT_GT(flameLight / flamePixels, bodyLight / bodyPixels + 30);
}

TEST(Resources, VersionRecordHasTheFixedVersionsOfAnApplication) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(ProgramPath().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(ProgramPath().c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1252);
}

TEST(Resources, VersionRecordStrings) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(ProgramPath().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(ProgramPath().c_str(), 0, size, block.data()));
    // The string's text up to its end, or "(missing)".
    const auto value = [&](const std::wstring& name) -> std::wstring {
        wchar_t* text = nullptr;
        UINT length = 0;
        const std::wstring path = L"\\StringFileInfo\\040904E4\\" + name;
        if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) ||
            !text)
            return L"(missing)";
        return std::wstring(text, wcsnlen(text, length));
    };

    const struct {
        const wchar_t* Name;
        const wchar_t* Text;
    } strings[] = {
        {L"FileDescription", L"Keyloft - keyboard mapper for Genius ErgoMedia 700"},
        {L"FileVersion", L"1.0.0.0"},
        {L"ProductVersion", L"1.0.0.0"},
        {L"OriginalFilename", L"Keyloft.exe"},
        {L"ProductName", L"Keyloft"},
        {L"CompanyName", L""},
        {L"InternalName", L""},
        {L"LegalTrademarks", L""},
    };
    for (const auto& s : strings)
        EXPECT_EQ(value(s.Name), s.Text) << ToAnsi(s.Name);

    const std::wstring author = value(L"Author");
    EXPECT_NE(author, L"(missing)");
    EXPECT_FALSE(author.empty());
    const std::wstring homepage = value(L"Homepage");
    EXPECT_EQ(homepage.rfind(L"http://", 0), 0u) << "an http address";
    const std::string opened = HomepageUrl; // what the Help button opens
    EXPECT_EQ(homepage, std::wstring(opened.begin(), opened.end()));
}
