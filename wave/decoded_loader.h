#pragma once
// Files that are not RIFF WAVE files: decoded into an image of 16-bit frames
// that the conversion then takes as it takes a WAV file's.

#include <memory>
#include <optional>
#include <string>

#include "ports/audio_decoder.h"
#include "ports/dialog_port.h"
#include "ports/error_state.h"
#include "ports/file_system.h"
#include "ports/keyboard_port.h"
#include "wave/sample_store.h"

namespace earloop {

// Whether the file at `path` begins as a RIFF WAVE file: those, and only
// those, are read by the program's own WAV reader.
bool IsRiffWave(FileSystem& fs, const std::string& path);

// Opens the first sound stream of the file at `path`. A file the decoder does
// not know at all is refused as the WAV header check refuses it; on failure
// sets `error` and returns nullptr.
std::unique_ptr<DecodedAudio> OpenAudioFile(AudioDecoder& decoder, FileSystem& fs, const std::string& path,
                                            ErrorState& error);

// Decodes the whole stream into a new image sized once from the stated
// duration (with room for the conversion), under the "LOADING" progress
// window. Escape keeps what was decoded so far and says so, as a long WAV
// read does. On failure sets `error` and returns nullopt.
std::optional<WaveImage> LoadDecodedAudio(DecodedAudio& audio, DialogPort& dialogs, KeyboardPort& keyboard,
                                          ErrorState& error);

}  // namespace earloop
