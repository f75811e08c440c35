#include "analysis/note_detection.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace earloop {
namespace {

constexpr int kSteps = static_cast<int>(kPitchSteps);
constexpr std::size_t kMaxRanked = 15;
constexpr int kEdgeReach = 99;  // the half-height edge is sought at most this far from the peak

struct Peak {
    int height, width, position;
};

// trunc(level), held to int so that a wild level cannot overflow the conversion.
int Whole(double level) {
    if (!(level > INT_MIN)) return INT_MIN;  // also NaN
    if (level >= INT_MAX) return INT_MAX;
    return static_cast<int>(level);
}

// A plateau is recorded at its last position with its length as width; a flat
// stretch not reached by a rise is no peak.
std::vector<Peak> ScanPeaks(const std::array<int, kPitchSteps>& gated) {
    std::vector<Peak> peaks;
    int run = 1;
    for (int k = 0; k + 2 < kSteps; ++k) {
        const int u = gated[k], v = gated[k + 1], w = gated[k + 2];
        if (v > u) {
            if (v == w) ++run;
            else if (v > w) peaks.push_back({v, 1, k + 1});
        } else if (v == u) {
            if (v < w) {
                run = 1;
            } else if (run > 1) {
                if (v == w) {
                    ++run;
                } else {
                    peaks.push_back({v, run, k + 1});
                    run = 1;
                }
            }
        }
    }
    return peaks;
}

// Each rank is strictly lower than the one before, so a height that ties an
// already ranked peak is skipped; of equal heights the lowest position ranks.
std::vector<Peak> Rank(std::vector<Peak> peaks) {
    std::stable_sort(peaks.begin(), peaks.end(), [](const Peak& a, const Peak& b) { return a.height > b.height; });
    peaks.erase(std::unique(peaks.begin(), peaks.end(),
                            [](const Peak& a, const Peak& b) { return a.height == b.height; }),
                peaks.end());
    if (peaks.size() > kMaxRanked) peaks.resize(kMaxRanked);
    return peaks;
}

// The first position from `from` in direction `step` whose level is below
// `half`, within the reach and the scale.
std::optional<int> Edge(const std::array<double, kPitchSteps>& level, int from, int step, int half) {
    for (int q = from, n = 0; n <= kEdgeReach && q >= 0 && q < kSteps; q += step, ++n)
        if (Whole(level[q]) < half) return q;
    return std::nullopt;
}

}  // namespace

std::optional<NoteDetection> DetectNotes(std::span<const double, kPitchSteps> pitchLevel,
                                         const AnalysisParameters& parameters, int calibrationSteps) {
    // The lowest step is read as its neighbour, by the gate and by the edge search.
    std::array<double, kPitchSteps> level;
    std::copy(pitchLevel.begin(), pitchLevel.end(), level.begin());
    level[0] = level[1];

    std::array<int, kPitchSteps> gated;
    for (int i = 0; i < kSteps; ++i) {
        const int whole = Whole(level[i]);
        gated[i] = whole > parameters.clipLevel ? whole : 0;
    }

    const std::vector<Peak> peaks = ScanPeaks(gated);
    if (peaks.empty()) return std::nullopt;

    std::vector<DetectedNote> kept;
    for (const Peak& peak : Rank(peaks)) {
        const int half = peak.height / 2;
        const int p = peak.position - peak.width / 2;
        if (p < 0) continue;
        const std::optional<int> right = Edge(level, p, 1, half), left = Edge(level, p, -1, half);
        if (!right || !left) continue;
        const int centre = std::clamp(*left + (*right - *left) / 3 - calibrationSteps, 0, kSteps);
        const int remainder = centre % 10;
        kept.push_back({centre / 10 + 12 * (6 - parameters.analysisRange),
                        remainder >= 4 && remainder <= 6 ? 0 : 1, peak.height, centre});
    }

    NoteDetection result;
    // The weakest kept peak is never a note.
    const int notes = static_cast<int>(kept.size()) - 1;
    if (notes > 0) result.detectedNotes.assign(kept.begin(), kept.begin() + notes);
    if (notes != 0) {  // no kept peak at all divides by -1 and shows 100
        int offSum = 0;
        for (const DetectedNote& note : result.detectedNotes) offSum += note.offCentre;
        result.tuneValue = 100 + (-100 * offSum) / notes;
    }

    // Each centre once, the strongest note of it; ascending from above 0 to below 600.
    for (int previous = 0;;) {
        const DetectedNote* next = nullptr;
        for (const DetectedNote& note : result.detectedNotes)
            if (note.centre > previous && note.centre < kSteps && (!next || note.centre < next->centre)) next = &note;
        if (!next) break;
        result.sortedNotes.push_back(*next);
        previous = next->centre;
    }
    return result;
}

}  // namespace earloop
