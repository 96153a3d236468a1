#pragma once

#include <QPixmap>
#include <array>
#include <vector>

#include "decode/MeterCodes.h"
#include "display/FacePlan.h"

// Every picture the meter panel shows, rendered once from the artwork when the
// panel is created.
class CFacePictures {
  public:
    static constexpr int kDialPositions = kDialPositionCount;
    static constexpr QSize kMeterSize{300, 703};
    static constexpr QSize kDialSize{300, 155};

    CFacePictures();

    const QPixmap& Meter() const { return m_meter; }
    // The picture of a dial position; a number outside 0..10 shows OFF.
    const QPixmap& Dial(DialPosition position) const;
    // The LCD pictures (unitRow selects the unit label for FacePicture::Unit);
    // an unknown row gives a null pixmap.
    const QPixmap& Picture(FacePicture picture, int unitRow = -1) const;

  private:
    QPixmap m_meter;
    std::array<QPixmap, kDialPositions> m_dials;
    std::vector<QPixmap> m_pictures;  // indexed by FacePicture
    std::vector<QPixmap> m_units;     // indexed by unit row
    QPixmap m_none;
};
