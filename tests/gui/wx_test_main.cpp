// Entry point of the window tests: wxWidgets is initialised once, with an
// active event loop so that tests can let the toolkit deliver paint and mouse
// events in short nested loops; every test runs on this GUI thread.

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/init.h>

#include <cstdio>
#include <string>

namespace {

class TestApp : public wxApp {
public:
    bool OnInit() override {
        wxInitAllImageHandlers();
        return true;
    }
};

// A failed wxWidgets assertion would open a modal dialog, which nobody
// answers under Xvfb: the run would hang. It fails the running test instead.
void FailOnAssert(const wxString& file, int line, const wxString& function, const wxString& condition,
                  const wxString& message) {
    const std::string where = file.utf8_string();
    ADD_FAILURE_AT(where.c_str(), line) << "wxWidgets assertion \"" << condition.utf8_string() << "\" in "
                                        << function.utf8_string() << ": " << message.utf8_string();
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    wxApp::SetInstance(new TestApp);
    int wxArgc = 1;
    char* wxArgv[] = {argv[0], nullptr};
    if (!wxEntryStart(wxArgc, wxArgv)) {
        fprintf(stderr, "wxWidgets could not start (is there a display?)\n");
        return 1;
    }
    wxSetAssertHandler(FailOnAssert);
    if (!wxTheApp->CallOnInit()) return 1;
    int result = 0;
    {
        wxGUIEventLoop loop;
        wxEventLoopActivator activate(&loop);
        result = RUN_ALL_TESTS();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
