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

    // Without a display named (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM all
    // unset or empty) the program runs on the offscreen platform, so that all
    // it does without a window (--help, --graph-png, --print, usage errors) works,
    // and returns true. A command line for a run without a window (--graph-png,
    // --print …) runs there even with a display. Call before the application
    // object is created.
    static bool UseOffscreenWithoutDisplay(int argc, char** argv);

    // Keeps Qt's notes that say nothing to the user (the missing
    // XDG_RUNTIME_DIR) off standard error. Call before the application object
    // is created.
    static void QuietenQtNotes();
    ~CRoZudozuvApp() override;

    // Returns false when the program should end at once; `exitCode` says how.
    // Without a display the main window is refused with a message.
    bool InitInstance(int& exitCode, bool withoutDisplay = false);

    CMainFrame* MainFrame() const { return m_pMainFrame.get(); }

  private:
    std::unique_ptr<CMainFrame> m_pMainFrame;
};
