#pragma once

#include <QDialog>
#include <QLineEdit>

#include "link/ui/PortEntry.h"

// The Port dialog: the user types a port number (n opens /dev/rfcomm<n>) or a
// device path. Anything else is refused with "Enter an integer." and the
// dialog stays open.
class CPort : public QDialog {
    Q_OBJECT
  public:
    explicit CPort(QWidget* parent = nullptr);

    // The text shown when the dialog opens (the last port opened through it).
    void SetComPort(const QString& text);
    // The entry accepted with OK.
    const PortEntry& ComPort() const { return m_nComPort; }

    QLineEdit* Edit() const { return m_pEdit; }

    void accept() override;

  protected:
    // Shows why the entry was refused (a message box; tests override it).
    virtual void ShowRefusal(const QString& message);

  private:
    QLineEdit* m_pEdit;
    PortEntry m_nComPort;
};
