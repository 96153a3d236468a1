#include "docview/ui/DataListModel.h"

#include <QPainter>

CDataListModel::CDataListModel(const CRoZudozuvDoc& document, QObject* parent)
    : QAbstractTableModel(parent), m_rows(document) {}

int CDataListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_nShown;
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
            return tr(kListColumns[static_cast<std::size_t>(section)].header);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        default:
            return {};
    }
}

int CDataListModel::FillFromDocument() {
    beginResetModel();
    const std::size_t added = m_rows.FillFromDocument();
    m_nShown = static_cast<int>(m_rows.Size());
    endResetModel();
    return static_cast<int>(added);
}

void CDataListModel::Take(const AppendedRecords& appended) {
    m_rows.Append(appended);
}

bool CDataListModel::Publish() {
    const int rows = static_cast<int>(m_rows.Size());
    if (rows == m_nShown) {
        return false;
    }
    beginInsertRows(QModelIndex(), m_nShown, rows - 1);
    m_nShown = rows;
    endInsertRows();
    return true;
}

void CDataListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    constexpr int kTextMargin = 3;
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const QPalette::ColorGroup group =
        (option.state & QStyle::State_Active) != 0 ? QPalette::Active : QPalette::Inactive;
    if (selected) {
        painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
    }
    const QRect textRect = option.rect.adjusted(kTextMargin, 0, -kTextMargin, 0);
    QString text = index.data(Qt::DisplayRole).toString();
    const QFontMetrics& metrics = option.fontMetrics;
    if (metrics.horizontalAdvance(text) > textRect.width()) {
        text = metrics.elidedText(text, Qt::ElideRight, textRect.width());
    }
    painter->save();
    painter->setPen(
        option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(option.font);
    painter->setClipRect(option.rect);
    const int baseline =
        textRect.top() + (textRect.height() + metrics.ascent() - metrics.descent()) / 2;
    painter->drawText(QPoint(textRect.left(), baseline), text);
    painter->restore();
}
