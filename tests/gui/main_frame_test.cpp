// The real main frame under Xvfb: the keyboard shortcuts in the toolkit's key
// codes, and the window as the application object builds it.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/statusbr.h>

#include "app/application.h"
#include "display/note_box.h"
#include "fakes/fake_decoder.h"
#include "fakes/fake_platform.h"
#include "fakes/wav_builder.h"
#include "gui/window_capture.h"
#include "platform/wx/key_mapping.h"
#include "platform/wx/main_frame.h"
#include "platform/wx/note_box.h"
#include "platform/wx/wx_text_renderer.h"
#include "ports/control_ids.h"
#include "resources/menu_and_keys.h"
#include "resources/pictures.h"

namespace earloop {
namespace {

int CommandOfKey(const wxAcceleratorTable& table, int keyCode, bool shift) {
    wxKeyEvent event(wxEVT_KEY_DOWN);
    event.m_keyCode = keyCode;
    event.m_shiftDown = shift;
    const int command = table.GetCommand(event);
    return command == -1 ? -1 : ProgramCommandId(command);
}

// The program's keys, written out here rather than taken from its own table:
// the toolkit codes each key sends (a keypad key sends one with NumLock on and
// another with it off), whether Shift is held, and the command id it gives.
struct KeyRow {
    std::vector<int> codes;
    bool shift;
    int command;
};
const std::vector<KeyRow> kProgramKeys = {
    {{WXK_RETURN, WXK_NUMPAD_ENTER}, false, 40010},      // Play
    {{WXK_DOWN}, false, 40011},                          // Pause
    {{WXK_UP}, false, 40012},                            // Keep
    {{WXK_RIGHT}, false, 40013},                         // FF
    {{WXK_LEFT}, false, 40014},                          // RW
    {{WXK_SPACE}, false, 40019},                         // set the mark point
    {{WXK_SPACE}, true, 40041},                          // set the repeat end
    {{WXK_NUMPAD_MULTIPLY}, false, 40020},               // clear the mark point
    {{WXK_NUMPAD_MULTIPLY}, true, 40044},                // clear the repeat end
    {{WXK_NUMPAD_ADD}, false, 40034},                    // mark point later
    {{WXK_NUMPAD_ADD}, true, 40042},                     // repeat end later
    {{WXK_NUMPAD_SUBTRACT}, false, 40035},               // mark point earlier
    {{WXK_NUMPAD_SUBTRACT}, true, 40043},                // repeat end earlier
    {{WXK_NUMPAD_DIVIDE}, false, 40023},                 // vocal canceller
    {{WXK_NUMPAD_DECIMAL, WXK_NUMPAD_DELETE}, false, 40018},  // live input
    {{WXK_NUMPAD0, WXK_NUMPAD_INSERT}, false, 40015},    // Stop
    {{WXK_NUMPAD1, WXK_NUMPAD_END}, false, 40029},       // Sampling Time coarse
    {{WXK_NUMPAD2, WXK_NUMPAD_DOWN}, false, 40030},      // normal
    {{WXK_NUMPAD3, WXK_NUMPAD_PAGEDOWN}, false, 40031},  // precision
    {{WXK_NUMPAD4, WXK_NUMPAD_LEFT}, false, 40017},      // reference pitch down
    {{WXK_NUMPAD5, WXK_NUMPAD_BEGIN}, false, 40037},     // 440 Hz
    {{WXK_NUMPAD6, WXK_NUMPAD_RIGHT}, false, 40016},     // up
    {{WXK_NUMPAD7, WXK_NUMPAD_HOME}, false, 40026},      // pitch shift down
    {{WXK_NUMPAD8, WXK_NUMPAD_UP}, false, 40027},        // 0
    {{WXK_NUMPAD9, WXK_NUMPAD_PAGEUP}, false, 40028},    // up
    {{WXK_PAGEUP}, false, 40032},                        // speed +10 %
    {{WXK_PAGEDOWN}, false, 40033},                      // speed -10 %
    {{WXK_HOME}, false, 40021},                          // speed 100 %
    {{WXK_END}, false, 40022},                           // speed 1 %
    {{WXK_INSERT}, false, 40046},                        // open the Note box
    {{WXK_DELETE}, false, 40047},                        // close the Note box
};

TEST(Accelerators, EveryKeyGivesItsCommandInBothNumLockStatesAndNoOtherKeyIsBound) {
    auto* frame = new MainFrame();
    ASSERT_TRUE(frame->SetAccelerators(AcceleratorTable()));
    const wxAcceleratorTable& table = *frame->GetAcceleratorTable();
    std::map<std::pair<int, bool>, int> expected;
    for (const KeyRow& row : kProgramKeys)
        for (int code : row.codes) expected[{code, row.shift}] = row.command;
    for (const KeyRow& row : kProgramKeys)
        for (int code : row.codes)
            for (bool shift : {false, true}) {
                const auto found = expected.find({code, shift});
                EXPECT_EQ(CommandOfKey(table, code, shift), found == expected.end() ? -1 : found->second)
                    << "key code " << code << (shift ? " with Shift" : "");
            }
    EXPECT_EQ(AcceleratorEntries(AcceleratorTable()).size(), expected.size()) << "a key bound that is not listed";
    // Keypad keys stay the keypad's: main-keyboard digits and operators do nothing.
    for (int mainKey : {int('0'), int('1'), int('5'), int('9'), int('*'), int('+'), int('-'), int('/'), int('.')})
        EXPECT_EQ(CommandOfKey(table, mainKey, false), -1) << char(mainKey);
    frame->Destroy();
}

// The application over the real frame, with files and pictures from fakes.
struct RealWindow {
    MainFrame* frame = new MainFrame();
    FakeFileSystem files;
    testing::FakePictureLibraries pictures;
    WxTextRenderer text;
    testing::FakeWaveOutput waveOut;
    testing::FakeWaveInput waveIn;
    testing::FakeMidiOutput midiOut;
    WxNoteBox noteBox{*frame};
    testing::FakeDesktop desktop{files};
    testing::FakeDecoder decoder;
    testing::FakeRenderer renderer;
    Application app{{*frame, *frame, *frame, files, pictures, text, *frame, waveOut, waveIn, midiOut, noteBox, desktop,
                     decoder, renderer}};

