#include "docview/ui/LimitsDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <optional>

namespace {

QString LimitEditText(std::optional<double> limit) {
    return limit ? QString::number(*limit, 'g', 10) : QString();
}

}  // namespace

CLimitsDlg::CLimitsDlg(const Limits& limits, QWidget* parent)
    : QDialog(parent),
      m_pHighCheck(new QCheckBox(tr("&High limit"), this)),
      m_pHighEdit(new QLineEdit(LimitEditText(limits.high), this)),
      m_pLowCheck(new QCheckBox(tr("&Low limit"), this)),
      m_pLowEdit(new QLineEdit(LimitEditText(limits.low), this)),
      m_pProblem(new QLabel(this)),
      m_limits(limits) {
    setWindowTitle(tr("Limits"));
    m_pHighCheck->setChecked(limits.high.has_value());
    m_pLowCheck->setChecked(limits.low.has_value());
    m_pHighEdit->setEnabled(limits.high.has_value());
    m_pLowEdit->setEnabled(limits.low.has_value());
    connect(m_pHighCheck, &QCheckBox::toggled, m_pHighEdit, &QLineEdit::setEnabled);
    connect(m_pLowCheck, &QCheckBox::toggled, m_pLowEdit, &QLineEdit::setEnabled);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CLimitsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CLimitsDlg::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_pHighCheck, 0, 0);
    layout->addWidget(m_pHighEdit, 0, 1);
    layout->addWidget(m_pLowCheck, 1, 0);
    layout->addWidget(m_pLowEdit, 1, 1);
    layout->addWidget(new QLabel(tr("In the unit of the reading as shown."), this), 2, 0, 1, 2);
    layout->addWidget(m_pProblem, 3, 0, 1, 2);
    layout->addWidget(buttons, 4, 0, 1, 2);
}

void CLimitsDlg::accept() {
    Limits chosen;
    const std::pair<QCheckBox*, QLineEdit*> fields[] = {{m_pHighCheck, m_pHighEdit},
                                                        {m_pLowCheck, m_pLowEdit}};
    std::optional<double>* targets[] = {&chosen.high, &chosen.low};
    for (int i = 0; i < 2; ++i) {
        if (!fields[i].first->isChecked()) {
            continue;
        }
        *targets[i] = ParseLimitText(fields[i].second->text().trimmed().toStdString());
        if (!*targets[i]) {
            m_pProblem->setText(tr("Type a number such as 5.2 for the limit."));
            fields[i].second->setFocus();
            return;
        }
    }
    if (chosen.high && chosen.low && *chosen.low > *chosen.high) {
        m_pProblem->setText(tr("The low limit is above the high limit."));
        return;
    }
    m_limits = chosen;
    QDialog::accept();
}
