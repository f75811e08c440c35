// The sound input over the application object: live input with its pause
// and its Sampling Time changes, the recorder from START to the saved take,
// and every way a take can fail to be saved without losing a file.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

#include "app/application.h"
#include "fakes/app_harness.h"
#include "fakes/sample_bytes.h"
#include "ports/control_ids.h"
#include "record/take_saving.h"

namespace earloop {
namespace {

namespace cid = ControlId;
using Log = std::vector<std::string>;
using testing::FakeRecorderDialog;

constexpr const char* kCapture = "/opt/earloop/Temp.dat";
constexpr const char* kPushStart = " Push [START] Button for Recording.";

std::uint32_t U32At(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

struct Harness : testing::AppHarness {
    // `installed`: the program's folder takes no new files, as after an install.
    explicit Harness(bool installed = false) {
        if (installed) {
            files.readOnlyFolders = {"/opt/earloop/"};
            files.environment = {{"HOME", "/home/u"}};
        }
        EXPECT_TRUE(Start());
        waveIn.signal = testing::Tone(11025, 2, 440.0);
    }
    FrameBuffer Detail() const { return window.screen.Crop(kDetailView); }
    // The recorder as a user works it: START, `blocks` input blocks over
    // `ms`, a look at the timer just before the end, FINISH.
    void Record(int blocks, std::uint64_t ms, std::string* timerText = nullptr) {
        dialogs.recorder = [=, this](RecorderEvents& events, FakeRecorderDialog& dialog) {
            events.StartPressed(dialog);
            if (dialog.closed) return;
            waveIn.Arrive(blocks);
            timers.nowMs += ms - 20;
            events.TimerTick(dialog);
            if (timerText) *timerText = dialog.Text();
            timers.nowMs += 20;
            events.FinishPressed(dialog);
        };
        app.Command(cid::Record);
    }
    Log BoxCaptions() const {
        Log captions;
        for (const MessageBoxRequest& box : dialogs.boxes) captions.push_back(box.caption);
        return captions;
    }
};

TEST(Recorder, ATakeOfTenBlocksIsCompletedTimedNamedAndBecomesTheCurrentWave) {
    Harness h;
    h.dialogs.takeNames = {"Take 1"};
    std::string timerText;
    h.Record(10, 3270, &timerText);
    EXPECT_EQ(timerText, "Now Recording - - 3.2 sec");
    EXPECT_EQ(h.dialogs.takeNameTexts, Log{" Recorded Time : 3.27 sec\n 16 bit, 2 channel, 11025 Hz/Sec"});
    EXPECT_EQ(h.dialogs.lastRecorder.texts, (Log{kPushStart, "Now Recording", timerText}));
    EXPECT_TRUE(h.dialogs.lastRecorder.closed);
    EXPECT_EQ(h.dialogs.lastRecorder.timerPeriod, 0) << "FINISH stops the dialog's timer";

    // Before any file was opened, takes go beside the program.
    const std::string target = "/opt/earloop/Take 1.wav";
    const auto saved = h.files.Contents(target);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->size(), 44u + 40960u);
    EXPECT_EQ(U32At(*saved, 4), 40996u);
    EXPECT_EQ(U32At(*saved, 40), 40960u);
    EXPECT_EQ(saved->substr(44, 8), std::string(reinterpret_cast<const char*>(
                                                    testing::ToBytes(testing::Tone(2, 2, 440.0)).data()), 8));
    EXPECT_FALSE(h.files.Contents(kCapture));
    EXPECT_EQ(h.files.log, (Log{"create /opt/earloop/Temp.dat", "move /opt/earloop/Temp.dat " + target}));
    // The input ran in 4096-byte blocks; its device is closed now.
    EXPECT_EQ(std::count(h.waveIn.log.begin(), h.waveIn.log.end(), "add 4096 tag 0"), 6);
    EXPECT_EQ(h.waveIn.log.back(), "close");

    EXPECT_TRUE(h.app.Samples().loaded);
    EXPECT_EQ(h.app.Samples().fileName, target);
    EXPECT_EQ(h.app.Playback().totalMs, 40960u * 1000 / 44100);
    EXPECT_TRUE(h.app.States()[Transport::Play].available);
    h.app.Command(cid::Play);
    EXPECT_EQ(h.app.Playback().play, PlayState::Playing);
}

// The capture file and the takes made before any wave was opened go to the
// user's data folder, made at the first START.
TEST(Recorder, AnInstalledProgramCapturesAndSavesInTheUsersDataFolder) {
    Harness h(/*installed=*/true);
    h.dialogs.takeNames = {"Take 1"};
    h.Record(2, 200);
    const std::string folder = "/home/u/.local/share/earloop/";
    EXPECT_EQ(h.files.createdFolders, Log{folder});
    EXPECT_EQ(h.files.log, (Log{"create " + folder + "Temp.dat", "move " + folder + "Temp.dat " + folder + "Take 1.wav"}));
    EXPECT_EQ(h.app.Samples().fileName, folder + "Take 1.wav");
    EXPECT_TRUE(h.dialogs.boxes.empty());
}

TEST(Recorder, RefusedNamesAndADeclinedOverwriteAskAgainAndAnAgreedOneKeepsABackupUntilTheMove) {
    Harness h;
    h.Load(testing::RampSamples(11025, 2), 2);  // takes now go to /music/
    h.files.Add("/music/Old.wav", "old take");
    h.dialogs.takeNames = {"my.take", " lead", "Old", "Old"};
    h.dialogs.answers = {MessageResult::No, MessageResult::Yes};
    h.Record(3, 300);
    EXPECT_EQ(h.dialogs.takeNameTexts.size(), 4u);
    EXPECT_EQ(h.BoxCaptions(), (Log{"Save wave file", "Save wave file"}));
    EXPECT_EQ(h.dialogs.boxes[0].text, "/music/Old.wav ファイルは既に存在します。\n 上書きしますか？");
    EXPECT_EQ(h.dialogs.boxes[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(h.files.log, (Log{"create /opt/earloop/Temp.dat", "move /music/Old.wav /music/Old.___",
                                "move /opt/earloop/Temp.dat /music/Old.wav", "delete /music/Old.___"}));
    EXPECT_EQ(h.files.Contents("/music/Old.wav")->size(), 44u + 3 * 4096);
    EXPECT_EQ(h.app.Samples().fileName, "/music/Old.wav");
}

TEST(Recorder, AFailedMoveRestoresTheReplacedFileAndKeepsTheTake) {
    for (const bool overwrite : {false, true}) {
        Harness h;
        h.Load(testing::RampSamples(11025, 2), 2);
        if (overwrite) h.files.Add("/music/Old.wav", "old take");
        h.files.failMovesFrom.insert(kCapture);
        h.dialogs.takeNames = {"Old"};
        h.Record(2, 200);
        const Log expected = overwrite ? Log{"Save wave file", "Error R2 ", "Earloop !"}
                                       : Log{"Error R1 case 0: ", "Earloop !"};
        EXPECT_EQ(h.BoxCaptions(), expected);
        EXPECT_EQ(h.dialogs.boxes.at(overwrite ? 1 : 0).text, "ファイルの保存に失敗しました");
        EXPECT_EQ(h.files.Contents("/music/Old.wav"), overwrite ? std::optional<std::string>("old take") : std::nullopt);
        EXPECT_FALSE(h.files.Contents("/music/Old.___"));
        EXPECT_EQ(h.files.Contents(kCapture)->size(), 44u + 2 * 4096) << "the take is not thrown away";
        EXPECT_EQ(h.app.Samples().fileName, "/music/take.wav");
        EXPECT_TRUE(h.app.States()[Transport::Play].available);
    }
}

TEST(Recorder, ClosingTheSaveDialogDeletesTheCaptureAndTheOldWavePlaysOnWithItsOverview) {
    Harness h;
    h.Load(testing::RampSamples(11025, 2), 2);
    h.app.Paint();
    const FrameBuffer overview = h.app.View().Pictures().overview;
    h.Record(4, 400);  // no name given: the close box
    EXPECT_EQ(h.dialogs.takeNameTexts.size(), 1u);
    EXPECT_FALSE(h.files.Contents(kCapture));
    EXPECT_EQ(h.app.Samples().fileName, "/music/take.wav");
    EXPECT_EQ(h.app.View().Pictures().overview, overview) << "the take's overview was drawn meanwhile";
    EXPECT_TRUE(h.app.Playback().resumeHere);
    h.waveOut.TakeLog();
    h.app.Command(cid::Play);
    EXPECT_EQ(h.app.Playback().play, PlayState::Playing);
    EXPECT_FALSE(h.waveOut.TakeLog().empty());
}

TEST(Recorder, AFullDiskIsReportedAndTheTakeKeepsTheBlocksWrittenBeforeIt) {
    Harness h;
    h.files.freeSpace = 44 + 3 * 4096 + 100;
    h.dialogs.takeNames = {"Short"};
    h.Record(10, 1000);
    ASSERT_EQ(h.BoxCaptions(), Log{"Earloop !"});
    EXPECT_EQ(h.dialogs.boxes[0].text,
              "The recording could not be written in full (the disk may be full). The take keeps its first 0.27 sec.");
    const auto saved = h.files.Contents("/opt/earloop/Short.wav");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->size(), 44u + 3 * 4096);
    EXPECT_EQ(U32At(*saved, 40), 3u * 4096);
}

TEST(Recorder, TheCloseBoxDuringACaptureKeepsItsFileAndLeavesNoTake) {
    Harness h;
    h.dialogs.recorder = [&](RecorderEvents& events, FakeRecorderDialog& dialog) {
        events.StartPressed(dialog);
        h.waveIn.Arrive(2);
        events.ClosePressed(dialog);
    };
    h.app.Command(cid::Record);
    EXPECT_TRUE(h.dialogs.takeNameTexts.empty());
    EXPECT_EQ(U32At(*h.files.Contents(kCapture), 40), 10000u) << "the provisional header stays";
    EXPECT_EQ(h.files.Contents(kCapture)->size(), 44u + 2 * 4096);
    EXPECT_FALSE(h.app.Samples().loaded);
    EXPECT_TRUE(h.app.States()[Transport::LiveInput].available);
    EXPECT_TRUE(h.app.States().samplingTime);
}

TEST(Recorder, WithoutAnInputDeviceEachStepSaysSoAndTheProgramWorksOn) {
    Harness h;
    h.waveIn.failOpen = true;
    h.app.Command(cid::LiveInput);
    ASSERT_EQ(h.dialogs.boxes.size(), 1u);
    EXPECT_EQ(h.dialogs.boxes[0], (MessageBoxRequest{"Fail to open Wave In device(ERROR 400)", "Earloop !",
                                                     MessageIcon::Exclamation, MessageButtons::Ok, false}));
    EXPECT_FALSE(h.app.Input().liveInputOn);
    EXPECT_EQ(h.app.Error().code, 400);

    h.dialogs.boxes.clear();
    h.Record(1, 100);
    ASSERT_EQ(h.dialogs.boxes.size(), 2u);
    EXPECT_EQ(h.dialogs.boxes[0].text, "Fail to open Wave In device(ERROR 400)");
    EXPECT_EQ(h.dialogs.boxes[1].text, "Fail to open Wave In device. (400)");
    EXPECT_TRUE(h.dialogs.lastRecorder.closed);
    EXPECT_TRUE(h.dialogs.takeNameTexts.empty());
    EXPECT_FALSE(h.files.Contents(kCapture));

    h.Load(testing::RampSamples(11025, 2), 2);
    h.app.Command(cid::Play);
    EXPECT_EQ(h.app.Playback().play, PlayState::Playing);
}

TEST(Recorder, ACaptureFileThatCannotBeMadeEndsTheDialog) {
    Harness h;
    h.files.failWrites = true;
    h.Record(1, 100);
    EXPECT_EQ(h.BoxCaptions(), Log{"Earloop !"});
    EXPECT_EQ(h.dialogs.boxes[0].text, "録音用ファイルを準備できません (400)");
    EXPECT_TRUE(h.dialogs.takeNameTexts.empty());
}

TEST(LiveInput, ShowsEachBlockAndSpaceFreezesThePictureThenResumesIt) {
    Harness h;
    const FrameBuffer empty = h.Detail();
    h.app.Command(cid::LiveInput);
    EXPECT_TRUE(h.app.Input().liveInputOn);
    EXPECT_TRUE(h.app.States()[Transport::LiveInput].latched);
    EXPECT_EQ(h.waveIn.Arrive(1), 1);
    EXPECT_EQ(h.waveIn.TakeLog(), (Log{"open 11025 2", "add 4096 tag 0", "add 4096 tag 1", "start", "add 4096 tag 0"}));
    const FrameBuffer first = h.Detail();
    EXPECT_NE(first, empty);

    h.app.Command(cid::MarkSet);  // Space
    EXPECT_TRUE(h.app.Input().liveInputPaused);
    EXPECT_EQ(h.waveIn.TakeLog(), (Log{"reset", "close"}));
    h.waveIn.signal = testing::Tone(11025, 2, 1000.0);
    EXPECT_EQ(h.waveIn.Arrive(3), 0);
    EXPECT_EQ(h.Detail(), first) << "the last block stays";

    h.app.Command(cid::MarkSet);
    EXPECT_EQ(h.waveIn.Arrive(1), 1);
    EXPECT_NE(h.Detail(), first);
    EXPECT_FALSE(h.app.Input().liveInputPaused);

    h.app.Command(cid::Stop);
    EXPECT_FALSE(h.app.Input().liveInputOn);
    EXPECT_TRUE(h.app.Playback().resumeHere);
    EXPECT_EQ(h.waveIn.TakeLog().back(), "close");
    EXPECT_FALSE(h.app.States()[Transport::LiveInput].latched);
    EXPECT_TRUE(h.app.States()[Transport::LiveInput].available);
}

TEST(LiveInput, ASamplingTimeChoiceReopensTheInputWithBlocksOfItsLength) {
    Harness h;
    h.app.Command(cid::LiveInput);
    h.waveIn.Arrive(1);
    h.waveIn.TakeLog();
    const int blockBytes[] = {2048, 4096, 8192};
    for (int choice : {1, 3, 2}) {
        h.app.Command(cid::SamplingCoarse + choice - 1);
        h.waveIn.Arrive(1);
        const std::string add = "add " + std::to_string(blockBytes[choice - 1]);
        EXPECT_EQ(h.waveIn.TakeLog(), (Log{"reset", "close", "open 11025 2", add + " tag 0", add + " tag 1", "start",
                                           add + " tag 0"}))
            << choice;
        EXPECT_EQ(h.app.Analysis().monitorPoints, blockBytes[choice - 1] / 4);
    }
}

TEST(LiveInput, AChordFromTheInputIsNamedInTheNoteBoxAsTheSameChordFromAFile) {
    const std::vector<std::int16_t> chord = testing::ChordSignal(11025);
    Harness file;
    file.Load(chord, 2);
    const std::string fileChord = file.ChordAfterPlaying();
    EXPECT_NE(fileChord.find(" C"), std::string::npos) << fileChord;

    Harness live;
    live.waveIn.signal = chord;
    live.app.Command(cid::OpenNoteBox);
    live.app.Command(cid::SamplingPrecision);
    live.app.Command(cid::LiveInput);
    live.waveIn.Arrive(3);
    EXPECT_EQ(live.noteBox.Find(NoteBoxId::ChordText)->text, fileChord);
    EXPECT_EQ(live.noteBox.Find(NoteBoxId::BassText)->text, file.noteBox.Find(NoteBoxId::BassText)->text);
    EXPECT_EQ(live.app.Notes().sortedNotes.size(), file.app.Notes().sortedNotes.size());
}

TEST(RecorderTexts, TimesAreCutToTenthsAndHundredths) {
    EXPECT_EQ(RecordingTimeText(0), "Now Recording - - 0.0 sec");
    EXPECT_EQ(RecordingTimeText(61999), "Now Recording - - 61.9 sec");
    EXPECT_EQ(RecordedTakeText(5, kInputFormat), " Recorded Time : 0.00 sec\n 16 bit, 2 channel, 11025 Hz/Sec");
    EXPECT_EQ(RecordedTakeText(120509, Pcm16Format(1, 44100)),
              " Recorded Time : 120.50 sec\n 16 bit, 1 channel, 44100 Hz/Sec");
    EXPECT_EQ(TakeTargetPath(TakeFolder("/home/u/songs/a.wav", "/opt/e/"), "Take 2"), "/home/u/songs/Take 2.wav");
    EXPECT_EQ(BackupPathOf("/home/u/songs/Take 2.wav"), "/home/u/songs/Take 2.___");
}

}  // namespace
}  // namespace earloop
