#pragma once
// Standard error sent nowhere for a while: PortAudio's ALSA and JACK probes
// print pages of errors on a machine without a card, ALSA and RtMidi a few
// lines without a MIDI sequencer; what matters of it the caller reports.

#include <cstdio>

#if defined(__unix__)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace earloop {

class QuietStderr {
public:
    QuietStderr() {
#if defined(__unix__)
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
        if (null >= 0) close(null);
#endif
    }
    ~QuietStderr() {
#if defined(__unix__)
        std::fflush(stderr);
        if (saved_ >= 0) {
            dup2(saved_, STDERR_FILENO);
            close(saved_);
        }
#endif
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};

}  // namespace earloop
