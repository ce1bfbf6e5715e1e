// The folder look-up over the XDG user folders and base directories.
#include "scoped_env.h"
#include "temp_dir.h"
#include "text_helpers.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// Points HOME at a fresh temporary folder and clears the XDG variables; the
// environment comes back as it was afterwards.
class SpecialFolders : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(temp_.path().empty());
        root_ = temp_.path().string();
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                 "XDG_DESKTOP_DIR", "XDG_DOCUMENTS_DIR", "TMPDIR"})
            environment_.push_back(std::make_unique<ScopedEnv>(name, std::nullopt));
        environment_.push_back(std::make_unique<ScopedEnv>("HOME", root_));
    }

    // Makes a folder under the temporary root; gives its path.
    std::string folder(const std::string& relative)
    {
        const std::string path = root_ + "/" + relative;
        std::filesystem::create_directories(path);
        return path;
    }

    void write_user_dirs(const std::string& config_home, const std::string& content)
    {
        std::ofstream(config_home + "/user-dirs.dirs") << content;
    }

    TempDir temp_;
    std::string root_;
    std::vector<std::unique_ptr<ScopedEnv>> environment_;
};

TEST_F(SpecialFolders, DesktopFallsBackToHomeDesktop)
{
    folder("Desktop");
    EXPECT_EQ(special_folder_path(), root_ + "/Desktop/");
    EXPECT_EQ(special_folder_path(3), special_folder_path());
    EXPECT_EQ(special_folder_path(0), special_folder_path());
}

TEST_F(SpecialFolders, KindsOutsideTheRangeAndMissingFolders)
{
    folder("Desktop");
    EXPECT_EQ(special_folder_path(13), "");
    EXPECT_EQ(special_folder_path(-1), "");
    std::filesystem::remove(root_ + "/Desktop");
    EXPECT_EQ(special_folder_path(3), "") << "a desktop that does not exist is not found";
    EXPECT_FALSE(std::filesystem::exists(root_ + "/Desktop")) << "nor made unless asked";
}

// Asked to, a missing folder is made, as file managers make the desktop.
TEST_F(SpecialFolders, MissingFoldersMadeOnRequest)
{
    std::ofstream(root_ + "/a-file") << "x";
    // clang-format off
    struct Case { std::string desktop; std::string expected; bool made; const char* why; };
    const Case cases[] = {
        {root_ + "/new/Desktop", root_ + "/new/Desktop/", true, "made with its parents"},
        {root_ + "/a-file/Desktop", "", false, "a file in the way"},
        {root_ + "/\xF0\x9F\x98\x80", "", false, "a name code page 936 cannot spell is not made"},
    };
    // clang-format on
    for (const Case& c : cases) {
        setenv("XDG_DESKTOP_DIR", c.desktop.c_str(), 1);
        EXPECT_EQ(special_folder_path(3, true), c.expected) << c.why;
        EXPECT_EQ(std::filesystem::is_directory(c.desktop), c.made) << c.why;
    }
    EXPECT_EQ(special_folder_path(13, true), "") << "no folder for an unknown kind";
}

TEST_F(SpecialFolders, DesktopFromUserDirsFile)
{
    const std::string config = folder("config");
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    folder("Desktop");
    folder("\xE6\xA1\x8C\xE9\x9D\xA2");  // a Chinese name, as the user-dirs tool makes
    write_user_dirs(config,
                    "# written by the user-dirs tool\n"
                    "XDG_DOCUMENTS_DIR=\"$HOME/Desktop\"\n"
                    "XDG_DESKTOP_DIR=\"$HOME/\xE6\xA1\x8C\xE9\x9D\xA2\"\n");
    EXPECT_EQ(special_folder_path(3), root_ + "/\xD7\xC0\xC3\xE6/") << "returned in code page 936";

    const std::string absolute = folder("elsewhere/desk");
    write_user_dirs(config, "XDG_DESKTOP_DIR=\"" + absolute + "\"\n");
    EXPECT_EQ(special_folder_path(3), absolute + "/");

    const std::string from_environment = folder("env-desk");
    setenv("XDG_DESKTOP_DIR", from_environment.c_str(), 1);
    EXPECT_EQ(special_folder_path(3), from_environment + "/") << "the environment comes first";
}

TEST_F(SpecialFolders, UserDirsUnderTheDefaultConfigFolder)
{
    const std::string config = folder(".config");
    folder("d\xC3\xA9sk top");
    write_user_dirs(config, "XDG_DESKTOP_DIR=\"$HOME/d\xC3\xA9sk top\"\n");
    EXPECT_EQ(special_folder_path(3), root_ + "/d\xA8\xA6sk top/");
}

TEST_F(SpecialFolders, PathCodePage936CannotSpell)
{
    setenv("XDG_DESKTOP_DIR", folder("\xF0\x9F\x98\x80").c_str(), 1);
    EXPECT_EQ(special_folder_path(3), "");
}

TEST_F(SpecialFolders, EveryKind)
{
    setenv("XDG_CONFIG_HOME", folder("config").c_str(), 1);
    setenv("XDG_DATA_HOME", folder("data").c_str(), 1);
    setenv("XDG_CACHE_HOME", folder("cache").c_str(), 1);
    setenv("XDG_DOCUMENTS_DIR", folder("docs").c_str(), 1);
    setenv("TMPDIR", (folder("tmp") + "//").c_str(), 1);
    folder("Favorites");
    folder("Desktop");
    folder("data/fonts");
    folder("data/applications");
    folder("config/autostart");

    struct Case {
        int kind;
        std::string expected;
    };
    const Case cases[] = {
        {1, root_ + "/docs/"},
        {2, root_ + "/Favorites/"},
        {3, root_ + "/Desktop/"},
        {4, root_ + "/data/fonts/"},
        {5, root_ + "/data/applications/"},
        {6, root_ + "/data/applications/"},
        {7, root_ + "/config/autostart/"},
        {8, root_ + "/data/"},
        {9, "/usr/"},
        {10, "/usr/lib/"},
        {11, root_ + "/tmp/"},
        {12, root_ + "/cache/"},
    };
    for (const auto& c : cases) EXPECT_EQ(special_folder_path(c.kind), c.expected) << c.kind;
}

TEST_F(SpecialFolders, DefaultsUnderHome)
{
    folder(".local/share/applications");
    folder(".cache");
    folder(".config/autostart");
    EXPECT_EQ(special_folder_path(8), root_ + "/.local/share/");
    EXPECT_EQ(special_folder_path(5), root_ + "/.local/share/applications/");
    EXPECT_EQ(special_folder_path(7), root_ + "/.config/autostart/");
    EXPECT_EQ(special_folder_path(12), root_ + "/.cache/");
    EXPECT_EQ(special_folder_path(11), "/tmp/");
    EXPECT_EQ(special_folder_path(1), "") << "no Documents folder";
    EXPECT_EQ(special_folder_path(2), "") << "no Favorites folder";
    const bool system_fonts = std::filesystem::is_directory("/usr/share/fonts");
    EXPECT_EQ(special_folder_path(4), system_fonts ? "/usr/share/fonts/" : "");

    setenv("XDG_DATA_HOME", "relative/data", 1);
    EXPECT_EQ(special_folder_path(8), root_ + "/.local/share/") << "a relative path is ignored";
}

}  // namespace
