#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cmath>

#include "fft/ui/FFTDlg.h"
#include "record/Document.h"

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "ui_fft_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own statics may be gone by the time it would be.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

CRoZudozuvDoc SineDocument() {
    CRoZudozuvDoc doc;
    for (int i = 0; i < 100; ++i) {
        CObData record;
        record.value = 3.0 * std::sin(0.7 * i);
        record.timeText = "t" + std::to_string(i);
        doc.channels[0].push_back(record);
    }
    return doc;
}

int BluePixels(CFFTDlg& dialog) {
    const QImage image = dialog.grab().toImage();
    const QRect plot = dialog.PlotFrame();
    int count = 0;
    for (int y = plot.top(); y <= plot.bottom(); ++y) {
        for (int x = plot.left(); x <= plot.right(); ++x) {
            count += image.pixelColor(x, y) == QColor(0, 0, 255) ? 1 : 0;
        }
    }
    return count;
}

// The region of the dialog's own paint events.
class PaintRecorder : public QObject {
  public:
    QRegion painted;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return QObject::eventFilter(watched, event);
    }
};

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items << list->itemText(i);
    }
    return items;
}

}  // namespace

TEST(FftDlg, OptionsRadioButtonsAndRun) {
    App();
    const CRoZudozuvDoc doc = SineDocument();
    CFFTDlg dialog(doc, 10, 60);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.windowTitle(), "FFT Analysis");

    const auto* size = dialog.findChild<QComboBox*>("fftSize");
    auto* filter = dialog.findChild<QComboBox*>("filter");
    EXPECT_EQ(Items(size), QStringList({"32", "64", "128", "256", "512", "1024", "2048"}));
    EXPECT_EQ(size->currentIndex(), 0);
    EXPECT_EQ(Items(filter), QStringList({"None", "Hamming", "Hanning", "Triangle", "Blackman",
                                          "4 term Blackman-Harris"}));
    EXPECT_EQ(filter->currentIndex(), 0);
    EXPECT_FALSE(dialog.findChild<QComboBox*>("sampleRate")->isVisible());
    EXPECT_FALSE(dialog.findChild<QComboBox*>("overlap")->isVisible());
    EXPECT_EQ(dialog.findChild<QLineEdit*>("startTime")->text(), "t10");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("finishTime")->text(), "t60");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("number")->text(), "51");

    // Before the first Run: grid, title and peak label, no curve.
    EXPECT_EQ(dialog.Peak(), 0.0);
    EXPECT_EQ(BluePixels(dialog), 0);

    filter->setFocus();
    QTest::keyClick(filter, Qt::Key_Down);
    EXPECT_EQ(filter->currentText(), "Hamming");
    auto* run = dialog.findChild<QPushButton*>("run");
    QTest::mouseClick(run, Qt::LeftButton);
    const double powerPeak = dialog.Peak();
    EXPECT_GT(powerPeak, 0.0);
    EXPECT_GT(BluePixels(dialog), 0);

    // The radio button changes the selection, computes nothing, and the plot
    // is repainted at once.
    QCoreApplication::processEvents();  // the repaint Run asked for is done
    PaintRecorder recorder;
    dialog.installEventFilter(&recorder);
    QTest::mouseClick(dialog.findChild<QRadioButton*>("frequency"), Qt::LeftButton);
    EXPECT_FALSE(dialog.PowerSelected());
    EXPECT_EQ(dialog.Peak(), powerPeak);
    EXPECT_TRUE(QTest::qWaitFor([&] { return recorder.painted.contains(dialog.PlotFrame()); }));
    dialog.removeEventFilter(&recorder);
    QTest::mouseClick(run, Qt::LeftButton);
    EXPECT_NE(dialog.Peak(), powerPeak);
    EXPECT_GT(BluePixels(dialog), 0);
}
