// The real main frame under Xvfb: the keyboard shortcuts in the toolkit's key
// codes, and the window as the application object builds it.

#include <gtest/gtest.h>

#include <map>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/statusbr.h>

#include "app/application.h"
#include "app/control_ids.h"
#include "fakes/fake_platform.h"
#include "fakes/wav_builder.h"
#include "platform/wx/key_mapping.h"
#include "platform/wx/main_frame.h"
#include "platform/wx/wx_text_renderer.h"
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

TEST(Accelerators, EveryKeyOfTheTableYieldsItsCommandInBothNumLockStates) {
    auto* frame = new MainFrame();
    ASSERT_TRUE(frame->SetAccelerators(AcceleratorTable()));
    const wxAcceleratorTable& table = *frame->GetAcceleratorTable();
    for (const Accelerator& a : AcceleratorTable()) {
        const std::vector<int> codes = KeyCodesOf(a.key);
        ASSERT_FALSE(codes.empty());
        for (int code : codes) {
            EXPECT_EQ(CommandOfKey(table, code, a.shift), a.commandId) << "key code " << code;
            // The other Shift state is either unbound or its own entry.
            const int other = CommandOfKey(table, code, !a.shift);
            if (other != -1) {
                EXPECT_NE(other, a.commandId) << "key code " << code;
            }
        }
    }
    // Keypad keys stay the keypad's: main-keyboard digits and operators do nothing.
    for (int mainKey : {int('0'), int('1'), int('5'), int('9'), int('*'), int('+'), int('-'), int('/'), int('.')})
        EXPECT_EQ(CommandOfKey(table, mainKey, false), -1) << char(mainKey);
    // With NumLock off the keypad's 9 and 0 are not Page Up and Insert.
    EXPECT_EQ(CommandOfKey(table, WXK_NUMPAD_PAGEUP, false), ControlId::ShiftUp);
    EXPECT_EQ(CommandOfKey(table, WXK_NUMPAD_INSERT, false), ControlId::Stop);
    EXPECT_EQ(CommandOfKey(table, WXK_PAGEUP, false), ControlId::SpeedUp10);
    EXPECT_EQ(CommandOfKey(table, WXK_INSERT, false), ControlId::OpenNoteBox);
    EXPECT_EQ(CommandOfKey(table, WXK_NUMPAD_ENTER, false), ControlId::Play);
    frame->Destroy();
}

// The application over the real frame, with files and pictures from fakes.
struct RealWindow {
    MainFrame* frame = new MainFrame();
    FakeFileSystem files;
    testing::FakePictureLibraries pictures;
    WxTextRenderer text;
    testing::FakeWaveOutput waveOut;
    NoWaveInput waveIn;
    NoMidiOutput midiOut;
    Application app{{*frame, *frame, *frame, files, pictures, text, waveOut, waveIn, midiOut}};

    RealWindow() { frame->Attach(&app); }
    ~RealWindow() {
        if (!app.Destroyed()) frame->Close(true);
    }
};

void LetThePaintHappen() {
    for (int i = 0; i < 20; ++i) wxYield();
}

