#include "link/ui/Port.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

CPort::CPort(QWidget* parent) : QDialog(parent), m_pEdit(new QLineEdit(this)) {
    setWindowTitle(tr("Port"));
    m_pEdit->setObjectName(QStringLiteral("portEdit"));
    m_pEdit->setToolTip(tr("A port number (1 opens /dev/rfcomm1) or a device path"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPort::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPort::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(tr("Com Port"), this), 0, 0);
    layout->addWidget(m_pEdit, 0, 1);
    layout->addWidget(buttons, 1, 0, 1, 2);
}

void CPort::ShowRefusal(const QString& message) {
    QMessageBox::warning(this, windowTitle(), message);
}

void CPort::SetComPort(const QString& text) {
    m_pEdit->setText(text);
    m_pEdit->selectAll();
}

void CPort::accept() {
    const auto entry = ParsePortEntry(m_pEdit->text().toStdString());
    if (!entry) {
        ShowRefusal(tr("Enter an integer."));
        m_pEdit->setFocus();
        m_pEdit->selectAll();
        return;
    }
    m_nComPort = *entry;
    QDialog::accept();
}
