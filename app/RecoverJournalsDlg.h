#pragma once

#include <QDialog>
#include <vector>

#include "app/DocumentJournals.h"

class QPushButton;
class QTreeWidget;

// The start-up offer of the recordings that earlier runs left unsaved: one
// list of every left journal (document, start, readings, damage), all chosen
// at first. Recover, Discard and Later act on the chosen rows and take them
// off the list; the dialog closes once the list is empty. Closing it earlier
// leaves the rest for later.
class CRecoverJournalsDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CRecoverJournalsDlg(std::vector<JournalOfferRow> rows, QWidget* parent = nullptr);

    // Shows the offer and returns a choice for each row.
    static std::vector<JournalChoice> Ask(const std::vector<JournalOfferRow>& rows,
                                          QWidget* parent);

    const std::vector<JournalChoice>& Choices() const { return m_choices; }
    QTreeWidget* List() const { return m_pList; }
    QPushButton* RecoverButton() const { return m_pRecover; }
    QPushButton* DiscardButton() const { return m_pDiscard; }
    QPushButton* LaterButton() const { return m_pLater; }

  private:
    void Choose(JournalChoice choice);
    void UpdateButtons();

    std::vector<JournalOfferRow> m_rows;
    std::vector<JournalChoice> m_choices;
    QTreeWidget* m_pList;
    QPushButton* m_pRecover;
    QPushButton* m_pDiscard;
    QPushButton* m_pLater;
};
