#include "display/ui/ColorSetting.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include "common/ui/DialogUnits.h"

namespace {

// The layout's dialog units of the 8-point dialog font, in pixels.
constexpr QRect Dlu(int x, int y, int width, int height) {
    return DialogUnitsToPixels(x, y, width, height);
}

constexpr QPoint DluPoint(int x, int y) {
    return DialogUnitsToPixels(x, y, 0, 0).topLeft();
}

std::size_t Slot(CGraphDlg::Colour which) {
    return static_cast<std::size_t>(which);
}

std::optional<QColor> AskColour(QWidget* parent, const QColor& initial) {
    const QColor colour = QColorDialog::getColor(initial, parent);
    if (!colour.isValid()) {
        return std::nullopt;
    }
    return colour;
}

void TipBox(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::information(parent, caption, text, QMessageBox::Ok);
}

}  // namespace

CColorSetting::CColorSetting(const CGraphDlg& graph, bool autoScale, const GraphManualScale& manual,
                             QWidget* parent, ColorSettingPrompts prompts)
    : QDialog(parent),
      m_prompts(std::move(prompts)),
      m_bAutoScale(autoScale),
      m_selections(manual),
      m_pPreview(nullptr),
      m_pManual(nullptr),
      m_pAuto(nullptr),
      m_pMaximum(nullptr),
      m_pMinimum(nullptr) {
    if (!m_prompts.chooseColour) {
        m_prompts.chooseColour = AskColour;
    }
    if (!m_prompts.showTip) {
        m_prompts.showTip = TipBox;
    }
    setWindowTitle(tr("Setting"));
    // The layout is in dialog units of an 8-point dialog font.
    QFont font = this->font();
    font.setFamilies({QStringLiteral("MS Shell Dlg 2"), QStringLiteral("Tahoma"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setPointSize(8);
    setFont(font);
    setFixedSize(Dlu(0, 0, 306, 284).size());
    for (const Colour which : {Colour::Background, Colour::Border, Colour::Grid, Colour::Line1,
                               Colour::Line2, Colour::Line3}) {
        m_colours[Slot(which)] = graph.GetColour(which);
    }

    // Group boxes first, so the controls they frame lie above them.
    auto group = [this](const char* title, QRect rect) {
        auto* box = new QGroupBox(tr(title), this);
        box->setGeometry(rect);
    };
    group(QT_TR_NOOP("Color"), Dlu(11, 141, 134, 63));
    group(QT_TR_NOOP("Line Color"), Dlu(149, 141, 140, 63));
    group(QT_TR_NOOP("Y Scale"), Dlu(12, 204, 278, 54));
    group("", Dlu(35, 211, 112, 44));

    auto label = [this](const char* text, int x, int y) {
        auto* item = new QLabel(tr(text), this);
        item->move(DluPoint(x, y));
        item->adjustSize();
    };
    label(QT_TR_NOOP("Background Color"), 13, 152);
    label(QT_TR_NOOP("Border Color"), 36, 171);
    label(QT_TR_NOOP("Grid Color"), 37, 190);
    label(QT_TR_NOOP("Line Color"), 153, 151);
    label(QT_TR_NOOP("Maxinum"), 51, 224);
    label(QT_TR_NOOP("Mininum"), 52, 241);

    const std::array<QRect, 3> swatchRects = {Dlu(79, 153, 15, 8), Dlu(79, 172, 15, 8),
                                              Dlu(79, 191, 15, 8)};
    for (std::size_t i = 0; i < m_swatches.size(); ++i) {
        m_swatches[i] = new QLabel(QStringLiteral("       "), this);
        m_swatches[i]->setGeometry(swatchRects[i]);
        m_swatches[i]->setAutoFillBackground(true);
    }
    const std::array<std::pair<Colour, QRect>, 4> buttons = {{
        {Colour::Background, Dlu(102, 150, 27, 15)},
        {Colour::Border, Dlu(102, 169, 27, 15)},
        {Colour::Grid, Dlu(102, 187, 27, 15)},
        {Colour::Line1, Dlu(252, 148, 27, 15)},
    }};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        auto* button = new QPushButton(QStringLiteral("..."), this);
        button->setGeometry(buttons[i].second);
        button->setAutoDefault(false);
        const Colour which = buttons[i].first;
        connect(button, &QPushButton::clicked, this, [this, which] { Choose(which); });
        m_chooseButtons[i] = button;
    }

    m_pManual = new QRadioButton(tr("Manual"), this);
    m_pManual->move(DluPoint(41, 211));
    m_pManual->adjustSize();
    m_pAuto = new QRadioButton(tr("Auto"), this);
    m_pAuto->move(DluPoint(205, 213));
    m_pAuto->adjustSize();
    connect(m_pManual, &QRadioButton::clicked, this, &CColorSetting::OnScaleMode);
    connect(m_pAuto, &QRadioButton::clicked, this, &CColorSetting::OnScaleMode);

    m_pMaximum = new QComboBox(this);
    m_pMaximum->setGeometry(Dlu(85, 222, 58, 12));
    m_pMinimum = new QComboBox(this);
    m_pMinimum->setGeometry(Dlu(85, 239, 58, 12));
    for (const char* entry : kSettingMaximumEntries) {
        m_pMaximum->addItem(QString::fromLatin1(entry));
    }
    for (const char* entry : kSettingMinimumEntries) {
        m_pMinimum->addItem(QString::fromLatin1(entry));
    }
    m_pMaximum->setCurrentIndex(manual.maximumSelection);
    m_pMinimum->setCurrentIndex(manual.minimumSelection);
    connect(m_pMaximum, &QComboBox::currentIndexChanged, this, [this] { CheckSelection(); });
    connect(m_pMinimum, &QComboBox::currentIndexChanged, this, [this] { CheckSelection(); });

    (autoScale ? m_pAuto : m_pManual)->setChecked(true);
    m_pMaximum->setEnabled(!autoScale);
    m_pMinimum->setEnabled(!autoScale);

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setGeometry(Dlu(95, 261, 50, 14));
    ok->setDefault(true);
    ok->setObjectName(QStringLiteral("ok"));
    connect(ok, &QPushButton::clicked, this, &CColorSetting::accept);
    auto* cancel = new QPushButton(tr("Cancle"), this);
    cancel->setGeometry(Dlu(163, 261, 50, 14));
    cancel->setAutoDefault(false);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(cancel, &QPushButton::clicked, this, &CColorSetting::reject);

    // The preview: the same document in the dialog's colours, deaf to the mouse.
    m_pPreview = new CGraphDlg(this);
    m_pPreview->setEnabled(false);
    m_pPreview->SetDocument(graph.Document());
    const GraphLine& line = graph.State().lines[0];
    m_pPreview->setGeometry(Dlu(15, 9, 273, 128));
    m_pPreview->SetYRange(line.yTop, line.yHome);
    ShowColours();
}

QAbstractButton* CColorSetting::ChooseButton(Colour which) const {
    switch (which) {
        case Colour::Background:
            return m_chooseButtons[0];
        case Colour::Border:
            return m_chooseButtons[1];
        case Colour::Grid:
            return m_chooseButtons[2];
        case Colour::Line1:
            return m_chooseButtons[3];
        default:
            return nullptr;
    }
}

QRect CColorSetting::LineSampleRect() const {
    return Dlu(195, 149, 50, 13);
}

void CColorSetting::accept() {
    if (CheckSelection()) {
        QDialog::accept();
    }
}

void CColorSetting::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    const QRect sample = LineSampleRect();
    QPainter painter(this);
    painter.setPen(QPen(m_colours[Slot(Colour::Line1)], 2, Qt::SolidLine, Qt::FlatCap));
    const int y = sample.top() + sample.height() / 2;
    painter.drawLine(sample.left(), y, sample.right(), y);
}

void CColorSetting::Choose(Colour which) {
    const std::optional<QColor> chosen = m_prompts.chooseColour(this, m_colours[Slot(which)]);
    if (!chosen) {
        return;
    }
    m_colours[Slot(which)] = *chosen;
    ShowColours();
    if (which == Colour::Line1) {
        update();
    }
}

void CColorSetting::ShowColours() {
    const std::array<Colour, 3> swatchColours = {Colour::Background, Colour::Border, Colour::Grid};
    for (std::size_t i = 0; i < m_swatches.size(); ++i) {
        QPalette palette = m_swatches[i]->palette();
        palette.setColor(QPalette::Window, m_colours[Slot(swatchColours[i])]);
        m_swatches[i]->setPalette(palette);
    }
    for (const Colour which : {Colour::Background, Colour::Border, Colour::Grid, Colour::Line1,
                               Colour::Line2, Colour::Line3}) {
        m_pPreview->SetColour(which, m_colours[Slot(which)]);
    }
}

void CColorSetting::OnScaleMode() {
    const bool manual = m_pManual->isChecked();
    m_pMaximum->setEnabled(manual);
    m_pMinimum->setEnabled(manual);
    m_bAutoScale = !manual;
}

bool CColorSetting::CheckSelection() {
    const int maximum = m_pMaximum->currentIndex();
    const int minimum = m_pMinimum->currentIndex();
    const std::optional<SettingScaleValues> values = CheckScaleSelection(maximum, minimum);
    if (!values) {
        m_prompts.showTip(this, tr("Tip"), tr(kSettingSelectionTip));
        return false;
    }
    m_selections = {maximum, minimum};
    m_values = *values;
    return true;
}

void ApplyGraphSetting(const CColorSetting& dialog, CGraphDlg& graph, bool& autoScale,
                       GraphManualScale& manual, const DocumentSummary& summary) {
    using Colour = CGraphDlg::Colour;
    for (const Colour which : {Colour::Line1, Colour::Line2, Colour::Line3, Colour::Background,
                               Colour::Border, Colour::Grid}) {
        graph.SetColour(which, dialog.GetColour(which));
    }
    const SettingScaleValues& values = dialog.Values();
    if (values.minimum <= values.maximum) {
        autoScale = dialog.AutoScale();
        if (!autoScale) {
            manual = dialog.Selections();
        }
        if (const std::optional<GraphYRange> range =
                GraphSettingYRange(autoScale, values, summary)) {
            graph.SetYRange(range->top, range->bottom);
        }
    }
    graph.Redraw();
}

bool RunGraphSetting(QWidget* parent, CGraphDlg& graph, bool& autoScale, GraphManualScale& manual,
                     const DocumentSummary& summary, const ColorSettingPrompts& prompts) {
    CColorSetting dialog(graph, autoScale, manual, parent, prompts);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    ApplyGraphSetting(dialog, graph, autoScale, manual, summary);
    return true;
}
