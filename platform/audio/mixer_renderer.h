#pragma once
// The render port over the program's mixer: the wave is played by the
// program's own transport and output engine into a mixer under a clock the
// renderer moves, and what the mixer renders is written to the file as it
// comes, so the file holds what a listener would hear from the sound card.

#include "playback/render_port.h"

namespace earloop {

class MixerRenderer : public RenderPort {
public:
    RenderOutcome Render(SampleStore& samples, const RenderSettings& settings, AudioFileType type,
                         const std::string& path, RenderProgress& progress) override;
};

}  // namespace earloop
