#pragma once

#include <QDialog>
#include <memory>

#include "fft/Spectrum.h"

class QComboBox;
class QFrame;
class QLineEdit;
class QPainter;
class QPushButton;
class QRadioButton;
class CRoZudozuvDoc;

// The modal "FFT Analysis" dialog: shows a range of the document's main
// records, lets the user pick the FFT size, the window ("Filter") and the kind
// of spectrum, computes it on Run and plots it inside the dialog.
class CFFTDlg : public QDialog {
    Q_OBJECT

  public:
    // start < finish, both records of doc's channel 0; doc is borrowed.
    CFFTDlg(const CRoZudozuvDoc& doc, int start, int finish, QWidget* parent = nullptr);
    ~CFFTDlg() override;

    double Peak() const { return m_dPeak; }
    bool PowerSelected() const { return m_bPower; }
    int FftSize() const { return m_nFftSize; }
    // The rectangle of the plot frame, in client coordinates.
    QRect PlotFrame() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void BuildControls();
    void FillFromDocument();
    void OnRun();
    void DrawFftGraph(QPainter& painter);

    int m_nStart = 0;
    int m_nFinish = 0;
    int m_nFftSize = 32;
    int m_nFreqAxisMax = 64;
    int m_nSegments = kSpectrumDefaultSegments;
    int m_nSegmentLength = 32;
    int m_nOverlap = 0;
    int m_nWindow = -1;
    int m_nTotal = 512;
    bool m_bPower = true;
    double m_dPeak = 0.0;
    const CRoZudozuvDoc* m_pDoc = nullptr;
    std::unique_ptr<SpectrumBuffers> m_pBuffers;  // null when memory was short

    QLineEdit* m_pStartEdit = nullptr;
    QLineEdit* m_pFinishEdit = nullptr;
    QLineEdit* m_pNumberEdit = nullptr;
    QComboBox* m_pSizeList = nullptr;
    QComboBox* m_pFilterList = nullptr;
    QComboBox* m_pSampleRateList = nullptr;
    QComboBox* m_pOverlapList = nullptr;
    QRadioButton* m_pPowerButton = nullptr;
    QRadioButton* m_pFrequencyButton = nullptr;
    QFrame* m_pPlotFrame = nullptr;
};

// Opens the dialog modally for the records first … last of doc's channel 0
// (the graph's FFT tool calls it with the marked range).
void RunFftAnalysis(QWidget* parent, const CRoZudozuvDoc& doc, int first, int last);
