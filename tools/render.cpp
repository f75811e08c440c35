#include "tools/render.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "platform/audio/mixer_renderer.h"
#include "playback/time_stretch.h"
#include "tools/arguments.h"
#include "tools/console_wave.h"
#include "wave/wav_format.h"

namespace earloop {

namespace {

int Fail(const std::string& text) {
    std::fprintf(stderr, "earloop-cli render: %s\n", text.c_str());
    return 1;
}

// Why the request's times do not fit a file of `lengthMs`; nullopt when they do.
std::optional<std::string> OutsideTheFile(const RenderRequest& request, std::uint32_t lengthMs) {
    const std::string length = std::to_string(lengthMs) + " ms";
    if (request.fromMs != 0 && request.fromMs >= lengthMs) return "--from must be before the end of the file, " + length;
    if (request.toMs && *request.toMs > lengthMs) return "--to must be at most the length of the file, " + length;
    if (request.keepMs && *request.keepMs != 0 && *request.keepMs >= lengthMs)
        return "--keep must be before the end of the file, " + length;
    return std::nullopt;
}

}  // namespace

std::variant<RenderRequest, std::string> ParseRenderArguments(std::span<const std::string> args) {
    RenderRequest request;
    std::vector<std::string> files;
    std::set<std::string> given;
    bool modeGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            files.push_back(arg);
            continue;
        }
        if (!given.insert(arg).second) return arg + " is given twice";
        if (arg == "--vocal-cancel" || arg == "--full-quality") {
            (arg == "--vocal-cancel" ? request.vocalCancel : request.fullQuality) = true;
            continue;
        }
        static const std::set<std::string> kValued{"--speed", "--shift", "--from", "--to", "--keep", "--seconds",
                                                   "--keep-mode"};
        if (!kValued.contains(arg)) return "unknown option " + arg;
        if (i + 1 >= args.size()) return arg + " needs a value";
        const std::string& value = args[++i];
        if (arg == "--speed") {
            if (!(request.speedPercent = InRange(value, 1, 100))) return "--speed must be a whole number from 1 to 100";
        } else if (arg == "--shift") {
            const auto shift = InRange(value, kMinPitchShift, kMaxPitchShift);
            if (!shift) return "--shift must be a whole number from -5 to 12";
            request.shift = *shift;
        } else if (arg == "--seconds") {
            const auto seconds = InRange(value, 1, kMaxRenderSeconds);
            if (!seconds) return "--seconds must be a whole number from 1 to " + std::to_string(kMaxRenderSeconds);
            request.seconds = static_cast<std::uint32_t>(*seconds);
        } else if (arg == "--keep-mode") {
            if (value != "single" && value != "double") return "--keep-mode must be single or double";
            request.keepMode = value == "single" ? 0 : 1;
            modeGiven = true;
        } else {
            const auto ms = Milliseconds(value);
            if (!ms) return arg + " must be a whole number of milliseconds";
            if (arg == "--from") request.fromMs = *ms;
            if (arg == "--to") request.toMs = *ms;
            if (arg == "--keep") request.keepMs = *ms;
        }
    }
    if (files.size() != 2) return "needs IN.wav and OUT.wav";
    request.input = files[0];
    request.output = files[1];
    if (request.toMs && request.fromMs > *request.toMs) return "--from is after --to";
    if (request.keepMs) {
        if (request.seconds == 0) return "--keep needs --seconds";
        if (request.speedPercent || given.contains("--from") || request.toMs)
            return "--speed, --from and --to do not apply to --keep";
    } else if (request.seconds != 0 || modeGiven) {
        return "--seconds and --keep-mode need --keep";
    }
    return request;
}

int Render(const RenderRequest& request) {
    ConsoleDialogs dialogs;
    ErrorState error;
    auto image = LoadWaveForTool(request.input, dialogs, error);
    if (!image) return RefuseFile(error);
    // As MakeCurrent does, without opening a device.
    SampleStore samples;
    samples.fileName = request.input;
    samples.image = std::move(*image);
    samples.loaded = true;
    samples.workBytes =
        PrepareSamples(samples.image, dialogs, true, request.fullQuality ? &samples.fullRate : nullptr);
    samples.baseOutputFormat = WorkingFormat(samples.Format());
    samples.outputFormat = samples.baseOutputFormat;
    const std::uint16_t channels = samples.baseOutputFormat.nChannels;
    if (const auto outside = OutsideTheFile(request, LengthMs(samples.workBytes, samples.baseOutputFormat)))
        return UsageError("render", *outside);
    if (request.vocalCancel && channels != 2) return Fail("--vocal-cancel needs a stereo file");

    struct : RenderProgress {
        bool Continue(int) override { return true; }
    } unwatched;
    MixerRenderer renderer;
    const RenderOutcome outcome = renderer.Render(
        samples, request, AudioFileTypeOf(request.output).value_or(AudioFileType::Wav), request.output, unwatched);
    if (outcome.result != RenderResult::Done) return Fail(outcome.error);
    std::printf("%s: %llu frames at %u Hz, %s, 16 bit\n", request.output.c_str(),
                static_cast<unsigned long long>(outcome.frames), kRenderRate, channels == 2 ? "stereo" : "mono");
    return 0;
}

int RenderCommand(int argc, char** argv) { return RunSubcommand<RenderRequest>("render", argc, argv, ParseRenderArguments, Render); }

}  // namespace earloop
