#pragma once

#include <QColor>
#include <QFont>
#include <QImage>

#include "display/FacePlan.h"

class CFacePictures;

// Draws face plans into LCD-sized images with the LCD's fonts and colours.
class CFaceRenderer {
  public:
    static constexpr QColor kLcdBackground{128, 140, 128};
    static constexpr QColor kSegmentDark{60, 60, 60};

    CFaceRenderer();

    // Metrics for an LCD of w x h with this renderer's fonts.
    FaceMetrics Metrics(int width, int height) const;
    // LCD background filled, then every operation of the plan in order.
    QImage Render(const FacePlan& plan, int width, int height, const CFacePictures& pictures) const;

    const QFont& Font(FaceFont font) const;
    int TextWidth(FaceFont font, const std::string& text) const;

  private:
    QFont m_main;
    QFont m_small;
    QFont m_label;
    int m_mainLine = 0;
    int m_smallLine = 0;
};
