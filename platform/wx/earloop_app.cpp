// The program's entry: wires the real ports to the application object and
// runs the toolkit's message loop.

#include <wx/app.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/timer.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/application.h"
#include "platform/audio/mixer.h"
#include "platform/audio/mixer_renderer.h"
#include "platform/audio/wave_input.h"
#include "platform/ffmpeg/ffmpeg_decoder.h"
#include "platform/midi/midi_output.h"
#include "platform/posix/posix_desktop.h"
#include "platform/posix/dl_picture_libraries.h"
#include "platform/posix/posix_file_system.h"
#include "platform/wx/main_frame.h"
#include "platform/wx/note_box.h"
#include "platform/wx/wx_text_renderer.h"

namespace earloop {

class EarloopApp : public wxApp {
public:
    // The program takes at most one file name (the desktop's "Open with"), so
    // the toolkit's own parsing is skipped.
    bool OnInit() override {
        audio_ = AudioBackend::Start();
        wxLogVerbose("%s", audio_->Description());
        waveIn_ = SystemWaveInput::FromEnvironment();
        midiOut_ = std::make_unique<SystemMidiOutput>(audio_->GetMixer());
        auto* frame = new MainFrame();
        noteBox_ = std::make_unique<WxNoteBox>(*frame);
        application_ = std::make_unique<Application>(Platform{*frame, *frame, *frame, files_, pictures_, text_,
                                                              *frame, audio_->Output(), *waveIn_, *midiOut_, *noteBox_,
                                                              desktop_, decoder_, renderer_});
        frame->Attach(application_.get());
        noteBox_->Attach(application_.get());
        // A failed start has reported itself and closed the window, which ends
        // the loop; the window is never shown.
        if (!application_->Create()) return true;
        application_->Paint();
        application_->InstallAccelerators();
        // The devices' notices reach the application from here.
        audioPump_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
            audio_->Pump();
            waveIn_->Pump();
        });
        audioPump_.Start(kAudioPumpMs);
        // The file opens as a dropped one would, once the window is up.
        if (argc > 1) {
            const std::string path = std::filesystem::absolute(argv[1].utf8_string()).string();
            CallAfter([this, path] { application_->DropFiles({path}); });
        }
        return true;
    }

    int OnExit() override {
        audioPump_.Stop();
        application_.reset();
        noteBox_.reset();
        midiOut_.reset();
        waveIn_.reset();
        audio_.reset();
        return wxApp::OnExit();
    }

private:
    static constexpr int kAudioPumpMs = 10;

    std::unique_ptr<AudioBackend> audio_;  // outlives the application's devices
    std::unique_ptr<SystemWaveInput> waveIn_;  // outlives the application's devices
    wxTimer audioPump_;
    PosixFileSystem files_;
    DlPictureLibraries pictures_;
    WxTextRenderer text_;
    PosixDesktop desktop_;
    FfmpegDecoder decoder_;
    MixerRenderer renderer_;
    std::unique_ptr<SystemMidiOutput> midiOut_;  // after the audio, before the application
    std::unique_ptr<WxNoteBox> noteBox_;  // outlives the application
    std::unique_ptr<Application> application_;
};

}  // namespace earloop

wxIMPLEMENT_APP(earloop::EarloopApp);
