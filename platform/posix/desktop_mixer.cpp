#include "platform/posix/desktop_mixer.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>

extern char** environ;

namespace earloop {

void DesktopMixer::OpenMixer(MixerPage page) {
    CloseMixer();
    // pavucontrol's tabs: 3 playback devices, 4 recording devices.
    std::string program = "pavucontrol";
    std::string tab = page == MixerPage::Recording ? "--tab=4" : "--tab=3";
    char* argv[] = {program.data(), tab.data(), nullptr};
    pid_t pid = 0;
    // Without the program on the PATH the spawn fails and nothing opens.
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv, environ) == 0) child_ = pid;
}

void DesktopMixer::CloseMixer() {
    Reap();
    if (child_ == 0) return;
    ::kill(child_, SIGTERM);
    ::waitpid(child_, nullptr, 0);
    child_ = 0;
}

void DesktopMixer::Reap() {
    if (child_ != 0 && ::waitpid(child_, nullptr, WNOHANG) == child_) child_ = 0;
}

}  // namespace earloop
