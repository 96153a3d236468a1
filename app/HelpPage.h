#pragma once

#include <QObject>
#include <QString>
#include <functional>

// Help > Help topics: the user guide help.html, shown by the desktop's web
// viewer. The guide sits beside the program in a build folder and in
// share/vavirir once installed.
class CHelpPage : public QObject {
    Q_OBJECT
  public:
    // `noViewer` is told when nothing on the desktop can show the page.
    CHelpPage(std::function<void(const QString& text)> noViewer, QObject* parent = nullptr);
    // An opener still waiting for its viewer goes quietly; the viewer stays.
    ~CHelpPage() override;

    // The help page beside the program in `folder`.
    static QString FilePath(const QString& folder);
    void Open();

  private:
    std::function<void(const QString&)> m_noViewer;
};
