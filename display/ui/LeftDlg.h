#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

#include "decode/Clock.h"
#include "decode/MeterCodes.h"
#include "decode/MeterReading.h"
#include "display/ui/FacePictures.h"
#include "display/ui/FaceRenderer.h"

// The meter panel: a picture of the handheld meter whose LCD shows the last
// reading with the face of its frame kind, and whose selector shows the dial
// position. Lives on the GUI thread; the main frame calls it after every
// decoded frame.
class CLeftDlg : public QWidget {
    Q_OBJECT

  public:
    // The LCD window of the meter picture, in panel pixels.
    static constexpr QRect kLcdRect{36, 83, 228, 169};
    // Where the lower part with the selector goes.
    static constexpr QPoint kDialOrigin{0, 387};
    static constexpr QColor kPanelBackground{169, 167, 188};

    // The clock is not owned; without one the system clock is used.
    explicit CLeftDlg(QWidget* parent = nullptr, const IClock* clock = nullptr);

    // A decoded reading with its reading face and dial position: stored and
    // drawn at once.
    void ShowReading(const MeterReading& reading, FaceNumber face, DialPosition dial);
    // The face without a new reading: the blank LCD after the port opened,
    // DISCONNECTED, or nothing yet. Redraws when it changes.
    void SetFace(FaceNumber face);
    FaceNumber Face() const { return m_nFrameKind; }
    // The selector's position; redraws when it changes.
    void SetUnitIcon(DialPosition dial);
    DialPosition UnitIcon() const { return m_nUnitIcon; }
    const MeterReading& LastReading() const { return m_lastReading; }

    // The clock the LCD's time and date come from (not owned; nullptr = system).
    void SetClock(const IClock* clock);

    // The LCD area as it would be drawn now.
    QImage ComposeLcd() const;
    // The whole panel picture as it would be drawn now: meter, selector, LCD.
    QImage ComposeFace() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    MeterReading m_lastReading;
    FaceNumber m_nFrameKind = FaceNumber::NothingYet;  // the face drawn last
    DialPosition m_nUnitIcon = DialPosition::Off;
    CFacePictures m_pictures;
    CFaceRenderer m_renderer;
    SystemClock m_systemClock;
    const IClock* m_pClock;
};
