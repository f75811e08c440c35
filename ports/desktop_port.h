#pragma once
// Programs of the desktop the program hands work to.

#include <string>

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
    // Opens the file at `path` with the desktop's default program for its
    // type, without waiting for it. False when there is no such file or
    // nothing could be started to show it.
    virtual bool OpenDocument(const std::string& path) = 0;
};

}  // namespace earloop
