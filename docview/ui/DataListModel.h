#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

#include "docview/ListRowStore.h"

class CRoZudozuvDoc;

// The data list's rows for a QTableView: six left-aligned columns read from a
// CListRowStore, so no item object exists per row.
class CDataListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    CDataListModel(const CRoZudozuvDoc& document, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Appends the document's rows; returns how many.
    int FillFromDocument();
    // Appends one row with its own texts.
    void Append(const ListRow& row);

    QString Text(int row, int column) const;

  private:
    CListRowStore m_rows;
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
