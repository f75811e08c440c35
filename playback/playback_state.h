#pragma once
#include <cstdint>

namespace earloop {

// Where the transport is. The end of the data is an output fact apart from
// it: play that reached the end stays Playing (with `atEnd`) until a command
// moves it, and Pause or Keep there keep `atEnd`.
enum class PlayState { Stopped, Playing, Paused, Keeping };

// The one record of transport and output state. The transport (playback/transport.h)
// and the output engine it drives are its only writers.
struct PlaybackState {
    PlayState play = PlayState::Stopped;
    bool atEnd = false;       // end of the data reached: no refill, no restart
    bool streamOpen = false;  // the stream device is the open device
    std::uint32_t position = 0;       // bytes into the active samples, whole frames
    std::uint32_t startPosition = 0;  // `position` when the current output started
    int speedPercent = 100;           // 1 to 100
    double sourceRatio = 1.0;         // source bytes consumed per output byte in stream mode
    int pitchShift = 0;               // semitones, -5 to +12
    double pitchFactor = 1.0;         // output rate factor of the shift
    std::uint32_t outChunkBytes = 0;  // 50 ms of output
    std::uint32_t inChunkBytes = 0;   // source bytes per output chunk
    int maxChunks = 20;
    int chunksInBuffer = 0;
    std::uint32_t streamSource = 0;
    int fillIndex = 0;
    int queuedBuffers = 0;
    int staleDone = 0;                // done notices still to ignore after a reset
    bool positionTimerOn = false;
    std::uint32_t keepBytes = 0;
    std::uint32_t ffStepBytes = 0;
    std::uint32_t totalMs = 0;
    bool resumeHere = false;          // the next Play starts at `position` unchanged
    bool clickedStartPending = false; // a click in the overview while stopped: the next Play starts there
    std::uint32_t clickedStartMs = 0;

    // Stream mode: any speed but full, which a shift up also lowers.
    bool StretchOn() const { return speedPercent != 100; }
    // Output sounds: not stopped, paused, held or at the end.
    bool Sounding() const { return play == PlayState::Playing && !atEnd; }
};

}  // namespace earloop
