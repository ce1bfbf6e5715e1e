// What the two programs carry besides their code, read from the .exe files as
// Windows reads them: the manifest, the icon and the version.
#include "support/icon_size.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace {

struct Program {
    const char* path;  // of the Linux side
    const wchar_t* file_name;
};

void PrintTo(const Program& program, std::ostream* out)
{
    *out << std::string(program.file_name, program.file_name + std::wcslen(program.file_name));
}

const Program programs[] = {{PELVARO_WINDOW_PROGRAM, L"pelvaro.exe"},
                            {PELVARO_COMMAND_PROGRAM, L"pelvaro-cli.exe"}};

std::wstring windows_path(const char* path)
{
    std::wstring wide = L"Z:";
    for (const char* c = path; *c; ++c) wide += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return wide;
}

class ProgramResources : public testing::TestWithParam<Program> {
protected:
    void SetUp() override
    {
        path = windows_path(GetParam().path);
        module = LoadLibraryExW(path.c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module, nullptr) << "cannot open " << GetParam().path;
    }
    void TearDown() override
    {
        if (module) FreeLibrary(module);
    }

    std::wstring path;
    HMODULE module = nullptr;
};

TEST_P(ProgramResources, ManifestAsksForCurrentControlsAndPerMonitorScaling)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(found, nullptr) << "no manifest";
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    const std::string manifest(bytes, SizeofResource(module, found));
    for (const char* wanted :
         {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
          ">PerMonitorV2, PerMonitor</dpiAwareness>", ">true/pm</dpiAware>",
          "level=\"asInvoker\"",
          "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"})  // Windows 10 and 11
        EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted;
}

// The sizes of the icon's own pictures, as its group directory lists them.
std::set<int> icon_picture_sizes(HMODULE module)
{
#pragma pack(push, 2)
    struct DirectoryEntry {
        BYTE width;  // 0 for 256
        BYTE height;
        BYTE colours;
        BYTE reserved;
        WORD planes;
        WORD bits_per_pixel;
        DWORD bytes;
        WORD id;
    };
#pragma pack(pop)
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    if (!found) return {};
    const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    const WORD count = reinterpret_cast<const WORD*>(directory)[2];
    const auto* entries = reinterpret_cast<const DirectoryEntry*>(directory + 3 * sizeof(WORD));
    std::set<int> sizes;
    for (WORD i = 0; i < count; ++i) sizes.insert(entries[i].width == 0 ? 256 : entries[i].width);
    return sizes;
}

// LoadImage stretches the nearest picture to any size asked for, so each size
// must also have a picture of its own.
TEST_P(ProgramResources, IconComesAtTheSizesTheShellAsksFor)
{
    const std::set<int> pictures = icon_picture_sizes(module);
    for (const int size : {16, 24, 32, 48, 256}) {
        EXPECT_EQ(pictures.count(size), 1u) << size << " px has no picture of its own";
        auto icon = static_cast<HICON>(
            LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        ASSERT_NE(icon, nullptr) << size << " px";
        EXPECT_EQ(icon_size(icon).cx, size);
        EXPECT_EQ(icon_size(icon).cy, size);
        DestroyIcon(icon);
    }
}

TEST_P(ProgramResources, VersionIsTheProjectsOne)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource";
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(PELVARO_VERSION_MINOR, PELVARO_VERSION_MAJOR));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, PELVARO_VERSION_PATCH));

    auto text = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT characters = 0;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        if (!VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &characters))
            return std::wstring();
        return std::wstring(value);
    };
    EXPECT_EQ(text(L"ProductName"), L"Pelvaro");
    EXPECT_EQ(text(L"FileVersion"), L"" PELVARO_VERSION_TEXT);
    EXPECT_EQ(text(L"ProductVersion"), L"" PELVARO_VERSION_TEXT);
    EXPECT_EQ(text(L"OriginalFilename"), GetParam().file_name);
    EXPECT_FALSE(text(L"FileDescription").empty());
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, ProgramResources, testing::ValuesIn(programs),
                         [](const testing::TestParamInfo<Program>& info) {
                             return info.index == 0 ? std::string("Window") : std::string("Command");
                         });

}  // namespace
