// A launcher made by the builder, read back by Windows' own functions.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include "testkit.h"

namespace {

void add16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back((uint8_t)v);
    b.push_back((uint8_t)(v >> 8));
}
void add32(std::vector<uint8_t>& b, uint32_t v) {
    add16(b, v);
    add16(b, v >> 16);
}

// A bitmap info header and `w` x `h` pixels of 32 bits, all of `colour`.
std::vector<uint8_t> dib(int w, int h, uint32_t colour, bool forIcon) {
    std::vector<uint8_t> d;
    for (uint32_t v : {40u, (uint32_t)w, (uint32_t)(forIcon ? 2 * h : h)}) add32(d, v);
    add16(d, 1);
    add16(d, 32);
    for (int i = 0; i < 6; ++i) add32(d, 0);
    for (int i = 0; i < w * h; ++i) add32(d, colour);
    if (forIcon)
        for (int i = 0; i < h * 4; ++i) d.push_back(0);  // the AND mask, 32 bits a row
    return d;
}

std::vector<uint8_t> bmpFile(int w, int h, uint32_t colour) {
    std::vector<uint8_t> info = dib(w, h, colour, false), f = {'B', 'M'};
    add32(f, (uint32_t)(14 + info.size()));
    add32(f, 0);
    add32(f, 14 + 40);
    f.insert(f.end(), info.begin(), info.end());
    return f;
}

std::vector<uint8_t> icoFile(uint32_t colour) {
    std::vector<uint8_t> image = dib(32, 32, colour, true), f;
    add16(f, 0);
    add16(f, 1);
    add16(f, 1);
    f.insert(f.end(), {32, 32, 0, 0});
    add16(f, 1);
    add16(f, 32);
    add32(f, (uint32_t)image.size());
    add32(f, 6 + 16);
    f.insert(f.end(), image.begin(), image.end());
    return f;
}

std::string queryVersion(const std::vector<char>& block, const char* path) {
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), path, (void**)&value, &length)) return "(none)";
    return std::string(value);
}

}  // namespace

TEST(Builder, EveryResourceReadsBackThroughWindows) {
    ScratchDir dir("builder");
    std::string exe = dir / "product.exe";
    LauncherPlan plan;
    plan.strings[122] = "com.example.Main";
    plan.strings[101] = "Pr\xC3\xBC" "fung";  // UTF-8 in the project file
    plan.icon = icoFile(0xFF0000FF);
    plan.splashIcon = icoFile(0xFF00FF00);
    plan.splashBitmap = bmpFile(3, 2, 0x00123456);
    plan.includeGiven = true;
    plan.included = {{"a.jar", {'P', 'K', 0, 1, 2}}, {"empty.jar", {}}};
    plan.version.present = true;
    plan.version.fileVersion[0] = 2;
    plan.version.fileVersion[3] = 7;
    plan.version.texts = {{"CompanyName", "Orvan Ltd"}, {"FileVersion", "2.0.0.7"}};
    makeLauncher(exe, plan);

    HMODULE m = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(m);
    char text[64];
    ASSERT_GT(LoadStringA(m, 122, text, sizeof text), 0);
    EXPECT_STREQ("com.example.Main", text);
    wchar_t wide[64];
    LoadStringW(m, 101, wide, 64);
    EXPECT_EQ(std::wstring(L"Pr\u00FCfung"), wide);
    LoadStringA(m, 2003, text, sizeof text);
    EXPECT_STREQ("a.jar;empty.jar", text);
    LoadStringA(m, 2002, text, sizeof text);
    EXPECT_STREQ("2", text);
    for (int i = 0; i < 2; ++i) {
        HRSRC r = FindResourceA(m, ("ID_FILE_" + std::to_string(i)).c_str(), "APPFILES");
        ASSERT_TRUE(r) << i;
        const uint8_t* data = (const uint8_t*)LockResource(LoadResource(m, r));
        std::vector<uint8_t> got(data, data + SizeofResource(m, r));
        EXPECT_EQ(plan.included[i].bytes, got) << i;
    }
    HBITMAP bitmap = (HBITMAP)LoadImageA(m, "ID_SPLASH_BMP", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    ASSERT_TRUE(bitmap);
    BITMAP info;
    GetObjectA(bitmap, sizeof info, &info);
    EXPECT_EQ(3, info.bmWidth);
    EXPECT_EQ(2, info.bmHeight);
    DeleteObject(bitmap);
    EXPECT_TRUE(FindResourceA(m, "ID_SPLASH_ICON", (LPCSTR)RT_GROUP_ICON));
    FreeLibrary(m);

    HICON large = nullptr;
    EXPECT_EQ(2u, ExtractIconExA(exe.c_str(), -1, nullptr, nullptr, 0)) << "the program's icon and the splash icon";
    ASSERT_EQ(1u, ExtractIconExA(exe.c_str(), 0, &large, nullptr, 1));
    ICONINFO icon;
    ASSERT_TRUE(GetIconInfo(large, &icon));
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, icon.hbmColor);
    EXPECT_EQ(RGB(0, 0, 255), GetPixel(dc, 5, 5) & 0xFFFFFF) << "the first group is the program's icon";
    DeleteDC(dc);
    DeleteObject(icon.hbmColor);
    DeleteObject(icon.hbmMask);
    DestroyIcon(large);

    DWORD handle = 0, size = GetFileVersionInfoSizeA(exe.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, block.data()));
    EXPECT_EQ("Orvan Ltd", queryVersion(block, "\\StringFileInfo\\040904B0\\CompanyName"));
    EXPECT_EQ("2.0.0.7", queryVersion(block, "\\StringFileInfo\\040904B0\\FileVersion"));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", (void**)&fixed, &length));
    EXPECT_EQ(0x00020000u, fixed->dwFileVersionMS);
    EXPECT_EQ(0x00000007u, fixed->dwFileVersionLS);
}

// Run by builder-cli-test.sh with the launcher it signed.
TEST(Builder, ASignedLauncherStillReadsBack) {
    const char* signedExe = getenv("TARVO_SIGNED");
    if (!signedExe) GTEST_SKIP() << "only with a signed launcher";
    std::map<unsigned, std::string> table;
    std::string error;
    ASSERT_TRUE(readConfiguration(signedExe, &table, &error)) << error;
    EXPECT_EQ("Vuvudozid", table[122]);
    EXPECT_EQ("app.jar", table[2003]);
    HMODULE m = LoadLibraryExA(signedExe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(m);
    HRSRC r = FindResourceA(m, "ID_FILE_0", "APPFILES");
    ASSERT_TRUE(r);
    EXPECT_EQ("jar bytes", std::string((const char*)LockResource(LoadResource(m, r)), SizeofResource(m, r)));
    FreeLibrary(m);
}
