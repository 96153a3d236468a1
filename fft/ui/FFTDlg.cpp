#include "fft/ui/FFTDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "common/CLocaleFormat.h"
#include "common/ui/DialogUnits.h"
#include "record/Document.h"

namespace {

// The layout in dialog units of the dialog's own font.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font) : m_base(DialogFontBaseOf(font)) {}
    QRect operator()(int x, int y, int width, int height) const {
        return DialogUnitsToPixels(x, y, width, height, m_base);
    }

  private:
    DialogFontBase m_base;
};

template <typename Widget>
Widget* Place(Widget* widget, const char* name, QRect geometry) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

// A label whose right edge stays where the layout puts it, widened to the
// left when the platform's font needs more room.
QLabel* Label(QWidget* parent, const QString& text, const char* name, QRect geometry) {
    QLabel* label = Place(new QLabel(text, parent), name, geometry);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const int width = std::max(geometry.width(), label->sizeHint().width());
    const int height = std::max(geometry.height(), label->sizeHint().height());
    label->setGeometry(geometry.right() + 1 - width, geometry.top(), width, height);
    return label;
}

QString Printf(const char* format, double value) {
    return QString::fromStdString(FormatInCLocale(format, value));
}

QString Printf(const char* format, int value) {
    return QString::fromStdString(FormatInCLocale(format, value));
}

// Text with its cell's top-left corner at (x, y).
void TextAt(QPainter& painter, int x, int y, const QString& text) {
    painter.drawText(x, y + painter.fontMetrics().ascent(), text);
}

int Trunc(double value) {
    return static_cast<int>(value);
}

const QColor kNavy(0, 0, 128);
const QColor kGridGreen(0, 96, 0);
const QColor kCurveBlue(0, 0, 255);

}  // namespace

CFFTDlg::CFFTDlg(const CRoZudozuvDoc& doc, int start, int finish, QWidget* parent)
    : QDialog(parent), m_nStart(start), m_nFinish(finish), m_pDoc(&doc) {
    setWindowTitle(tr("FFT Analysis"));
    setFixedSize(DialogUnits(font())(0, 0, 533, 345).size());
    BuildControls();
    m_pBuffers = AllocateSpectrumBuffers();
    if (!m_pBuffers) {
        QMessageBox::warning(this, QApplication::applicationDisplayName(),
                             tr(kSpectrumMemoryError));
    }
    FillFromDocument();
}

CFFTDlg::~CFFTDlg() = default;

