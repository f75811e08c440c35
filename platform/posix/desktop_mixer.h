#pragma once
// The desktop's sound mixer, started as a child program: PulseAudio's
// volume control (pavucontrol, which PipeWire desktops use as well), found on
// the PATH.

#include <sys/types.h>

#include "ports/desktop_port.h"

namespace earloop {

class DesktopMixer : public DesktopPort {
public:
    DesktopMixer() = default;
    DesktopMixer(const DesktopMixer&) = delete;
    DesktopMixer& operator=(const DesktopMixer&) = delete;
    // A mixer still open stays open: the user may still be setting levels.
    ~DesktopMixer() override { Reap(); }

    void OpenMixer(MixerPage page) override;
    void CloseMixer() override;

private:
    // Forgets the child once it has ended, collecting its exit.
    void Reap();
    pid_t child_ = 0;
};

}  // namespace earloop
