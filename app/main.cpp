#include <csignal>

#include "app/RoZudozuvApp.h"

int main(int argc, char** argv) {
    // A closed output pipe (--print-readings | head) must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    CRoZudozuvApp::AllowHelpWithoutDisplay(argc, argv);
    CRoZudozuvApp app(argc, argv);
    int exitCode = 0;
    if (!app.InitInstance(exitCode)) {
        return exitCode;
    }
    return app.exec();
}
