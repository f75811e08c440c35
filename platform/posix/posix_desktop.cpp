#include "platform/posix/posix_desktop.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <string>

extern char** environ;

namespace earloop {

namespace {

// Starts `program`, looked up on the PATH, with one argument; 0 when it
// cannot be started.
pid_t Spawn(std::string program, std::string argument) {
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    return ::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv, environ) == 0 ? pid : 0;
}

bool Ended(pid_t child) { return ::waitpid(child, nullptr, WNOHANG) == child; }

}  // namespace

void PosixDesktop::OpenMixer(MixerPage page) {
    CloseMixer();
    // pavucontrol's tabs: 3 playback devices, 4 recording devices. Without
    // the program nothing opens.
    mixer_ = Spawn("pavucontrol", page == MixerPage::Recording ? "--tab=4" : "--tab=3");
}

void PosixDesktop::CloseMixer() {
    Reap();
    if (mixer_ == 0) return;
    ::kill(mixer_, SIGTERM);
    ::waitpid(mixer_, nullptr, 0);
    mixer_ = 0;
}

// A missing file is refused here: xdg-open would only say so after it has
// been waited for.
bool PosixDesktop::OpenDocument(const std::string& path) {
    Reap();
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0 || !S_ISREG(file.st_mode)) return false;
    const pid_t opener = Spawn("xdg-open", path);
    if (opener == 0) return false;
    openers_.push_back(opener);
    return true;
}

void PosixDesktop::Reap() {
    if (mixer_ != 0 && Ended(mixer_)) mixer_ = 0;
    std::erase_if(openers_, Ended);
}

}  // namespace earloop
