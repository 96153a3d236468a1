#include "app/RoZudozuvApp.h"

int main(int argc, char** argv) {
    CRoZudozuvApp::AllowHelpWithoutDisplay(argc, argv);
    CRoZudozuvApp app(argc, argv);
    int exitCode = 0;
    if (!app.InitInstance(exitCode)) {
        return exitCode;
    }
    return app.exec();
}
