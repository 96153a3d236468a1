#include "docview/ui/DataListModel.h"

CDataListModel::CDataListModel(const CRoZudozuvDoc& document, QObject* parent)
    : QAbstractTableModel(parent), m_rows(document) {}

int CDataListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.Size());
}

int CDataListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kListColumns.size());
}

QString CDataListModel::Text(int row, int column) const {
    if (row < 0) {
        return {};
    }
    return QString::fromStdString(m_rows.Text(static_cast<std::size_t>(row), column));
}

QVariant CDataListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
            return Text(index.row(), index.column());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        default:
            return {};
    }
}

QVariant CDataListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(kListColumns.size())) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromLatin1(kListColumns[static_cast<std::size_t>(section)].header);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        default:
            return {};
    }
}

int CDataListModel::FillFromDocument() {
    beginResetModel();
    const std::size_t added = m_rows.FillFromDocument();
    endResetModel();
    return static_cast<int>(added);
}

void CDataListModel::Append(const ListRow& row) {
    const int at = rowCount();
    beginInsertRows(QModelIndex(), at, at);
    m_rows.Append(row);
    endInsertRows();
}
