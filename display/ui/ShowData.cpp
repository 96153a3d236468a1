#include "display/ui/ShowData.h"

#include <QLabel>
#include <QPalette>

#include "common/ui/DialogUnits.h"

namespace {

const QColor kLightYellow(255, 255, 202);

}  // namespace

CShowData::CShowData(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("showData"));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kLightYellow);
    palette.setColor(QPalette::Base, kLightYellow);
    setPalette(palette);
    setAutoFillBackground(true);
    // The graph keeps the pointer while the Show tool is pressed; the panel
    // never takes a click away from it.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(DialogUnitsToPixels(0, 0, 158, 70));

    static constexpr const char* kLabels[5] = {QT_TR_NOOP("Num:"), QT_TR_NOOP("Time:"),
                                               QT_TR_NOOP("Value:"), QT_TR_NOOP("Unit:"),
                                               QT_TR_NOOP("Type:")};
    static constexpr const char* kNames[5] = {"num", "time", "value", "unit", "type"};
    for (int row = 0; row < 5; ++row) {
        const int top = 4 + row * 13;
        auto* label = new QLabel(tr(kLabels[row]), this);
        label->setGeometry(DialogUnitsToPixels(6, top, 26, 11));
        auto* field = new QLineEdit(this);
        field->setObjectName(QString::fromLatin1(kNames[row]));
        field->setReadOnly(true);
        field->setFocusPolicy(Qt::NoFocus);
        field->setGeometry(DialogUnitsToPixels(34, top, 118, 11));
        m_fields[static_cast<std::size_t>(row)] = field;
    }
    hide();
}

void CShowData::ShowRecord(long long index, const CObData& record) {
    m_texts = FormatShowData(index, record);
    const std::array<const std::string*, 5> texts = {&m_texts.num, &m_texts.time, &m_texts.value,
                                                     &m_texts.unit, &m_texts.type};
    for (std::size_t row = 0; row < texts.size(); ++row) {
        m_fields[row]->setText(QString::fromStdString(*texts[row]));
    }
}
