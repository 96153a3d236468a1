#pragma once

#include <QDialog>
#include <QProgressBar>

// The small progress window of a download from the meter's memory: a bar
// from 0 to the number of blocks announced by the meter.
class CWaitDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CWaitDlg(QWidget* parent = nullptr);

    // Shows the dialog centred over `over` with the range 0 .. blockCount.
    void ShowProgress(int blockCount, QWidget* over);
    void SetPos(int blocksDone);

    int BlockCount() const { return m_nBlockCount; }
    int Pos() const { return m_pBar->value(); }
    QProgressBar* Bar() const { return m_pBar; }

  private:
    QProgressBar* m_pBar;
    int m_nBlockCount = 0;
};
