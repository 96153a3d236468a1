#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>

class QWidget;

// The one place the desktop program tells the user something: every window
// and dialog shows its messages through Show, and asks to save through
// AskSaveChanges. A CUserMessages made on a window takes the messages of that
// window and of the widgets and dialogs inside it (the nearest one up the
// parent chain wins); without one a message box shows them. Tests make a
// subclass on their window to collect the messages instead.
class CUserMessages : public QObject {
    Q_OBJECT
  public:
    explicit CUserMessages(QWidget* window);

    // Shows text over parent in a box titled title (the program's name when
    // empty), with an OK button.
    static void Show(QWidget* parent, const QString& text,
                     QMessageBox::Icon icon = QMessageBox::Information, const QString& title = {});
    static void Warn(QWidget* parent, const QString& text, const QString& title = {}) {
        Show(parent, text, QMessageBox::Warning, title);
    }

    // The question whether to save ("Save changes to NAME?") with Save (the
    // default), Discard and Cancel (also Escape); returns the button chosen.
    static QMessageBox::StandardButton AskSaveChanges(QWidget* parent, const QString& title,
                                                      const QString& question);

  protected:
    // Shows one message; the default is a modal message box over parent.
    virtual void Present(QWidget* parent, const QString& title, const QString& text,
                         QMessageBox::Icon icon);
};
