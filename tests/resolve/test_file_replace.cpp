#include "file_replace.h"
#include "page_fixtures.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

const Bytes contents = {'n', 'e', 'w', '\r', '\n'};

void write(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

// A playlist kept as a link (into a player's folder, say) stays a link: the new
// contents go to the file it points to, still replaced whole.
TEST(FileReplace, WritesThroughSymbolicLinks)
{
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const fs::path real = dir.path() / "real.dpl";
    write(real, "old");
    fs::create_symlink(real, dir.path() / "direct.dpl");
    fs::create_symlink("direct.dpl", dir.path() / "chained.dpl");
    fs::create_directory(dir.path() / "sub");
    fs::create_symlink("../real.dpl", dir.path() / "sub" / "relative.dpl");
    fs::create_symlink("not-yet.dpl", dir.path() / "dangling.dpl");

    struct Case { fs::path link; fs::path target; const char* why; };
    const Case cases[] = {
        {dir.path() / "direct.dpl", real, "a link to a file"},
        {dir.path() / "chained.dpl", real, "a link to a link, relative"},
        {dir.path() / "sub" / "relative.dpl", real, "relative to the link's own folder"},
        {dir.path() / "dangling.dpl", dir.path() / "not-yet.dpl", "a link to no file yet"},
    };
    for (const Case& c : cases) {
        write(real, "old");
        EXPECT_TRUE(replace_file_contents(c.link, contents)) << c.why;
        EXPECT_TRUE(fs::is_symlink(c.link)) << c.why;
        EXPECT_EQ(read_file(c.target), "new\r\n") << c.why;
        EXPECT_FALSE(fs::exists(c.target.string() + ".part")) << c.why;
    }
}

TEST(FileReplace, FailuresLeaveNoTemporaryFile)
{
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    // A folder that is not empty cannot be renamed over, even by root.
    const fs::path folder = dir.path() / "busy.dpl";
    fs::create_directory(folder);
    write(folder / "inside", "kept");
    EXPECT_FALSE(replace_file_contents(folder, contents));
    EXPECT_FALSE(fs::exists(dir.path() / "busy.dpl.part")) << "removed after the failed rename";
    EXPECT_EQ(read_file(folder / "inside"), "kept");

    fs::create_symlink("loop-b.dpl", dir.path() / "loop-a.dpl");
    fs::create_symlink("loop-a.dpl", dir.path() / "loop-b.dpl");
    EXPECT_FALSE(replace_file_contents(dir.path() / "loop-a.dpl", contents)) << "a loop of links";
    EXPECT_TRUE(fs::is_symlink(dir.path() / "loop-a.dpl"));
    EXPECT_FALSE(fs::exists(dir.path() / "loop-a.dpl.part"));
    EXPECT_FALSE(fs::exists(dir.path() / "loop-b.dpl.part"));
}
