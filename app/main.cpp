#include <csignal>

#include "app/RoZudozuvApp.h"

int main(int argc, char** argv) {
    // A closed output pipe (--print-readings | head) must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    const bool withoutDisplay = CRoZudozuvApp::UseOffscreenWithoutDisplay(argc, argv);
    CRoZudozuvApp::QuietenQtNotes();
    CRoZudozuvApp app(argc, argv);
    int exitCode = 0;
    if (!app.InitInstance(exitCode, withoutDisplay)) {
        return exitCode;
    }
    return app.exec();
}
