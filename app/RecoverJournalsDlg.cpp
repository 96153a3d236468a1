#include "app/RecoverJournalsDlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { kName, kTime, kReadings, kCondition, kColumnCount };

// The row's index in m_rows, kept on its item.
constexpr int kRowRole = Qt::UserRole;

}  // namespace

CRecoverJournalsDlg::CRecoverJournalsDlg(std::vector<JournalOfferRow> rows, QWidget* parent)
    : QDialog(parent),
      m_rows(std::move(rows)),
      m_choices(m_rows.size(), JournalChoice::Later),
      m_pList(new QTreeWidget(this)),
      m_pRecover(new QPushButton(QStringLiteral("&Recover"), this)),
      m_pDiscard(new QPushButton(QStringLiteral("&Discard"), this)),
      m_pLater(new QPushButton(QStringLiteral("&Later"), this)) {
    setObjectName(QStringLiteral("recoverJournalsDlg"));
    setWindowTitle(QStringLiteral("Unsaved Recordings"));
    auto* text = new QLabel(
        QStringLiteral("These recordings were not saved when the program last ended. Choose "
                       "the ones to recover, discard or keep for later."),
        this);
    text->setWordWrap(true);

    m_pList->setColumnCount(kColumnCount);
    m_pList->setHeaderLabels({QStringLiteral("Document"), QStringLiteral("Started"),
                              QStringLiteral("Readings"), QStringLiteral("Condition")});
    m_pList->setRootIsDecorated(false);
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const JournalOfferRow& row = m_rows[i];
        auto* item = new QTreeWidgetItem(
            m_pList, {row.name, row.time, row.readings,
                      row.condition.isEmpty() ? QStringLiteral("Whole") : row.condition});
        item->setTextAlignment(kReadings, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(kName, row.path);
        item->setData(kName, kRowRole, static_cast<int>(i));
        item->setSelected(true);
    }
    for (int column = 0; column < kColumnCount; ++column) {
        m_pList->resizeColumnToContents(column);
    }

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_pRecover, QDialogButtonBox::AcceptRole);
    buttons->addButton(m_pDiscard, QDialogButtonBox::DestructiveRole);
    buttons->addButton(m_pLater, QDialogButtonBox::RejectRole);
    m_pRecover->setDefault(true);
    connect(m_pRecover, &QPushButton::clicked, this, [this] { Choose(JournalChoice::Recover); });
    connect(m_pDiscard, &QPushButton::clicked, this, [this] { Choose(JournalChoice::Discard); });
    connect(m_pLater, &QPushButton::clicked, this, [this] { Choose(JournalChoice::Later); });
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, &CRecoverJournalsDlg::UpdateButtons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_pList);
    layout->addWidget(buttons);
    resize(640, 300);
    UpdateButtons();
}

std::vector<JournalChoice> CRecoverJournalsDlg::Ask(const std::vector<JournalOfferRow>& rows,
                                                    QWidget* parent) {
    CRecoverJournalsDlg dialog(rows, parent);
    dialog.exec();
    return dialog.Choices();
}

void CRecoverJournalsDlg::Choose(JournalChoice choice) {
    for (QTreeWidgetItem* item : m_pList->selectedItems()) {
        const auto row = static_cast<std::size_t>(item->data(kName, kRowRole).toInt());
        if (choice == JournalChoice::Recover && !m_rows[row].recoverable) {
            continue;  // a damaged header holds nothing to recover; it stays listed
        }
        m_choices[row] = choice;
        delete item;
    }
    if (m_pList->topLevelItemCount() == 0) {
        accept();
    }
    UpdateButtons();
}

void CRecoverJournalsDlg::UpdateButtons() {
    const QList<QTreeWidgetItem*> chosen = m_pList->selectedItems();
    bool anyRecoverable = false;
    for (QTreeWidgetItem* item : chosen) {
        anyRecoverable =
            anyRecoverable ||
            m_rows[static_cast<std::size_t>(item->data(kName, kRowRole).toInt())].recoverable;
    }
    m_pRecover->setEnabled(anyRecoverable);
    m_pDiscard->setEnabled(!chosen.isEmpty());
    m_pLater->setEnabled(!chosen.isEmpty());
}