TEST(MainWindow, ShowsEveryControlWholeAboveTheStatusBar) {
    RealWindow w;
    ASSERT_TRUE(w.app.Create());
    w.app.Paint();
    w.app.InstallAccelerators();
    LetThePaintHappen();

    wxWindow* panel = w.frame->ClientPanel();
    EXPECT_EQ(panel->GetSize(), wxSize(kClientWidth, kClientHeight));
    wxStatusBar* bar = w.frame->GetStatusBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_GE(bar->GetPosition().y, kClientHeight);
    EXPECT_EQ(w.frame->GetClientSize().GetWidth(), kClientWidth);
    EXPECT_EQ(bar->GetStatusText(0), wxString::FromUTF8("wave File："));
    EXPECT_EQ(bar->GetStatusText(2), wxString::FromUTF8("wave Format："));

    std::map<ControlHandle, ClassicControl*> controls;
    for (wxWindow* child : panel->GetChildren())
        if (auto* control = dynamic_cast<ClassicControl*>(child)) controls[control->Handle()] = control;
    ASSERT_EQ(controls.size(), static_cast<std::size_t>(kControlCount));
    for (int i = 0; i < kControlCount; ++i) {
        const Rect r = MainWindowControls()[i].spec.rect;
        const ClassicControl* control = controls.at(w.app.Window()[static_cast<Ctl>(i)]);
        const wxRect rect(r.x, r.y, r.width, r.height);
        // A group box's own window is only its caption; its frame is drawn in pieces.
        if (control->Kind() == ControlKind::GroupBox)
            EXPECT_TRUE(rect.Contains(control->GetRect())) << i;
        else
            EXPECT_EQ(control->GetRect(), rect) << i;
        EXPECT_TRUE(wxRect(panel->GetClientSize()).Contains(control->GetRect())) << i;
    }
    auto control = [&](Ctl ctl) { return controls.at(w.app.Window()[ctl]); };
    EXPECT_TRUE(control(Ctl::SamplingNormal)->IsChecked());
    EXPECT_EQ(control(Ctl::SamplingNormal)->Caption(), "93ms(Normal)");
    EXPECT_EQ(control(Ctl::CalibrationReadout)->Caption(), "A=\n440Hz");
    EXPECT_FALSE(control(Ctl::Play)->IsEnabled());
    EXPECT_TRUE(control(Ctl::Stop)->IsEnabled());
}

TEST(MainWindow, ClientAreaShowsTheKeyboardPicture) {
    RealWindow w;
    ASSERT_TRUE(w.app.Create());
    w.app.Paint();
    LetThePaintHappen();

    // Read back what the screen shows of the keyboard, left of the range buttons.
    wxWindow* panel = w.frame->ClientPanel();
    wxClientDC screen(panel);
    wxBitmap grab(200, 100, 24);
    {
        wxMemoryDC copy(grab);
        copy.Blit(0, 0, 200, 100, &screen, kKeyboardAt.x, kKeyboardAt.y);
    }
    const wxImage shown = grab.ConvertToImage();
    const FrameBuffer keyboard = *RenderPicture(static_cast<int>(PictureId::Keyboard));
    int differing = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            const Rgb p = keyboard.Pixel(x, y);
            if (shown.GetRed(x, y) != p.r || shown.GetGreen(x, y) != p.g || shown.GetBlue(x, y) != p.b) ++differing;
        }
    EXPECT_EQ(differing, 0);
}

TEST(MainWindow, AFileDroppedOnThePictureAreaBecomesTheCurrentWave) {
    RealWindow w;
    testing::WaveSpec spec;
    spec.rate = 22050;
    spec.channels = 1;
    spec.samples = testing::RampSamples(22050, 1);
    w.files.Add("/music/dropped.wav", testing::MakeWav(spec));
    ASSERT_TRUE(w.app.Create());
    LetThePaintHappen();

    auto* names = new wxString[1]{"/music/dropped.wav"};  // the event owns them
    wxDropFilesEvent drop(wxEVT_DROP_FILES, 1, names);
    w.frame->ClientPanel()->GetEventHandler()->ProcessEvent(drop);
    LetThePaintHappen();

    EXPECT_TRUE(w.app.Samples().loaded);
    EXPECT_EQ(w.frame->GetStatusBar()->GetStatusText(0), " /music/dropped.wav");
    EXPECT_EQ(w.frame->GetStatusBar()->GetStatusText(2), " 22050Hz mono 16bit");
}

TEST(MainWindow, ExitDestroysTheWindowAndRunsTheShutdownOnce) {
    RealWindow w;
    w.files.Add("/opt/earloop/earloop.ini", "[VOLUME]\nwave volume=40\n");
    ASSERT_TRUE(w.app.Create());
    w.app.Command(ControlId::Exit);
    EXPECT_TRUE(w.app.Destroyed());
    EXPECT_TRUE(w.frame->CloseRequested());
    EXPECT_EQ(w.files.writes, 1);
    LetThePaintHappen();
}

}  // namespace
}  // namespace earloop
