// The MIDI output adapter: the built-in synthesizer heard through the capture
// of the mixer with the set-up's SoundFont, the SoundFont search, the system
// ports without a MIDI system, and the product names.

#include "platform/midi/midi_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "fakes/tone_analysis.h"
#include "platform/audio/mixer.h"

namespace earloop {
namespace {

using testing::Cents;
using testing::PeakFrequency;
using testing::StereoView;

constexpr std::uint32_t kRate = 48000;
constexpr std::size_t kPeriod = 480;  // 10 ms, as the render steps

// TimGM6mb.sf2 by its own name, whatever the machine's default GM font is.
SoundFontSearch TimGm6mb() { return {"/usr/share/sounds/sf2/TimGM6mb.sf2", {}}; }

std::uint32_t Message(std::uint8_t status, std::uint8_t data1 = 0, std::uint8_t data2 = 0) {
    return status | data1 << 8 | data2 << 16;
}

// The pitch wheel value for `cents` with a wheel range of `rangeSemitones`.
std::uint32_t Bend(std::uint8_t channel, double cents, int rangeSemitones) {
    const auto value = static_cast<std::uint32_t>(std::lround(8192 + 8192 * cents / (100.0 * rangeSemitones)));
    return Message(static_cast<std::uint8_t>(0xE0 | channel), value & 0x7F, value >> 7);
}

// The synthesizer as the program opens it, rendered by a capture in steps of
// one period.
struct SynthCapture {
    CaptureOutput capture{kRate};
    SystemMidiOutput midi{capture.GetMixer(), TimGm6mb()};
    std::unique_ptr<MidiOutDevice> synth = midi.Open(kMidiMapper);

