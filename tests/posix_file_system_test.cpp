#include "platform/posix/posix_file_system.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace earloop {
namespace {

namespace fs = std::filesystem;

class PosixFileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "earloop-fs-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    void Put(const std::string& name, const std::string& contents) {
        std::ofstream(Path(name), std::ios::binary) << contents;
    }

    std::string Slurp(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
        return names;
    }

    fs::perms Mode(const std::string& name) const {
        return fs::status(Path(name)).permissions() & fs::perms::mask;
    }

    static bool Privileged() { return ::geteuid() == 0; }

    fs::path dir;
    PosixFileSystem files;
};

TEST_F(PosixFileSystemTest, ProgramPathIsThisTestProgram) {
    const std::optional<std::string> path = files.ProgramPath();
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(path->front(), '/');
    EXPECT_TRUE(files.Exists(*path));
    EXPECT_EQ(fs::path(*path).filename(), "earloop_tests");
}

TEST_F(PosixFileSystemTest, WriteThenReadGivesTheSameBytes) {
    const std::string bytes = std::string("a\0b\r\n\xFF", 6) + std::string(300000, 'q');
    EXPECT_FALSE(files.Exists(Path("s.ini")));
    ASSERT_TRUE(files.WriteFile(Path("s.ini"), bytes));
    EXPECT_TRUE(files.Exists(Path("s.ini")));
    EXPECT_EQ(files.ReadFile(Path("s.ini")), bytes);

    ASSERT_TRUE(files.WriteFile(Path("s.ini"), "short"));
    EXPECT_EQ(Slurp("s.ini"), "short");
    ASSERT_TRUE(files.WriteFile(Path("s.ini"), ""));
    EXPECT_EQ(files.ReadFile(Path("s.ini")), "");
    EXPECT_EQ(Names(), std::vector<std::string>{"s.ini"});  // no temporary left behind
}

TEST_F(PosixFileSystemTest, ReadFailsForMissingFilesAndFolders) {
    EXPECT_EQ(files.ReadFile(Path("missing")), std::nullopt);
    fs::create_directory(dir / "sub");
    EXPECT_TRUE(files.Exists(Path("sub")));
    EXPECT_EQ(files.ReadFile(Path("sub")), std::nullopt);
}

TEST_F(PosixFileSystemTest, RewriteKeepsPermissionsAndFollowsLinks) {
    Put("real.ini", "old");
    fs::permissions(Path("real.ini"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(Path("real.ini"), Path("link.ini"));

    ASSERT_TRUE(files.WriteFile(Path("link.ini"), "new"));
    EXPECT_TRUE(fs::is_symlink(Path("link.ini")));
    EXPECT_EQ(Slurp("real.ini"), "new");
    EXPECT_EQ(Mode("real.ini"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(PosixFileSystemTest, WriteFailsWhereNoFileCanBe) {
    EXPECT_FALSE(files.WriteFile(Path("no/such/folder.ini"), "x"));
    fs::create_directory(dir / "taken");
    Put("taken/inside", "keep");
    EXPECT_FALSE(files.WriteFile(Path("taken"), "x"));
    EXPECT_EQ(Slurp("taken/inside"), "keep");
    EXPECT_EQ(Names(), std::vector<std::string>{"taken"});
}

TEST_F(PosixFileSystemTest, WriteFailingHalfWayLeavesTheOldFile) {
    Put("s.ini", "old contents");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = files.WriteFile(Path("s.ini"), std::string(100000, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(written);
    EXPECT_EQ(Slurp("s.ini"), "old contents");
    EXPECT_EQ(Names(), std::vector<std::string>{"s.ini"});
}

TEST_F(PosixFileSystemTest, ClearReadOnlyAddsOnlyOwnerWrite) {
    Put("s.ini", "x");
    fs::permissions(Path("s.ini"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_exec);
    files.ClearReadOnly(Path("s.ini"));
    EXPECT_EQ(Mode("s.ini"),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_exec);
    files.ClearReadOnly(Path("missing"));  // no file, no harm
}

TEST_F(PosixFileSystemTest, ReadOnlyFileIsNotReplaced) {
    if (Privileged()) GTEST_SKIP() << "permissions do not bind the superuser";
    Put("s.ini", "old");
    fs::permissions(Path("s.ini"), fs::perms::owner_read);
    EXPECT_FALSE(files.WriteFile(Path("s.ini"), "new"));
    EXPECT_EQ(Slurp("s.ini"), "old");
}

TEST_F(PosixFileSystemTest, LockedFolderFallsBackToWritingInPlace) {
    if (Privileged()) GTEST_SKIP() << "permissions do not bind the superuser";
    Put("s.ini", "old contents that are longer");
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_TRUE(files.WriteFile(Path("s.ini"), "new"));
    EXPECT_FALSE(files.WriteFile(Path("other.ini"), "new"));
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(Slurp("s.ini"), "new");
    EXPECT_EQ(Names(), std::vector<std::string>{"s.ini"});
}

}  // namespace
}  // namespace earloop
