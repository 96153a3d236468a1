#pragma once

#include <QLabel>

#include "decode/MeterReading.h"

// Stands in for the meter face until the face panel is wired in.
class CFacePlaceholder : public QLabel {
    Q_OBJECT
  public:
    explicit CFacePlaceholder(QWidget* parent = nullptr) : QLabel(parent) {
        setAlignment(Qt::AlignCenter);
        setMinimumSize(300, 400);
        SetFrameKind(0);
    }
    void ShowReading(const MeterReading& reading, int face, int dial) {
        m_nFrameKind = face;
        (void)dial;
        setText(QStringLiteral("%1\n%2 %3")
                    .arg(QString::fromStdString(reading.function))
                    .arg(static_cast<double>(reading.value), 0, 'f', reading.decimals)
                    .arg(QString::fromStdString(reading.unit)));
    }
    void SetFrameKind(int face) {
        m_nFrameKind = face;
        setText(face == -1 ? QStringLiteral("DISCONNECTED") : QString());
    }
    int FrameKind() const { return m_nFrameKind; }

  private:
    int m_nFrameKind = 0;
};
