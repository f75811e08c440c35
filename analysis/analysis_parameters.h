#pragma once

namespace earloop {

// Parameters of the pitch-scale analysis that the settings file records at exit
// (section "FFT"). They are never read back: each run starts from these values.
struct AnalysisParameters {
    int analysisPoints = 0;   // block length for the loaded wave: 512, 1024 or 2048; 0 until a wave is loaded
    int monitorPoints = 1024; // block length for the sound input: 512, 1024 or 2048
    int pitchScale = 1200;    // steps of the pitch table per octave pair; always 1200
    int pitchBase = 600;      // base of the pitch table
    int clipLevel = 200;      // analysis clipping: 20 "Light", 200 "Medium", 500 "Heavy"
    int analysisRange = 3;    // which five octaves the scale covers: 2, 3 (normal) or 4
    int blockMode = 2;        // Sampling Time: 1 coarse, 2 normal, 3 precision
    bool removeDcOffset = true;  // "Remove DC Offset": the loader and the spectrum subtract each channel's mean
};

// The analysis block for a Sampling Time choice: 512, 1024 or 2048 frames
// for 1 coarse, 2 normal, 3 precision. The Keep window is one block long.
inline int AnalysisBlockFrames(int blockMode) { return 256 << blockMode; }

}  // namespace earloop