    void Send(std::initializer_list<std::uint32_t> messages) {
        for (std::uint32_t m : messages) synth->ShortMessage(m);
    }
    void Advance(double seconds) {
        for (auto frames = static_cast<std::size_t>(seconds * kRate); frames > 0;) {
            const std::size_t n = std::min(frames, kPeriod);
            capture.Advance(n);
            frames -= n;
        }
    }
    std::size_t Frames() const { return capture.Captured().size() / 2; }
    double Pitch(std::size_t from, double seconds, double guessHz) const {
        return PeakFrequency(StereoView{capture.Captured()}, from, static_cast<std::size_t>(seconds * kRate), kRate,
                             guessHz);
    }
    float Peak(std::size_t from, std::size_t to) const {
        const auto& s = capture.Captured();
        float peak = 0;
        for (std::size_t i = 2 * from; i < 2 * to; ++i) peak = std::max(peak, std::fabs(s[i]));
        return peak;
    }
    double Rms(std::size_t from, std::size_t to) const {
        const auto& s = capture.Captured();
        double sum = 0;
        for (std::size_t i = 2 * from; i < 2 * to; ++i) sum += double{s[i]} * s[i];
        return std::sqrt(sum / static_cast<double>(2 * (to - from)));
    }
};

// The wheel's range set by RPN 0 on `channel`, then the RPN closed, as the program tunes.
std::vector<std::uint32_t> BendRange(std::uint8_t channel, std::uint8_t semitones) {
    const auto cc = static_cast<std::uint8_t>(0xB0 | channel);
    return {Message(cc, 0x65, 0x00), Message(cc, 0x64, 0x00), Message(cc, 0x06, semitones), Message(cc, 0x65, 0x7F),
            Message(cc, 0x64, 0x7F)};
}

TEST(MidiSynth, SoundsEachNoteAtItsPitchAndABendMovesItByTheRangeSetByRpn) {
    // The piano (program 0), measured from 50 ms on while its note is
    // strong: TimGM6mb's own samples of the organs (16, 17, 19) and the
    // clarinet (71) are tuned 3 cents sharp at every rate, its piano within
    // 2 cents (middle C -1.8, A -0.1).
    struct Case {
        const char* what;
        std::uint8_t channel, note;
        std::uint8_t range;  // semitones
        double bendCents;
        double hz;
    };
    const double a443 = Cents(443, 440);
    const Case cases[] = {
        {"middle C", 0, 60, 2, 0, 261.6256},
        {"A at 440", 0, 69, 2, 0, 440.0},
        {"A at 443", 0, 69, 2, a443, 443.0},
        {"A at 443 on the last channel", 15, 69, 2, a443, 443.0},
        {"A a semitone down, the wheel's low half", 0, 69, 2, -100, 415.3047},
        {"A a semitone up with the range at an octave", 0, 69, 12, 100, 466.1638},
    };
    constexpr double kFrom = 0.05, kSpan = 0.25;
    for (const Case& c : cases) {
        SynthCapture s;
        ASSERT_NE(s.synth, nullptr) << "TimGM6mb.sf2 is missing: scripts/install-deps.sh installs it";
        const auto ch = c.channel;
        for (std::uint32_t m : BendRange(ch, c.range)) s.synth->ShortMessage(m);
        s.Send({Message(0xC0 | ch, 0), Bend(ch, c.bendCents, c.range), Message(0x90 | ch, c.note, 100)});
        s.Advance(kFrom + kSpan);
        const double hz = s.Pitch(static_cast<std::size_t>(kFrom * kRate), kSpan, c.hz);
        EXPECT_NEAR(Cents(hz, c.hz), 0, 2) << c.what << ": " << hz << " Hz";
    }
}

TEST(MidiSynth, ResetSilencesTheNextPeriodAndANoteAfterItSoundsAgain) {
    SynthCapture s;
    ASSERT_NE(s.synth, nullptr);
    s.Send({Message(0xC0, 19), Message(0x90, 60, 100), Message(0x91, 64, 100), Message(0x9F, 67, 100)});
    s.Advance(0.3);
    EXPECT_GT(s.Peak(s.Frames() - kPeriod, s.Frames()), 0.01f) << "three organ notes sound";
    s.synth->Reset();
    const std::size_t reset = s.Frames();
    s.Advance(0.2);
    EXPECT_EQ(s.Peak(reset, s.Frames()), 0.0f) << "every channel silent from the period after the reset";
    // In order: a note sent after a reset in the same period is not reset.
    s.synth->Reset();
    s.Send({Message(0x90, 69, 100)});
    const std::size_t again = s.Frames();
    s.Advance(0.3);
    EXPECT_NEAR(s.Pitch(again + kRate / 10, 0.2, 440), 440, 440 * 0.002);
}

TEST(MidiSynth, VolumeIsTheGainOfTheLouderHalfLinearlyAndIsReadBack) {
    const double heardAt = 0.3, span = 0.2;
    auto level = [&](PackedVolume volume) {
        SynthCapture s;
        s.synth->SetVolume(volume);
        EXPECT_EQ(s.synth->Volume(), volume);
        s.Send({Message(0xC0, 19), Message(0x90, 60, 100)});
        s.Advance(heardAt + span);
        const auto from = static_cast<std::size_t>(heardAt * kRate);
        return s.Rms(from, s.Frames());
    };
    const double full = level(0xFFFFFFFF);
    // Full volume is not quiet: one organ note well above -33 dBFS.
    EXPECT_GT(20 * std::log10(full), -26.0);
    EXPECT_NEAR(level(0x80008000) / full, 0x8000 / 65535.0, 0.01);
    EXPECT_NEAR(level(0xFFFF0000) / full, 1.0, 0.01) << "the louder half";
    EXPECT_NEAR(level(0x00004000) / full, 0x4000 / 65535.0, 0.01);
    EXPECT_EQ(level(0), 0.0);
}

TEST(MidiSynth, TwoOpenAtOnceAThirdFailsAndClosingDetachesFromTheMixer) {
    CaptureOutput capture(kRate);
    SystemMidiOutput midi(capture.GetMixer(), TimGm6mb());
    auto first = midi.Open(kMidiMapper);
    auto second = midi.Open(kMidiMapper);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(midi.Open(kMidiMapper), nullptr) << "the mixer's places are taken";
    second->ShortMessage(Message(0x90, 60, 100));
    capture.Advance(kPeriod);
    second.reset();
    capture.Advance(kPeriod);
    const auto& out = capture.Captured();
    EXPECT_TRUE(std::any_of(out.begin(), out.begin() + 2 * kPeriod, [](float x) { return x != 0; }));
    EXPECT_TRUE(std::all_of(out.begin() + 2 * kPeriod, out.end(), [](float x) { return x == 0; }))
        << "a closed synthesizer is no longer rendered";
    EXPECT_NE(midi.Open(kMidiMapper), nullptr) << "its place is free again";
}

// A folder of empty files with the given names, removed at the end.
struct Folder {
    explicit Folder(const std::string& name, std::initializer_list<const char*> files = {})
        : path(std::filesystem::temp_directory_path() / ("earloop_sf2_" + name)) {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        for (const char* file : files) std::ofstream(path / file) << "not a SoundFont";
    }
    ~Folder() { std::filesystem::remove_all(path); }
    std::string File(const char* name) const { return (path / name).string(); }
    std::filesystem::path path;
};

TEST(MidiSoundFont, FoundByItsOwnNameInTheFoldersOrAsTheUsersChoiceNeverAsTheDefault) {
    const Folder defaultOnly("default", {"default-GM.sf2", "FluidR3_GM.sf2"});
    const Folder second("second", {"TimGM6mb.sf2", "default-GM.sf2"});
    const Folder own("own", {"mine.sf2"});
    const std::string nowhere = (own.path / "gone.sf2").string();
    EXPECT_EQ(FindSoundFont({nowhere, {defaultOnly.path.string()}}), std::nullopt);
    EXPECT_EQ(FindSoundFont({"", {"/nonexistent", defaultOnly.path.string(), second.path.string()}}),
              second.File("TimGM6mb.sf2"));
    EXPECT_EQ(FindSoundFont({nowhere, {second.path.string()}}), second.File("TimGM6mb.sf2"))
        << "a chosen path that is missing falls back to the folders";
    EXPECT_EQ(FindSoundFont({own.File("mine.sf2"), {second.path.string()}}), own.File("mine.sf2"));
    EXPECT_EQ(FindSoundFont({own.path.string(), {}}), std::nullopt) << "a folder is no SoundFont";

    CaptureOutput capture(kRate);
    EXPECT_EQ(SystemMidiOutput(capture.GetMixer(), {nowhere, {defaultOnly.path.string()}}).Open(kMidiMapper),
              nullptr)
        << "no SoundFont";
    EXPECT_EQ(SystemMidiOutput(capture.GetMixer(), {own.File("mine.sf2"), {}}).Open(kMidiMapper), nullptr)
        << "a file that is no SoundFont";
}

TEST(MidiPorts, WithOrWithoutAMidiSystemNumbersOutsideTheListOpenNothing) {
    CaptureOutput capture(kRate);
    SystemMidiOutput midi(capture.GetMixer(), {"", {}});
    const int count = midi.DeviceCount();
    ASSERT_GE(count, 0);
    for (int n = 0; n < count; ++n) EXPECT_LE(midi.ProductName(n).size(), kProductNameBytes);
    for (int n : {-2, -1, count, count + 1}) {
        EXPECT_EQ(midi.ProductName(n), "") << n;
        if (n != kMidiMapper) {
            EXPECT_EQ(midi.Open(n), nullptr) << n;
        }
    }
    EXPECT_EQ(midi.Open(kMidiMapper), nullptr) << "nothing searched, no SoundFont";
}

TEST(MidiPorts, ProductNamesAreCutTo31BytesOfWholeCharacters) {
    struct Case {
        std::string name, cut;
    };
    const std::string thirtyOne(31, 'x');
    const Case cases[] = {
        {"Midi Through:Midi Through Port-0 14:0", "Midi Through:Midi Through Port-"},
        {thirtyOne, thirtyOne},
        {thirtyOne + "y", thirtyOne},
        {"", ""},
        // "é" is two bytes: at bytes 30 and 31 it does not fit whole.
        {std::string(30, 'a') + "\xC3\xA9" + "b", std::string(30, 'a')},
        {std::string(29, 'a') + "\xC3\xA9" + "b", std::string(29, 'a') + "\xC3\xA9"},
        // Three-byte characters: ten fit in 30 bytes, the eleventh would not.
        {[] { std::string s; for (int i = 0; i < 12; ++i) s += "\xE9\x9F\xB3"; return s; }(),
         [] { std::string s; for (int i = 0; i < 10; ++i) s += "\xE9\x9F\xB3"; return s; }()},
        // A four-byte character straddling the cut.
        {std::string(28, 'a') + "\xF0\x9F\x8E\xB9", std::string(28, 'a')},
    };
    for (const Case& c : cases) EXPECT_EQ(CutToWholeCharacters(c.name, kProductNameBytes), c.cut) << c.name;
}

TEST(MidiPorts, AShortMessageHasTheBytesItsStatusSays) {
    struct Case {
        std::uint8_t status;
        std::size_t bytes;
    };
    const Case cases[] = {{0x00, 0}, {0x7F, 0}, {0x80, 3}, {0x90, 3}, {0x9F, 3}, {0xA5, 3}, {0xB0, 3},
                          {0xBF, 3}, {0xC0, 2}, {0xCF, 2}, {0xD3, 2}, {0xE0, 3}, {0xEF, 3}, {0xF0, 0},
                          {0xF1, 2}, {0xF2, 3}, {0xF3, 2}, {0xF4, 0}, {0xF5, 0}, {0xF6, 1}, {0xF7, 0},
                          {0xF8, 1}, {0xF9, 0}, {0xFA, 1}, {0xFD, 0}, {0xFE, 1}, {0xFF, 1}};
    for (const Case& c : cases) EXPECT_EQ(ShortMessageBytes(c.status), c.bytes) << std::hex << int{c.status};
}

}  // namespace
}  // namespace earloop
