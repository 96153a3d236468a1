#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

#include "docview/ListRowStore.h"

class CRoZudozuvDoc;

// The data list's rows for a QTableView: six left-aligned columns read from a
// CListRowStore, so no item object exists per row. Rows of appended records
// are taken at once and shown in batches (one insertion per Publish).
class CDataListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    CDataListModel(const CRoZudozuvDoc& document, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Appends the document's rows and shows them; returns how many.
    int FillFromDocument();
    // Takes the rows of records just appended to the document.
    void Take(const AppendedRecords& appended);
    // Shows the rows taken since the last call; true when there were any.
    bool Publish();

    QString Text(int row, int column) const;

  private:
    CListRowStore m_rows;
    int m_nShown = 0;  // rows the list has been told of
};

// Draws the list's cells as plain single-line text, without the style's
// general item layout: the list repaints all its rows for every new one.
class CDataListDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