    RealWindow() {
        frame->Attach(&app);
        noteBox.Attach(&app);
    }
    ~RealWindow() {
        if (!app.Destroyed()) frame->Close(true);
    }
};

void LetThePaintHappen() {
    for (int i = 0; i < 20; ++i) wxYield();
}

TEST(MainWindow, ShowsEveryControlWholeAboveTheStatusBarAndTheKeyboardPicture) {
    RealWindow w;
    ASSERT_TRUE(w.app.Create());
    w.app.Paint();
    w.app.InstallAccelerators();
    LetThePaintHappen();

    wxWindow* panel = w.frame->ClientPanel();
    EXPECT_EQ(panel->GetSize(), wxSize(kClientWidth, kClientHeight));
    EXPECT_EQ(w.frame->GetClientSize().GetWidth(), kClientWidth);
    wxStatusBar* bar = w.frame->GetStatusBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_GE(bar->GetPosition().y, kClientHeight);

    std::map<ControlHandle, ClassicControl*> controls;
    for (wxWindow* child : panel->GetChildren())
        if (auto* control = dynamic_cast<ClassicControl*>(child)) controls[control->Handle()] = control;
    ASSERT_EQ(controls.size(), static_cast<std::size_t>(kControlCount));
    for (int i = 0; i < kControlCount; ++i) {
        const Rect r = MainWindowControls()[i].spec.rect;
        const ClassicControl* control = controls.at(w.app.Window()[static_cast<Ctl>(i)]);
        const wxRect rect(r.x, r.y, r.width, r.height);
        // A group box's own window is only its caption; its frame is drawn in pieces.
        EXPECT_TRUE(control->Kind() == ControlKind::GroupBox ? rect.Contains(control->GetRect()) : control->GetRect() == rect) << i;
        EXPECT_TRUE(wxRect(panel->GetClientSize()).Contains(control->GetRect())) << i;
    }
    auto control = [&](Ctl ctl) { return controls.at(w.app.Window()[ctl]); };
    EXPECT_TRUE(control(Ctl::SamplingNormal)->IsChecked());
    EXPECT_EQ(control(Ctl::SamplingNormal)->Caption(), "93ms(Normal)");
    EXPECT_FALSE(control(Ctl::Play)->IsEnabled());
    EXPECT_TRUE(control(Ctl::Stop)->IsEnabled());

    // Read back what the screen shows of the keyboard, left of the range buttons.
    wxClientDC screen(panel);
    wxBitmap grab(200, 100, 24);
    wxMemoryDC(grab).Blit(0, 0, 200, 100, &screen, kKeyboardAt.x, kKeyboardAt.y);
    const wxImage shown = grab.ConvertToImage();
    const FrameBuffer keyboard = RenderPicture(static_cast<int>(PictureId::Keyboard))->Crop({0, 0, 200, 100});
    EXPECT_TRUE(std::equal(keyboard.Bytes().begin(), keyboard.Bytes().end(), shown.GetData())) << "not the keyboard's pixels";
}

TEST(MainWindow, AFileDroppedOnThePictureAreaBecomesTheCurrentWaveAndExitRunsTheShutdownOnce) {
    RealWindow w;
    testing::WaveSpec spec;
    spec.rate = 22050, spec.channels = 1, spec.samples = testing::RampSamples(22050, 1);
    w.files.Add("/music/dropped.wav", testing::MakeWav(spec));
    w.files.Add("/opt/earloop/earloop.ini", "[VOLUME]\nwave volume=40\n");
    ASSERT_TRUE(w.app.Create());
    LetThePaintHappen();

    auto* names = new wxString[1]{"/music/dropped.wav"};  // the event owns them
    wxDropFilesEvent drop(wxEVT_DROP_FILES, 1, names);
    w.frame->ClientPanel()->GetEventHandler()->ProcessEvent(drop);
    LetThePaintHappen();
    EXPECT_TRUE(w.app.Samples().loaded);
    EXPECT_EQ(w.frame->GetStatusBar()->GetStatusText(0), " /music/dropped.wav");
    EXPECT_EQ(w.frame->GetStatusBar()->GetStatusText(2), " 22050Hz mono 16bit");

    // Exit destroys the window, which saves the settings once.
    w.app.Command(ControlId::Exit);
    EXPECT_TRUE(w.app.Destroyed());
    EXPECT_TRUE(w.frame->CloseRequested());
    EXPECT_EQ(w.files.writes, 1);
    LetThePaintHappen();
}

TEST(MainWindow, APressOnThePictureHoldsThePointerAndSlidersReachTheApplication) {
    RealWindow w;
    testing::WaveSpec spec;
    spec.rate = 11025, spec.channels = 1, spec.samples = testing::RampSamples(11025, 1);
    w.files.Add("/music/dropped.wav", testing::MakeWav(spec));
    w.files.Add("/opt/earloop/earloop.ini", "[VOLUME]\nwave volume=40\n");
    ASSERT_TRUE(w.app.Create());
    w.app.DropFiles({"/music/dropped.wav"});
    auto send = [](wxWindow* target, wxEventType type, wxPoint at) {
        wxMouseEvent event(type);
        event.SetPosition(at);
        target->GetEventHandler()->ProcessEvent(event);
    };
    wxWindow* panel = w.frame->ClientPanel();
    send(panel, wxEVT_LEFT_DOWN, {553, 60});
    EXPECT_EQ(w.app.Playback().position, 22050u - 2048u);
    EXPECT_TRUE(panel->HasCapture());
    send(panel, wxEVT_LEFT_UP, {553, 60});
    EXPECT_FALSE(panel->HasCapture());

    // A click left of the wave volume's thumb pages it from 40 down to 30.
    for (wxWindow* child : panel->GetChildren())
        if (auto* c = dynamic_cast<ClassicControl*>(child); c && c->Handle() == w.app.Window()[Ctl::WaveVolumeSlider])
            send(c, wxEVT_LEFT_DOWN, {2, 7}), send(c, wxEVT_LEFT_UP, {2, 7});
    EXPECT_EQ(w.app.CurrentSettings().waveVolume, 30);
    LetThePaintHappen();
}

// Escape reaches the panel as the toolkit delivers it.
void SendEscape(MainFrame& frame, wxEventType type) {
    wxKeyEvent event(type);
    event.m_keyCode = WXK_ESCAPE;
    frame.ClientPanel()->GetEventHandler()->ProcessEvent(event);
}

// (Xvfb reports no key down to the display question, so these answers are
// the presses alone.)
TEST(Keyboard, AnEscapePressSinceTheLastQuestionIsSeenOnceAndTheToolkitsRepeatsAreNoPress) {
    auto* frame = new MainFrame();
    EXPECT_FALSE(frame->EscapePressed());
    SendEscape(*frame, wxEVT_KEY_DOWN);
    SendEscape(*frame, wxEVT_KEY_UP);
    EXPECT_TRUE(frame->EscapePressed()) << "a tap between two questions";
    EXPECT_FALSE(frame->EscapePressed()) << "seen once";
    SendEscape(*frame, wxEVT_CHAR_HOOK);
    SendEscape(*frame, wxEVT_KEY_DOWN);
    EXPECT_TRUE(frame->EscapePressed());
    SendEscape(*frame, wxEVT_KEY_DOWN);
    SendEscape(*frame, wxEVT_KEY_DOWN);
    EXPECT_FALSE(frame->EscapePressed()) << "the held key's repeats";
    SendEscape(*frame, wxEVT_KEY_UP);
    SendEscape(*frame, wxEVT_KEY_DOWN);
    EXPECT_TRUE(frame->EscapePressed()) << "pressed again";
    frame->Destroy();
}

using testing::Shown;

TEST(ProgressWindow, PaintsWithoutTheCallersLoopWhileNothingElseReachesTheProgram) {
    RealWindow w;
    testing::WaveSpec spec;
    spec.rate = 11025, spec.channels = 1, spec.samples = testing::RampSamples(11025, 1);
    w.files.Add("/music/dropped.wav", testing::MakeWav(spec));
    ASSERT_TRUE(w.app.Create());
    w.app.DropFiles({"/music/dropped.wav"});
    LetThePaintHappen();
    wxCommandEvent play(wxEVT_MENU, ToolkitCommandId(ControlId::Play));

    // Over the main window's keyboard picture: the window's own face with
    // the caption's letters on it, not what lay beneath.
    auto progress = w.frame->OpenProgress("LOADING", "Reading file ...", 5);
    wxWindow* window = nullptr;
    for (wxWindow* top : wxTopLevelWindows)
        if (top->GetLabel() == "LOADING") window = top;
    ASSERT_NE(window, nullptr);
    const wxImage shown = Shown(window);
    const wxColour face = window->GetBackgroundColour();
    int faceColoured = 0, dark = 0;
    for (int y = 0; y < shown.GetHeight(); ++y)
        for (int x = 0; x < shown.GetWidth(); ++x) {
            const wxColour pixel(shown.GetRed(x, y), shown.GetGreen(x, y), shown.GetBlue(x, y));
            faceColoured += pixel == face;
            dark += pixel.Red() + pixel.Green() + pixel.Blue() < 200;
        }
    const int pixels = shown.GetWidth() * shown.GetHeight();
    EXPECT_GT(faceColoured, pixels / 2);
    EXPECT_GT(dark, 20);

    w.frame->ClientPanel()->GetEventHandler()->ProcessEvent(play);
    SendEscape(*w.frame, wxEVT_KEY_DOWN);
    EXPECT_EQ(w.app.Playback().play, PlayState::Stopped) << "no command runs inside the task";
    EXPECT_TRUE(w.frame->EscapePressed()) << "but Escape is noted";
    progress.reset();
    w.frame->ClientPanel()->GetEventHandler()->ProcessEvent(play);
    EXPECT_NE(w.app.Playback().play, PlayState::Stopped);
    LetThePaintHappen();
}

}  // namespace
}  // namespace earloop

