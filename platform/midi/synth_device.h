#pragma once
// Device -1: FluidSynth rendered by the mixer's audio thread.

#include <memory>
#include <string>

#include "platform/audio/mixer.h"
#include "ports/midi_port.h"

namespace earloop {

// GUI thread: loads `soundFont` into a synthesizer at the mixer's card rate
// and attaches it; nullptr when the font does not load or the mixer has no
// room for another source.
std::unique_ptr<MidiOutDevice> OpenSynthDevice(Mixer& mixer, const std::string& soundFont);

}  // namespace earloop
