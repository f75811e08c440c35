#pragma once
// The desktop's programs, started as children: the sound mixer is PulseAudio's
// volume control (pavucontrol, which PipeWire desktops use as well), a
// document opens through xdg-open; both are found on the PATH.

#include <sys/types.h>

#include <vector>

#include "ports/desktop_port.h"

namespace earloop {

class PosixDesktop : public DesktopPort {
public:
    PosixDesktop() = default;
    PosixDesktop(const PosixDesktop&) = delete;
    PosixDesktop& operator=(const PosixDesktop&) = delete;
    // Collects the children that have ended; the shutdown closes the mixer.
    ~PosixDesktop() override { Reap(); }

    void OpenMixer(MixerPage page) override;
    void CloseMixer() override;
    bool OpenDocument(const std::string& path) override;

private:
    // Forgets the children that have ended, collecting their exits.
    void Reap();
    pid_t mixer_ = 0;
    // xdg-open runs until it has handed the document over (or, on a bare
    // desktop, as long as the browser it started); nobody waits for it.
    std::vector<pid_t> openers_;
};

}  // namespace earloop
