#pragma once

#include <QApplication>
#include <memory>

class CMainFrame;

// The application: reads the command line, creates the main frame shown
// maximised, and carries out what the command line asks for.
class CRoZudozuvApp : public QApplication {
    Q_OBJECT
  public:
    CRoZudozuvApp(int& argc, char** argv);

    // --help, --version and --graph-png need no screen: when no display is
    // reachable they run on the offscreen platform instead of failing to start.
    // Call before the application object is created.
    static void AllowHelpWithoutDisplay(int argc, char** argv);
    ~CRoZudozuvApp() override;

    // Returns false when the program should end at once; `exitCode` says how.
    bool InitInstance(int& exitCode);

    CMainFrame* MainFrame() const { return m_pMainFrame.get(); }

  private:
    std::unique_ptr<CMainFrame> m_pMainFrame;
};
