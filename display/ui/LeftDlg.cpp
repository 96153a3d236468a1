#include "display/ui/LeftDlg.h"

#include <QPaintEvent>
#include <QPainter>

#include "display/FaceLayout.h"

CLeftDlg::CLeftDlg(QWidget* parent, const IClock* clock)
    : QWidget(parent), m_pClock(clock != nullptr ? clock : &m_systemClock) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kPanelBackground);
    setPalette(palette);
    setAutoFillBackground(true);
}

void CLeftDlg::ShowReading(const MeterReading& reading, FaceNumber face, DialPosition dial) {
    m_lastReading = reading;
    m_nFrameKind = face;
    if (dial != m_nUnitIcon) {
        m_nUnitIcon = dial;
        update();
        return;
    }
    update(kLcdRect);
}

void CLeftDlg::SetFace(FaceNumber face) {
    if (face == m_nFrameKind) {
        return;
    }
    m_nFrameKind = face;
    update(kLcdRect);
}

void CLeftDlg::SetUnitIcon(DialPosition dial) {
    if (dial == m_nUnitIcon) {
        return;
    }
    m_nUnitIcon = dial;
    update();
}

void CLeftDlg::SetClock(const IClock* clock) {
    m_pClock = clock != nullptr ? clock : &m_systemClock;
    update(kLcdRect);
}

QImage CLeftDlg::ComposeLcd() const {
    const int w = kLcdRect.width();
    const int h = kLcdRect.height();
    const std::tm now = LocalFields(m_pClock->Now());
    const FacePlan plan = LayoutLcd(m_nFrameKind, m_lastReading, m_renderer.Metrics(w, h), now);
    return m_renderer.Render(plan, w, h, m_pictures);
}

QImage CLeftDlg::ComposeFace() const {
    QImage image(CFacePictures::kMeterSize, QImage::Format_RGB32);
    image.fill(kPanelBackground);
    QPainter painter(&image);
    painter.drawPixmap(0, 0, m_pictures.Meter());
    painter.drawPixmap(kDialOrigin, m_pictures.Dial(m_nUnitIcon));
    painter.drawImage(kLcdRect.topLeft(), ComposeLcd());
    return image;
}

QSize CLeftDlg::sizeHint() const {
    return CFacePictures::kMeterSize;
}

QSize CLeftDlg::minimumSizeHint() const {
    return CFacePictures::kMeterSize;
}

void CLeftDlg::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (!event->rect().intersects(QRect(QPoint(0, 0), CFacePictures::kMeterSize))) {
        return;
    }
    // The LCD is composed off-screen and copied in one piece.
    painter.drawPixmap(0, 0, m_pictures.Meter());
    painter.drawPixmap(kDialOrigin, m_pictures.Dial(m_nUnitIcon));
    painter.drawImage(kLcdRect.topLeft(), ComposeLcd());
}
