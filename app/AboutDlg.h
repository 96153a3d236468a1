#pragma once

#include <QDialog>

// Help > About: the program's name, version and purpose.
class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
