// The desktop's programs started for real. Stand-ins for pavucontrol and
// xdg-open, first on the PATH, write down how they were started.

#include "platform/posix/posix_desktop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace earloop {
namespace {

namespace fs = std::filesystem;

class PosixDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "earloop-desktop-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        // Each writes its pid and arguments, then stays as long as a mixer would.
        Program("pavucontrol", "echo \"$$ $*\" >> \"" + Log("mixer") + "\"\nexec sleep 60\n");
        Program("xdg-open", "echo \"$*\" >> \"" + Log("opener") + "\"\n");
        oldPath = std::getenv("PATH");
        UsePath(dir.string() + ":" + oldPath);
    }
    void TearDown() override {
        desktop.CloseMixer();
        UsePath(oldPath);
        fs::remove_all(dir);
    }

    void Program(const std::string& name, const std::string& body) {
        std::ofstream(dir / name) << "#!/bin/sh\n" << body;
        fs::permissions(dir / name, fs::perms::owner_all);
    }
    std::string Log(const std::string& name) const { return (dir / (name + ".log")).string(); }
    static void UsePath(const std::string& path) { ::setenv("PATH", path.c_str(), 1); }
    // The lines of a log once it has `count`; the stand-ins run on their own.
    std::vector<std::string> LinesOnceThere(const std::string& name, std::size_t count) const {
        std::vector<std::string> lines;
        for (int attempt = 0; attempt < 1000 && lines.size() < count; ++attempt) {
            if (attempt) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            lines.clear();
            std::ifstream in(Log(name));
            for (std::string line; std::getline(in, line);) lines.push_back(line);
        }
        return lines;
    }
    static bool Running(pid_t pid) { return ::kill(pid, 0) == 0; }

    fs::path dir;
    std::string oldPath;
    PosixDesktop desktop;
};

TEST_F(PosixDesktopTest, AMixerOpenedAgainEndsThePreviousOneAndClosingEndsTheLast) {
    desktop.OpenMixer(MixerPage::Playback);
    const auto first = LinesOnceThere("mixer", 1);
    ASSERT_EQ(first.size(), 1u);
    desktop.OpenMixer(MixerPage::Recording);
    const auto both = LinesOnceThere("mixer", 2);
    ASSERT_EQ(both.size(), 2u);
    const pid_t playback = std::stoi(both[0]), recording = std::stoi(both[1]);
    EXPECT_EQ(both[0], std::to_string(playback) + " --tab=3");
    EXPECT_EQ(both[1], std::to_string(recording) + " --tab=4");
    EXPECT_FALSE(Running(playback)) << "one mixer at a time";
    EXPECT_TRUE(Running(recording));
    desktop.CloseMixer();
    EXPECT_FALSE(Running(recording));
    desktop.CloseMixer();  // nothing left to close
}

TEST_F(PosixDesktopTest, OnlyAnExistingFileIsHandedToTheOpener) {
    std::ofstream(dir / "earlphlp.html") << "<html></html>";
    const std::string help = (dir / "earlphlp.html").string();
    EXPECT_FALSE(desktop.OpenDocument((dir / "missing.html").string()));
    EXPECT_FALSE(desktop.OpenDocument(dir.string())) << "a folder";
    EXPECT_TRUE(desktop.OpenDocument(help));
    EXPECT_EQ(LinesOnceThere("opener", 1), std::vector<std::string>{help});

    // A desktop without xdg-open shows nothing.
    fs::remove(dir / "xdg-open");
    UsePath(dir.string());
    EXPECT_FALSE(desktop.OpenDocument(help));
}

}  // namespace
}  // namespace earloop
