#pragma once

#include <QSettings>

// The program's settings, in ~/.config/vavirir/vavirir.conf. Every part of
// the desktop program reads and writes them through this one name.
class CProgramSettings : public QSettings {
    Q_OBJECT
  public:
    explicit CProgramSettings(QObject* parent = nullptr);
};
