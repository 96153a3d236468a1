#include "app/RoZudozuvApp.h"

#include <QCommandLineParser>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/GraphPng.h"
#include "app/MainFrame.h"
#include "app/PrintPdf.h"
#include "bluetooth/BluezService.h"
#include "display/ui/Artwork.h"
#include "display/ui/Resources.h"

CRoZudozuvApp::CRoZudozuvApp(int& argc, char** argv) : QApplication(argc, argv) {
    // No display name: the platform would append it to every window title,
    // and the main frame's title already starts with the program's name.
    setApplicationName(QStringLiteral("Vavirir"));
    // Settings and other per-user files go under ~/.config/vavirir/ and the like.
    setOrganizationName(QStringLiteral("vavirir"));
    setApplicationVersion(QStringLiteral(VAVIRIR_VERSION));
    InitVavirirResources();
    setWindowIcon(ApplicationIcon());
}

CRoZudozuvApp::~CRoZudozuvApp() = default;

namespace {

// An option of a run that never opens a window (as "--name" or "--name=…").
bool IsWindowlessOption(const char* arg) {
    for (const char* name : {"--help", "--help-all", "--version", "--graph-png", "--size",
                             "--print", "--pdf", "--paper"}) {
        const std::size_t length = std::strlen(name);
        if (std::strncmp(arg, name, length) == 0 && (arg[length] == '\0' || arg[length] == '=')) {
            return true;
        }
    }
    return std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "-v") == 0;
}

}  // namespace

bool CRoZudozuvApp::UseOffscreenWithoutDisplay(int argc, char** argv) {
    // An empty variable names no display either.
    const auto isSet = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    if (isSet("QT_QPA_PLATFORM")) {
        return false;
    }
    const bool withoutDisplay = !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY");
    // A run without a window needs no display, not even one that is named but
    // cannot be reached.
    bool windowless = false;
    for (int i = 1; i < argc && !windowless; ++i) {
        windowless = IsWindowlessOption(argv[i]);
    }
    if (withoutDisplay || windowless) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    return withoutDisplay;
}

namespace {

// Qt's default output for every message but the notes a user can do nothing
// about: a session without XDG_RUNTIME_DIR (a terminal over ssh, a batch job)
// works as well with the folder Qt picks instead, and the offscreen platform
// has no window manager to pass size hints to.
void WriteQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")) ||
        message == QLatin1String("This plugin does not support propagateSizeHints()")) {
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    if (type == QtFatalMsg) {
        std::abort();
    }
}

}  // namespace

void CRoZudozuvApp::QuietenQtNotes() {
    qInstallMessageHandler(WriteQtMessage);
}

bool CRoZudozuvApp::InitInstance(int& exitCode, bool withoutDisplay) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Desktop companion for the handheld digital multimeter: shows the meter's "
                       "display, records its readings, saves and exports them."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Open the meter's port at start: a paired Bluetooth meter "
                       "bt:AA:BB:CC:DD:EE:01 (see vavirir-cli ports), a number n "
                       "(/dev/rfcomm<n>) or a device path such as /dev/ttyUSB0."),
        QStringLiteral("DEVICE"));
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("Start the demo meter (no device needed)."));
    const QCommandLineOption printReadings(
        QStringLiteral("print-readings"),
        QStringLiteral("Print every reading shown on the meter face to standard output, one "
                       "line each."));
    const QCommandLineOption graphPng(
        QStringLiteral("graph-png"),
        QStringLiteral("Write the graph of FILE as the Graph tab shows it to OUT.png and exit."),
        QStringLiteral("OUT.png"));
    const QCommandLineOption graphSize(
        QStringLiteral("size"),
        QStringLiteral("Client size of the graph for --graph-png (default 800x500)."),
        QStringLiteral("WxH"));
    const QCommandLineOption print(
        QStringLiteral("print"),
        QStringLiteral("Print the graph page or the data table of FILE into the PDF given by "
                       "--pdf and exit."),
        QStringLiteral("graph|data"));
    const QCommandLineOption pdf(QStringLiteral("pdf"), QStringLiteral("Output file for --print."),
                                 QStringLiteral("OUT.pdf"));
    const QCommandLineOption paper(QStringLiteral("paper"),
                                   QStringLiteral("Paper for --print: A4 (default) or Letter."),
                                   QStringLiteral("A4|Letter"));
    parser.addOptions({port, demo, printReadings, graphPng, graphSize, print, pdf, paper});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Data files (.txt) to open."),
                                 QStringLiteral("[FILE...]"));
    if (!parser.parse(arguments())) {
        std::fprintf(stderr, "vavirir: %s\n%s", qPrintable(parser.errorText()),
                     qPrintable(parser.helpText()));
        exitCode = 2;
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s\n", qPrintable(parser.helpText()));
        exitCode = 0;
        return false;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", qPrintable(applicationName()), qPrintable(applicationVersion()));
        exitCode = 0;
        return false;
    }
    if (parser.isSet(port) && parser.isSet(demo)) {
        std::fprintf(stderr, "vavirir: --port and --demo exclude each other\n");
        exitCode = 2;
        return false;
    }

    if (parser.isSet(print) || parser.isSet(pdf) || parser.isSet(paper)) {
        exitCode = RunPrintCommand(parser, print, pdf, paper);
        return false;
    }
    if (parser.isSet(graphPng) || parser.isSet(graphSize)) {
        exitCode = RunGraphPngCommand(parser, graphPng, graphSize);
        return false;
    }

    if (withoutDisplay) {
        std::fprintf(stderr,
                     "vavirir: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are "
                     "not set); --graph-png and --print work without one\n");
        exitCode = 1;
        return false;
    }

    MainFrameOptions options;
    options.printReadings = parser.isSet(printReadings);
    options.bluetooth = std::make_shared<CBluezService>();
    m_pMainFrame = std::make_unique<CMainFrame>(std::move(options));
    // Without a window manager "maximised" means nothing: fill the screen anyway.
    if (const QScreen* screen = primaryScreen()) {
        m_pMainFrame->setGeometry(screen->availableGeometry());
    }
    m_pMainFrame->showMaximized();

    // What the command line asks for runs once the window is up, so message
    // boxes have their parent on screen.
    const QStringList files = parser.positionalArguments();
    const QString device = parser.value(port);
    const bool startDemo = parser.isSet(demo);
    QTimer::singleShot(0, m_pMainFrame.get(),
                       [frame = m_pMainFrame.get(), files, device, startDemo] {
                           frame->OfferLeftJournals();
                           for (const QString& file : files) {
                               frame->OpenDocumentFile(file);
                           }
                           if (!device.isEmpty()) {
                               frame->OpenMeterPort(device);
                           }
                           if (startDemo) {
                               frame->StartDemoMeter();
                           }
                       });
    exitCode = 0;
    return true;
}
