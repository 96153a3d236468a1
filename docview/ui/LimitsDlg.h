#pragma once

#include <QDialog>

#include "record/LimitWatcher.h"

class QCheckBox;
class QLabel;
class QLineEdit;

// Real Time > Limits…: a high and a low limit for a window's live readings,
// each optional, in the unit of the reading as shown.
class CLimitsDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CLimitsDlg(const Limits& limits, QWidget* parent = nullptr);

    // The limits chosen (after OK).
    Limits GetLimits() const { return m_limits; }

    QCheckBox* HighCheck() const { return m_pHighCheck; }
    QLineEdit* HighEdit() const { return m_pHighEdit; }
    QCheckBox* LowCheck() const { return m_pLowCheck; }
    QLineEdit* LowEdit() const { return m_pLowEdit; }
    QLabel* Problem() const { return m_pProblem; }

    void accept() override;

  private:
    QCheckBox* m_pHighCheck;
    QLineEdit* m_pHighEdit;
    QCheckBox* m_pLowCheck;
    QLineEdit* m_pLowEdit;
    QLabel* m_pProblem;
    Limits m_limits;
};
