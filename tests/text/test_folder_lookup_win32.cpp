// The folder look-up over the shell's folder ids and the system's directories.
#include "code_page.h"
#include "scoped_desktop.h"
#include "text_helpers.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

namespace {

Text gbk_path(const std::filesystem::path& path)
{
    const std::wstring wide = path.wstring();
    return utf16_to_gbk(std::u16string(wide.begin(), wide.end()));
}

TEST(SpecialFolders, DesktopOfTheProfile)
{
    ScopedDesktop desktop;
    ASSERT_FALSE(desktop.path().empty());
    EXPECT_EQ(special_folder_path(), gbk_path(desktop.path()) + "\\");
    EXPECT_EQ(special_folder_path(3), special_folder_path());
    EXPECT_EQ(special_folder_path(0), special_folder_path());
    std::filesystem::remove(desktop.path());
    EXPECT_EQ(special_folder_path(3), "") << "a desktop that does not exist is not found";
}

TEST(SpecialFolders, KindsOutsideTheRange)
{
    EXPECT_EQ(special_folder_path(13), "");
    EXPECT_EQ(special_folder_path(-1), "");
}

TEST(SpecialFolders, SystemDirectoriesEndInOneBackslash)
{
    wchar_t windows[MAX_PATH] = {};
    wchar_t system[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(special_folder_path(9), gbk_path(windows) + "\\");
    EXPECT_EQ(special_folder_path(10), gbk_path(system) + "\\");
    const Text temporary = special_folder_path(11);
    ASSERT_FALSE(temporary.empty());
    EXPECT_EQ(temporary.back(), '\\');
    EXPECT_NE(temporary[temporary.size() - 2], '\\') << "the temporary folder brings its own";
}

TEST(SpecialFolders, ChineseDesktopNameComesInCodePage936)
{
    ScopedDesktop desktop(L"\u684C\u9762");  // 桌面
    ASSERT_FALSE(desktop.path().empty());
    const Text path = special_folder_path(3);
    EXPECT_EQ(path, gbk_path(desktop.path()) + "\\");
    EXPECT_NE(path.find("\\\xD7\xC0\xC3\xE6\\"), Text::npos) << path;
}

}  // namespace
