#pragma once
// Programs of the desktop the program hands work to.

namespace earloop {

enum class MixerPage { Playback, Recording };

class DesktopPort {
public:
    virtual ~DesktopPort() = default;
    // Opens the desktop's sound mixer on the given page. A mixer this
    // program opened before is told to quit first. Does nothing when the
    // desktop has none.
    virtual void OpenMixer(MixerPage page) = 0;
    // Tells a mixer this program opened to quit, if one still runs.
    virtual void CloseMixer() = 0;
};

}  // namespace earloop
