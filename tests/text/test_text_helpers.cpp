#include "text_helpers.h"
#include "text_types.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

// "#引号" in code page 936: a caller's way to write a double quote in a marker.
const Text quote_word = "#\xD2\xFD\xBA\xC5";

}  // namespace

TEST(TextBefore, Cases)
{
    struct Case {
        Text text, marker;
        int start;
        bool ignore_case;
        Text expected;
        const char* why;
    };
    const Case cases[] = {
        {"Set-Cookie: a=1", ": ", 0, false, "Set-Cookie", "header name"},
        {"Set-Cookie a=1", ": ", 0, false, "", "no marker"},
        {"a-bcd-ef", "-", 4, false, "a-bcd", "from start 4, still counted from position 1"},
        {"a-bcd-ef", "-", -3, false, "a", "negative start searches from the first byte"},
        {": x", ": ", 0, false, "", "marker at position 1"},
        {"abcXdef", "x", 0, false, "", "case counts by default"},
        {"abcXdef", "x", 0, true, "abc", "ignore_case"},
        {"\xB0\x2D-", "-", 0, false, "\xB0\x2D", "a second byte is not a marker"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text_before(c.text, c.marker, c.start, c.ignore_case), c.expected) << c.why;
}

TEST(TextBetween, Cases)
{
    const Text page =
        "<script>var hyPlayerConfig = {\"stream\": {\"data\" : [ 1 ],\r\n \"x\": 2 "
        "};\r\n};</script>";
    struct Case {
        Text text, begin, end;
        int start;
        bool ignore_case;
        Text expected;
        const char* why;
    };
    const Case cases[] = {
        {page, "\"stream\":", "};", 0, false, " {\"data\" : [ 1 ],\r\n \"x\": 2 ",
         "the page's description, spaces and line breaks kept"},
        {"x \"abc\" \"d\"", "\"", "\"", 0, false, "abc", "between the first two double quotes"},
        {"x \"abc\" \"d\"", quote_word, quote_word, 0, false, "abc", "#引号 stands for a quote"},
        {"a=\"1\"", "a=" + quote_word, quote_word, 0, false, "1", "#引号 inside a longer marker"},
        {"end] [begin", "[", "]", 0, false, "", "end only before begin"},
        {"[]", "[", "]", 0, false, "", "markers that touch"},
        {"(a)(b)", "(", ")", 3, false, "b", "from a later start"},
        {"(a", "(", ")", 0, false, "", "no end"},
        {"a)", "(", ")", 0, false, "", "no begin"},
        {"<B>x</b>", "<b>", "</B>", 0, true, "x", "ignore_case on both markers"},
        {"<B>x</b>", "<b>", "</B>", 0, false, "", "case counts by default"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text_between(c.text, c.begin, c.end, c.start, c.ignore_case), c.expected)
            << c.why;
}

// Points HOME and the XDG variables at a fresh temporary folder; puts back the
// environment afterwards.
class SpecialFolders : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : variables) {
            const char* value = getenv(name);
            saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
        std::string pattern = (std::filesystem::temp_directory_path() / "pelvaro-folders-XXXXXX");
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        setenv("HOME", root_.c_str(), 1);
    }

    void TearDown() override
    {
        for (std::size_t i = 0; i < std::size(variables); ++i) {
            if (saved_[i])
                setenv(variables[i], saved_[i]->c_str(), 1);
            else
                unsetenv(variables[i]);
        }
        std::filesystem::remove_all(root_);
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

    static constexpr const char* variables[] = {
        "HOME",           "XDG_CONFIG_HOME", "XDG_DATA_HOME",
        "XDG_CACHE_HOME", "XDG_DESKTOP_DIR", "XDG_DOCUMENTS_DIR",
        "TMPDIR"};
    std::vector<std::optional<std::string>> saved_;
    std::string root_;
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
