#include "platform/posix/posix_file_system.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <set>
#include <string>

#include "settings/ini_file.h"
#include "settings/settings.h"

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
        // Folders a test made read-only are opened again, so that they can go.
        fs::permissions(dir, owner_all, fs::perm_options::add, ec);
        for (const auto& entry : fs::recursive_directory_iterator(dir, ec))
            if (entry.is_directory(ec)) fs::permissions(entry.path(), owner_all, fs::perm_options::add, ec);
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

// The exit status of `body` run in a child process that has given up the
// superuser's rights first, so that permissions bind it: 0 when it returned
// true.
int AsOrdinaryUser(const std::function<bool()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(2);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Neither a read-only file nor a writable one in a folder that refuses new
// files is written: rewriting in place could leave half a file.
TEST_F(PosixFileSystemTest, ReadOnlyFileAndLockedFolderRefuseTheWriteAndKeepTheOldFile) {
    Put("ro.ini", "old");
    Put("s.ini", "old contents that are longer");
    fs::permissions(Path("ro.ini"), owner_read | group_read | others_read);
    fs::permissions(Path("s.ini"), owner_read | owner_write | group_read | group_write | others_read | others_write);
    fs::permissions(dir, owner_read | owner_exec | group_read | group_exec | others_read | others_exec);
    EXPECT_EQ(AsOrdinaryUser([this] {
                  return files.ReadFile(Path("s.ini")) && !files.WriteFile(Path("ro.ini"), "new") &&
                         !files.WriteFile(Path("s.ini"), "new") && !files.WriteFile(Path("other.ini"), "new");
              }),
              0);
    EXPECT_EQ(Slurp("ro.ini"), "old");
    EXPECT_EQ(Slurp("s.ini"), "old contents that are longer");
    EXPECT_EQ(Names(), (std::set<std::string>{"ro.ini", "s.ini"}));
}

// A writer that stops itself between its finished new file and the rename.
struct StoppingWriter : PosixFileSystem {
    void BeforeReplacing(const std::string&) override { ::raise(SIGSTOP); }
};

// A program file placed in the test's folder.
struct ProgramAt : PosixFileSystem {
    explicit ProgramAt(std::string path) : program(std::move(path)) {}
    std::optional<std::string> ProgramPath() override { return program; }
    std::string program;
};

TEST_F(PosixFileSystemTest, AWriterKilledBeforeTheRenameLeavesTheOldSettingsWhole) {
    const std::string old = "[VOLUME]\nwave volume=40\n[Extra]\nmine=1\n", fresh = "[VOLUME]\nwave volume=90\n";
    Put("earloop.ini", old);
    const pid_t child = ::fork();
    if (child == 0) {
        StoppingWriter writer;
        ::_exit(writer.WriteFile(Path("earloop.ini"), fresh) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, WUNTRACED), child);
    ASSERT_TRUE(WIFSTOPPED(status)) << "the writer never reached the rename";
    ::kill(child, SIGKILL);
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    EXPECT_EQ(Slurp("earloop.ini"), old);
    // The new contents wait whole in a hidden file of another name.
    std::set<std::string> names = Names();
    names.erase("earloop.ini");
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(names.begin()->starts_with(".earloop.ini.tmp-")) << *names.begin();
    EXPECT_EQ(Slurp(*names.begin()), fresh);

    // The next run reads the old settings and saves over them.
    ProgramAt program(Path("earloop"));
    Settings settings;
    ASSERT_EQ(LoadSettings(program, settings), SettingsLoad::Read);
    EXPECT_EQ(settings.waveVolume, 40);
    settings.waveVolume = 75;
    EXPECT_TRUE(SaveSettings(program, settings, AnalysisParameters{}));
    const IniDocument saved(Slurp("earloop.ini"));
    EXPECT_EQ(std::tuple(saved.Get("VOLUME", "wave volume"), saved.Get("Extra", "mine")), std::tuple("75", "1"));
}

// Sets an environment variable for one test.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// An installed program: its folder is read-only (for the superuser too,
// through its permission bits), so the settings go to a config folder made
// for them, starting from the file beside the program, which stays as it was.
TEST_F(PosixFileSystemTest, AReadOnlyProgramFolderKeepsItsSettingsInTheUsersConfigFolder) {
    fs::create_directory(dir / "bin");
    Put("bin/earloop.ini", "[Extra]\nmine=1\n");
    fs::permissions(dir / "bin", owner_read | owner_exec | group_read | group_exec | others_read | others_exec);
    const ScopedVariable config("XDG_CONFIG_HOME", Path("config"));
    const ScopedVariable data("XDG_DATA_HOME", "relative/data");
    const ScopedVariable home("HOME", Path("home"));
    ProgramAt program(Path("bin/earloop"));
    EXPECT_EQ(program.Environment("XDG_DATA_HOME"), "relative/data");
    EXPECT_TRUE(program.CanCreateFilesIn(dir.string() + "/"));
    EXPECT_FALSE(program.CanCreateFilesIn(Path("bin/")));
    EXPECT_FALSE(program.CanCreateFilesIn(Path("bin/earloop.ini")));
    EXPECT_FALSE(program.CanCreateFilesIn(Path("missing/")));

    Settings settings;
    ASSERT_EQ(LoadSettings(program, settings), SettingsLoad::Read);
    EXPECT_EQ(std::tuple(settings.settingsPath, settings.dataFolder),
              std::tuple(Path("config/earloop/earloop.ini"), Path("home/.local/share/earloop/")));
    EXPECT_TRUE(SaveSettings(program, settings, AnalysisParameters{}));
    EXPECT_EQ(Mode("config"), owner_all);
    EXPECT_EQ(Mode("config/earloop"), owner_all);
    EXPECT_EQ(IniDocument(Slurp("config/earloop/earloop.ini")).Get("Extra", "mine"), "1");
    EXPECT_EQ(Slurp("bin/earloop.ini"), "[Extra]\nmine=1\n");
    EXPECT_FALSE(fs::exists(dir / "home")) << "the data folder is made only when recording";
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
