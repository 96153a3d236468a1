#include "display/ui/FacePictures.h"

#include "display/UnitPictures.h"
#include "display/ui/Artwork.h"

namespace {

struct NamedPicture {
    FacePicture picture;
    const char* name;
};

constexpr NamedPicture kPictures[] = {
    {FacePicture::Hold, "lcd_hold"},
    {FacePicture::AutoRange, "lcd_auto_range"},
    {FacePicture::ManualRange, "lcd_manual_range"},
    {FacePicture::MinMax, "lcd_min_max"},
    {FacePicture::Peak, "lcd_peak"},
    {FacePicture::Rel, "lcd_rel"},
    {FacePicture::DegF, "lcd_deg_f"},
    {FacePicture::DegC, "lcd_deg_c"},
    {FacePicture::Disconnected, "lcd_disconnected"},
};

QSize SizeOf(FacePicture picture, int unitRow = -1) {
    const PictureSize size = SizeOfPicture(picture, unitRow);
    return {size.width, size.height};
}

}  // namespace

CFacePictures::CFacePictures() {
    m_meter = RenderArtwork(QStringLiteral("meter_body"), kMeterSize);
    for (int position = 0; position < kDialPositions; ++position) {
        m_dials[static_cast<std::size_t>(position)] =
            RenderArtwork(QStringLiteral("dial_%1").arg(position), kDialSize);
    }
    m_pictures.resize(static_cast<std::size_t>(FacePicture::Disconnected) + 1);
    for (const NamedPicture& named : kPictures) {
        m_pictures[static_cast<std::size_t>(named.picture)] =
            RenderArtwork(QString::fromLatin1(named.name), SizeOf(named.picture));
    }
    for (int row = 0; row < kUnitPictureRows; ++row) {
        const UnitPictureRow& unit = UnitPicture(row);
        m_units.push_back(RenderArtwork(
            QString::fromLatin1(unit.file.data(), static_cast<qsizetype>(unit.file.size())),
            SizeOf(FacePicture::Unit, row)));
    }
}

const QPixmap& CFacePictures::Dial(DialPosition position) const {
    int index = ToNumber(position);
    if (index < 0 || index >= kDialPositions) {
        index = ToNumber(DialPosition::Off);
    }
    return m_dials[static_cast<std::size_t>(index)];
}

const QPixmap& CFacePictures::Picture(FacePicture picture, int unitRow) const {
    if (picture == FacePicture::Unit) {
        if (unitRow < 0 || unitRow >= static_cast<int>(m_units.size())) {
            return m_none;
        }
        return m_units[static_cast<std::size_t>(unitRow)];
    }
    return m_pictures[static_cast<std::size_t>(picture)];
}