namespace earloop {
namespace {

TEST(NoteBoxWindow, OpensOnTopBesideTheFrameTakesTheKeysAndClosesByDeleteOrItsCloseButton) {
    RealWindow w;
    ASSERT_TRUE(w.app.Create());
    w.app.InstallAccelerators();
    LetThePaintHappen();
    w.app.Command(ControlId::OpenNoteBox);
    LetThePaintHappen();
    wxFrame* box = w.noteBox.Box();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->IsShown());
    EXPECT_TRUE(box->HasFlag(wxSTAY_ON_TOP));
    const wxRect frame = w.frame->GetRect();
    EXPECT_EQ(box->GetPosition(), wxPoint(frame.GetRight() + 1, frame.y));
    EXPECT_EQ(box->GetSize().GetHeight(), frame.height);
    auto* count = dynamic_cast<ClassicControl*>(w.noteBox.ControlWindow(NoteBoxId::Count));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->Caption(), "5 notes");
    // "+" counts up.
    w.app.NoteBoxCommand(NoteBoxId::More);
    EXPECT_EQ(count->Caption(), "6 notes");

    // The Delete key's command arrives from the box's own accelerator table.
    int deleteCode = KeyCodesOf(Key::Delete).front();
    wxKeyEvent key(wxEVT_KEY_DOWN);
    key.m_keyCode = deleteCode;
    const int command = box->GetAcceleratorTable()->GetCommand(key);
    EXPECT_EQ(ProgramCommandId(command), ControlId::CloseNoteBox);
    wxCommandEvent menu(wxEVT_MENU, command);
    box->GetEventHandler()->ProcessEvent(menu);
    EXPECT_FALSE(w.app.NoteBox().open);
    EXPECT_EQ(w.noteBox.Box(), nullptr);
    LetThePaintHappen();

    w.app.Command(ControlId::OpenNoteBox);
    LetThePaintHappen();
    ASSERT_NE(w.noteBox.Box(), nullptr);
    w.noteBox.Box()->Close();
    EXPECT_FALSE(w.app.NoteBox().open);
    LetThePaintHappen();
    // The next opening is a new box; the shutdown ends it.
    w.app.Command(ControlId::OpenNoteBox);
    ASSERT_NE(w.noteBox.Box(), nullptr);
    w.app.Command(ControlId::Exit);
    EXPECT_EQ(w.noteBox.Box(), nullptr);
    LetThePaintHappen();
}

}  // namespace
}  // namespace earloop
