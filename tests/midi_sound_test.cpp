// What the program's MIDI commands sound like: the application object with
// the real built-in synthesizer (FluidSynth and the set-up's TimGM6mb
// SoundFont) rendered into a capture of the mixer; and the companion tool's
// reference tone.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fakes/app_harness.h"
#include "fakes/tone_analysis.h"
#include "fakes/tool_run.h"
#include "platform/audio/mixer.h"
#include "platform/midi/midi_output.h"

namespace earloop {
namespace {

using testing::Cents;
using testing::PeakFrequency;
using testing::StereoView;

constexpr std::uint32_t kRate = 44100;
constexpr std::size_t kPeriod = kRate / 100;

// The program's MIDI output over a mixer whose card is a capture.
class CapturedSynth : public MidiOutput {
public:
    int DeviceCount() override { return midi_.DeviceCount(); }
    std::string ProductName(int deviceNo) override { return midi_.ProductName(deviceNo); }
    std::unique_ptr<MidiOutDevice> Open(int deviceNo) override { return midi_.Open(deviceNo); }

    // Renders `seconds` more and returns the frame where they begin.
    std::size_t Advance(double seconds) {
        const std::size_t start = Frames();
        for (auto frames = static_cast<std::size_t>(seconds * kRate); frames > 0; frames -= std::min(frames, kPeriod))
            capture_.Advance(std::min(frames, kPeriod));
        return start;
    }
    StereoView Heard() const { return {capture_.Captured()}; }

private:
    std::size_t Frames() const { return capture_.Captured().size() / 2; }
    CaptureOutput capture_{kRate};
    // TimGM6mb.sf2 by its own name, whatever the machine's default GM font is.
    SystemMidiOutput midi_{capture_.GetMixer(), {"/usr/share/sounds/sf2/TimGM6mb.sf2", {}}};
};

struct HeardProgram : testing::BasicAppHarness<CapturedSynth> {
    explicit HeardProgram(const std::string& settings) {
        files.Add("/opt/earloop/earloop.ini", settings);
        EXPECT_TRUE(Start());
    }
    // The pitch of the strongest partial near `guessHz`, measured over 250 ms
    // from 50 ms after `start`, past the piano's attack (the tone's timer is
    // the test's, so the note sounds until then).
    double PitchFrom(std::size_t start, double guessHz) {
        return PeakFrequency(midiOut.Heard(), start + kRate / 20, kRate / 4, kRate, guessHz);
    }
};

TEST(HeardMidi, TheReferenceToneFollowsTheCalibrationAndTheKeyboardSoundsItsKey) {
    // Numpad 5 sounds A at 440 Hz plus the calibration of the settings file.
    HeardProgram withCalibration("[MIDI]\ncalibration=3\n");
    const std::size_t toneStart = withCalibration.midiOut.Advance(0.0);
    withCalibration.app.Command(ControlId::PitchAdjustReset);
    withCalibration.midiOut.Advance(0.3);
    EXPECT_NEAR(Cents(withCalibration.PitchFrom(toneStart, 443), 443), 0, 2);

    // A press on the keyboard strip at middle C's key sounds the font's own
    // middle C, untouched by a bend (TimGM6mb's sample of it is 1.8 cents
    // flat, and FluidSynth truncates the 0.05 cents the tuning leaves below
    // 440 Hz to a whole cent).
    HeardProgram tuned("[VOLUME]\nmidi volume=100\n[MIDI]\ncalibration=0\n");
    const std::size_t keyStart = tuned.midiOut.Advance(0.0);
    tuned.app.MouseDown({255, 380});
    tuned.midiOut.Advance(0.3);
    const double keyHz = tuned.PitchFrom(keyStart, 261.63);
    EXPECT_NEAR(Cents(keyHz, 261.63), 0, 3);

    CapturedSynth untuned;
    const std::unique_ptr<MidiOutDevice> synth = untuned.Open(kMidiMapper);
    ASSERT_NE(synth, nullptr);
    synth->ShortMessage(0x7F3C90);  // note 60 on channel 1, velocity 127
    untuned.Advance(0.3);
    const double fontHz = PeakFrequency(untuned.Heard(), kRate / 20, kRate / 4, kRate, 261.63);
    EXPECT_NEAR(Cents(keyHz, fontHz), 0, 1.5);
}

// The tool's tone file: a 16-bit mono WAV at 44100 Hz, A4 at the given pitch.
TEST(HeardMidi, TheToolsToneSoundsAAtTheAskedPitch) {
    testing::TempFolder folder("earloop-tone");
    const std::string out = folder / "a443.wav";
    const testing::ToolRun run = testing::RunTool("tone 443 " + out + " --seconds 1");
    ASSERT_EQ(run.status, 0) << run.output;
    std::ifstream file(out, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
    ASSERT_EQ(bytes.size(), 44u + 2 * kRate);
    std::vector<float> stereo;
    for (std::size_t i = 44; i + 1 < bytes.size(); i += 2) {
        std::int16_t sample;
        std::memcpy(&sample, &bytes[i], 2);
        stereo.insert(stereo.end(), 2, sample / 32768.0f);
    }
    const double hz = PeakFrequency({stereo}, kRate / 20, kRate / 10, kRate, 443);
    EXPECT_NEAR(Cents(hz, 443), 0, 2);

    // Beyond the pitch wheel's reach of 440 Hz, or not a number, or no time.
    for (const std::string& refused : {"391 " + out, "494 " + out, "440x " + out, "440 " + out + " --seconds 0"}) {
        const testing::ToolRun bad = testing::RunTool("tone " + refused);
        EXPECT_EQ(bad.status, 2) << refused << bad.output;
    }

    // A SoundFont cut short, as the user's choice: no synthesizer, no file, no crash.
    std::ifstream font("/usr/share/sounds/sf2/TimGM6mb.sf2", std::ios::binary);
    std::string head(65536, '\0');
    ASSERT_TRUE(font.read(head.data(), static_cast<std::streamsize>(head.size())));
    testing::WriteFile(folder / "cut.sf2", head);
    ::setenv("EARLOOP_SOUNDFONT", (folder / "cut.sf2").c_str(), 1);
    const testing::ToolRun cut = testing::RunToolApart("tone 440 " + folder / "cut.wav");
    ::unsetenv("EARLOOP_SOUNDFONT");
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.output, "");
    const std::string reason = "earloop-cli tone: no built-in synthesizer: no SoundFont was found, or it could not be loaded\n";
    EXPECT_TRUE(cut.errors.ends_with(reason)) << cut.errors;
    EXPECT_FALSE(std::filesystem::exists(folder / "cut.wav"));
}

}  // namespace
}  // namespace earloop