void CFFTDlg::BuildControls() {
    const DialogUnits dlu(font());
    Place(new QGroupBox(tr("FFT Options"), this), "options", dlu(19, 7, 491, 71));
    Label(this, tr("Start Time"), "startLabel", dlu(41, 21, 34, 8));
    m_pStartEdit = Place(new QLineEdit(this), "startTime", dlu(83, 19, 101, 14));
    Label(this, tr("Finish Time"), "finishLabel", dlu(226, 21, 36, 8));
    m_pFinishEdit = Place(new QLineEdit(this), "finishTime", dlu(271, 19, 101, 14));
    Label(this, tr("Number"), "numberLabel", dlu(49, 41, 26, 8));
    m_pNumberEdit = Place(new QLineEdit(this), "number", dlu(83, 39, 101, 14));
    for (QLineEdit* edit : {m_pStartEdit, m_pFinishEdit, m_pNumberEdit}) {
        edit->setReadOnly(true);
    }

    Label(this, tr("FFT size"), "sizeLabel", dlu(234, 42, 27, 8));
    m_pSizeList = Place(new QComboBox(this), "fftSize", dlu(271, 40, 41, 14));
    for (int size = kSpectrumSmallestSize; size <= kSpectrumLargestSize; size *= 2) {
        m_pSizeList->addItem(QString::number(size));
    }
    m_pSizeList->setCurrentIndex(0);

    Label(this, tr("Filter"), "filterLabel", dlu(58, 58, 17, 8));
    m_pFilterList = Place(new QComboBox(this), "filter", dlu(83, 57, 101, 14));
    for (int code = -1; code <= 4; ++code) {
        m_pFilterList->addItem(tr(FftWindowName(static_cast<FftWindow>(code)).c_str()));
    }
    m_pFilterList->setCurrentIndex(0);

    // Segment count and overlap are fixed: their lists exist but stay hidden.
    QLabel* rateLabel = new QLabel(tr("Sample Rate"), this);
    rateLabel->hide();
    m_pSampleRateList = Place(new QComboBox(this), "sampleRate", dlu(271, 59, 41, 14));
    for (int segments = kSpectrumDefaultSegments; segments <= kSpectrumLargestSegments;
         segments *= 2) {
        m_pSampleRateList->addItem(QString::number(segments));
    }
    m_pSampleRateList->setCurrentIndex(0);
    m_pSampleRateList->hide();
    QLabel* overlapLabel = new QLabel(tr("Overlap"), this);
    overlapLabel->hide();
    m_pOverlapList = Place(new QComboBox(this), "overlap", dlu(341, 40, 32, 14));
    m_pOverlapList->addItems({QStringLiteral("0%"), QStringLiteral("25%"), QStringLiteral("50%")});
    m_pOverlapList->setCurrentIndex(0);
    m_pOverlapList->hide();

    m_pPowerButton =
        Place(new QRadioButton(tr("Power Spectrum"), this), "power", dlu(420, 20, 68, 10));
    m_pFrequencyButton =
        Place(new QRadioButton(tr("Frequency Spectrum"), this), "frequency", dlu(420, 37, 82, 10));
    m_pPowerButton->setChecked(m_bPower);
    // A click computes nothing: the plot shows the buffer of the kind now
    // selected at once, as the last Run left it.
    connect(m_pPowerButton, &QRadioButton::toggled, this, [this] {
        m_bPower = m_pPowerButton->isChecked();
        update(PlotFrame());
    });

    QPushButton* run = Place(new QPushButton(tr("Run"), this), "run", dlu(366, 57, 52, 17));
    connect(run, &QPushButton::clicked, this, &CFFTDlg::OnRun);
    QPushButton* close = Place(new QPushButton(tr("Close"), this), "close", dlu(445, 57, 50, 17));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    m_pPlotFrame = Place(new QFrame(this), "plot", dlu(16, 81, 496, 243));
    m_pPlotFrame->hide();
}

void CFFTDlg::FillFromDocument() {
    const std::vector<CObData>& records = m_pDoc->channels[0];
    const auto timeText = [&records](int index) {
        const bool valid = index >= 0 && static_cast<std::size_t>(index) < records.size();
        return valid ? QString::fromStdString(records[static_cast<std::size_t>(index)].timeText)
                     : QString();
    };
    m_pStartEdit->setText(timeText(m_nStart));
    m_pFinishEdit->setText(timeText(m_nFinish));
    m_pNumberEdit->setText(Printf("%d", m_nFinish - m_nStart + 1));
}

QRect CFFTDlg::PlotFrame() const {
    return m_pPlotFrame->geometry();
}

void CFFTDlg::OnRun() {
    if (!m_pBuffers) {
        QMessageBox::warning(this, QApplication::applicationDisplayName(),
                             tr(kSpectrumMemoryError));
        return;
    }
    m_dPeak = 0.0;
    SpectrumRequest request;
    request.start = m_nStart;
    request.finish = m_nFinish;
    request.size = kSpectrumSmallestSize << m_pSizeList->currentIndex();
    request.segments = kSpectrumDefaultSegments << m_pSampleRateList->currentIndex();
    request.window = static_cast<FftWindow>(m_pFilterList->currentIndex() - 1);
    request.kind = m_bPower ? SpectrumKind::Power : SpectrumKind::Frequency;

    const SpectrumResult result = RunSpectrum(m_pDoc->channels[0], request, *m_pBuffers);
    if (!result.Ok()) {
        QMessageBox::warning(this, QApplication::applicationDisplayName(),
                             QString::fromStdString(result.error));
        return;
    }
    m_nFftSize = result.size;
    m_nFreqAxisMax = SpectrumAxisMax(SpectrumKind::Frequency, result.size);
    m_nSegments = result.segments;
    m_nSegmentLength = result.size;
    m_nOverlap = kSpectrumOverlap;
    m_nWindow = static_cast<int>(result.window);
    m_nTotal = result.total;
    m_dPeak = result.peak;
    update();
}

void CFFTDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (m_pDoc->channels[0].empty()) {
        return;
    }
    QPainter painter(this);
    DrawFftGraph(painter);
}

void CFFTDlg::DrawFftGraph(QPainter& painter) {
    const QRect rc = PlotFrame();
    if (rc.height() <= 100 || rc.width() <= 100) {
        return;
    }
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.fillRect(rc, Qt::white);

    painter.setPen(kNavy);
    TextAt(painter, rc.left() + rc.width() / 2 - 40, rc.top(), tr("FFT Graph"));

    // Edges as the frame's right and bottom are exclusive.
    const int left = rc.left() + 10;
    const int top = rc.top() + 30;
    const int right = rc.left() + rc.width() - 10;
    const int bottom = rc.top() + rc.height() - 30;
    const double width = right - left;
    const double height = bottom - top;

    const int xmax = m_bPower ? m_nFftSize / 2 : m_nFreqAxisMax;
    const QPen grid(kGridGreen, 1, Qt::DotLine);
    for (int i = 0; i <= 20; ++i) {
        const int x = Trunc(left + width * i / 20);
        painter.setPen(grid);
        painter.drawLine(x, top, x, bottom);
        painter.setPen(kNavy);
        TextAt(painter, Trunc(left + width * i / 20 - 10), bottom + 5,
               Printf("%d", Trunc(static_cast<double>(xmax) * i / 20)));
    }
    painter.setPen(grid);
    for (int i = 0; i <= 10; ++i) {
        const int y = Trunc(top + height * i / 10);
        painter.drawLine(left, y, right, y);
    }

    painter.setPen(kNavy);
    TextAt(painter, left, top - 20, Printf("%e", m_dPeak));
    if (m_dPeak == 0.0 || !m_pBuffers) {
        return;  // nothing computed yet
    }
    painter.setPen(QPen(kCurveBlue, 2));
    const std::size_t size = static_cast<std::size_t>(m_nFftSize);
    QPoint previous;
    if (m_bPower) {
        const std::vector<double>& power = m_pBuffers->power;
        const double t = std::abs(m_dPeak / 20);
        bool up = false;
        bool down = false;
        for (std::size_t k = 0; k < size / 2; ++k) {
            up = up || power[k] > t;
            down = down || power[k] < -t;
        }
        const double yscale = (up && down ? height / 2 : height) / m_dPeak;
        const int y0 = up && !down ? bottom : (down && !up ? top : top + (bottom - top) / 2);
        const double xscale = width / static_cast<double>(size / 2);
        for (std::size_t k = 0; k < size / 2; ++k) {
            const QPoint point(Trunc(static_cast<double>(k) * xscale + left),
                               Trunc(y0 - power[k] * yscale));
            if (k > 0) {
                painter.drawLine(previous, point);
            }
            previous = point;
        }
    } else {
        const std::vector<double>& magnitude = m_pBuffers->magnitude;
        const double xscale = width / static_cast<double>(size);
        const double yscale = height / m_dPeak;
        for (std::size_t k = 0; k < size; ++k) {
            const QPoint point(Trunc(static_cast<double>(k) * xscale + left),
                               Trunc(bottom - magnitude[k] * yscale));
            if (k > 0) {
                painter.drawLine(previous, point);
            }
            previous = point;
        }
    }
}

void RunFftAnalysis(QWidget* parent, const CRoZudozuvDoc& doc, int first, int last) {
    CFFTDlg dialog(doc, first, last, parent);
    dialog.exec();
}
