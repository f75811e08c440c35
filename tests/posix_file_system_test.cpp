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
#include <set>
#include <string>

namespace earloop {
namespace {

namespace fs = std::filesystem;
using enum fs::perms;

class PosixFileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "earloop-fs-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        fs::permissions(dir, owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }

    std::string Path(const std::string& name) const { return (dir / name).string(); }
    void Put(const std::string& name, const std::string& contents) { std::ofstream(Path(name), std::ios::binary) << contents; }
    std::string Slurp(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // What the folder holds: no temporary file may be left behind.
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
        return names;
    }
    fs::perms Mode(const std::string& name) const { return fs::status(Path(name)).permissions() & mask; }

    fs::path dir;
    std::error_code ec;
    PosixFileSystem files;
};

TEST_F(PosixFileSystemTest, ProgramPathIsThisTestProgram) {
    const std::string path = files.ProgramPath().value_or("");
    EXPECT_TRUE(path.starts_with('/') && files.Exists(path) && fs::path(path).filename() == "earloop_tests") << path;
}

TEST_F(PosixFileSystemTest, WrittenBytesReadBackAndOnlyRegularFilesAreRead) {
    const std::string bytes = std::string("a\0b\r\n\xFF", 6) + std::string(300000, 'q');
    EXPECT_FALSE(files.Exists(Path("s.ini")));
    EXPECT_EQ(files.ReadFile(Path("s.ini")), std::nullopt);
    ASSERT_TRUE(files.WriteFile(Path("s.ini"), bytes));
    EXPECT_EQ(files.ReadFile(Path("s.ini")), bytes);
    ASSERT_TRUE(files.WriteFile(Path("s.ini"), ""));
    EXPECT_EQ(files.ReadFile(Path("s.ini")), "");
    EXPECT_EQ(Names(), std::set<std::string>{"s.ini"});

    fs::create_directory(dir / "sub");
    EXPECT_TRUE(files.Exists(Path("sub")));
    EXPECT_EQ(files.ReadFile(Path("sub")), std::nullopt);
}

TEST_F(PosixFileSystemTest, RewriteKeepsPermissionsAndFollowsLinksAndClearReadOnlyAddsOnlyOwnerWrite) {
    Put("real.ini", "old");
    fs::permissions(Path("real.ini"), owner_read | owner_write | group_read);
    fs::create_symlink(Path("real.ini"), Path("link.ini"));
    ASSERT_TRUE(files.WriteFile(Path("link.ini"), "new"));
    EXPECT_TRUE(fs::is_symlink(Path("link.ini")));
    EXPECT_EQ(Slurp("real.ini"), "new");
    EXPECT_EQ(Mode("real.ini"), owner_read | owner_write | group_read);

    fs::permissions(Path("real.ini"), owner_read | group_read | others_exec);
    files.ClearReadOnly(Path("real.ini"));
    EXPECT_EQ(Mode("real.ini"), owner_read | owner_write | group_read | others_exec);
    files.ClearReadOnly(Path("missing"));  // no file, no harm
}

TEST_F(PosixFileSystemTest, FailedWritesLeaveTheOldFileWhole) {
    EXPECT_FALSE(files.WriteFile(Path("no/such/folder.ini"), "x"));
    // A file size limit makes the write fail half way.
    Put("s.ini", "old contents");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlimit small{4096, saved.rlim_max};
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = files.WriteFile(Path("s.ini"), std::string(100000, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_EQ(Slurp("s.ini"), "old contents");
    EXPECT_EQ(Names(), std::set<std::string>{"s.ini"});
}

TEST_F(PosixFileSystemTest, ReadOnlyFileIsNotReplacedAndLockedFolderIsWrittenInPlace) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    Put("ro.ini", "old");
    fs::permissions(Path("ro.ini"), owner_read);
    EXPECT_FALSE(files.WriteFile(Path("ro.ini"), "new"));
    EXPECT_EQ(Slurp("ro.ini"), "old");

    Put("s.ini", "old contents that are longer");
    fs::permissions(dir, owner_read | owner_exec);
    EXPECT_TRUE(files.WriteFile(Path("s.ini"), "new"));
    EXPECT_FALSE(files.WriteFile(Path("other.ini"), "new"));
    EXPECT_EQ(Slurp("s.ini"), "new");
    EXPECT_EQ(Names(), (std::set<std::string>{"ro.ini", "s.ini"}));
}

TEST_F(PosixFileSystemTest, AnOutputFileAppendsOverwritesAndIsCut) {
    {
        auto out = files.CreateForWriting(Path("t.dat"));
        ASSERT_TRUE(out);
        const std::uint8_t body[] = {'a', 'b', 'c', 'd', 'e', 'f'};
        EXPECT_TRUE(out->Write(body, 6));
        EXPECT_TRUE(out->WriteAt(1, body + 4, 2));
        EXPECT_TRUE(out->Write(body, 2));  // still at the end
        EXPECT_TRUE(out->Truncate(7));
    }
    EXPECT_EQ(Slurp("t.dat"), "aefdefa");
    EXPECT_TRUE(files.CreateForWriting(Path("t.dat")));
    EXPECT_EQ(Slurp("t.dat"), "") << "created anew";
    EXPECT_FALSE(files.CreateForWriting(Path("no folder/t.dat")));
}

TEST_F(PosixFileSystemTest, AMoveNeverReplacesAFileAndCrossesFileSystems) {
    Put("take.dat", "take");
    Put("old.wav", "old");
    EXPECT_FALSE(files.MoveFile(Path("take.dat"), Path("old.wav")));
    EXPECT_EQ(Slurp("old.wav"), "old");
    EXPECT_TRUE(files.MoveFile(Path("take.dat"), Path("new.wav")));
    EXPECT_EQ(Names(), (std::set<std::string>{"new.wav", "old.wav"}));
    EXPECT_FALSE(files.MoveFile(Path("take.dat"), Path("again.wav")));
    EXPECT_TRUE(files.DeleteFile(Path("old.wav")));
    EXPECT_FALSE(files.DeleteFile(Path("old.wav")));

    // Onto another file system the move copies, and still refuses to replace.
    const fs::path other = "/dev/shm";
    struct stat here {}, there {};
    if (::stat(dir.c_str(), &here) != 0 || ::stat(other.c_str(), &there) != 0 || here.st_dev == there.st_dev ||
        ::access(other.c_str(), W_OK) != 0)
        GTEST_SKIP() << "no second writable file system";
    const std::string away = (other / ("earloop-move-" + std::to_string(::getpid()))).string();
    std::ofstream(away) << "there";
    EXPECT_FALSE(files.MoveFile(Path("new.wav"), away));
    fs::remove(away);
    EXPECT_TRUE(files.MoveFile(Path("new.wav"), away));
    EXPECT_FALSE(files.Exists(Path("new.wav")));
    std::ifstream in(away);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "take");
    fs::remove(away);
}

}  // namespace
}  // namespace earloop
