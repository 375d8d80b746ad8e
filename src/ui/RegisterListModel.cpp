#include "ui/RegisterListModel.h"

#include <numeric>

namespace vrklad {
namespace {

const char* const kCaptions[kListColumns] = {
    "№записи", "Документ", "СНИЛС", "ФИО", "Дата рождения", "№билета", "Класс", "Окончание льготы"};

}  // namespace

RegisterListModel::RegisterListModel(QObject* parent) : QAbstractTableModel(parent) {}

void RegisterListModel::SetRows(std::vector<ListedRecord> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    m_order.resize(m_rows.size());
    std::iota(m_order.begin(), m_order.end(), 0u);
    if (m_sortColumn >= 0) SortListRows(m_rows, m_order, m_sortColumn, m_sortDirection);
    endResetModel();
}

void RegisterListModel::SortByColumn(int column, int direction) {
    m_sortColumn = column;
    m_sortDirection = direction;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<uint32_t> before = m_order;
    SortListRows(m_rows, m_order, column, direction);
    // Selected and current rows follow their records.
    std::vector<int> rowOf(m_order.size());
    for (size_t i = 0; i < m_order.size(); ++i) rowOf[m_order[i]] = static_cast<int>(i);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from) {
        to << this->index(rowOf[before[static_cast<size_t>(index.row())]], index.column());
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int RegisterListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_order.size());
}

int RegisterListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kListColumns;
}

QString RegisterListModel::CellText(int row, int column) const {
    return QString::fromStdString(ListCellText(Row(row), column));
}

QVariant RegisterListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    return CellText(index.row(), index.column());
}

QVariant RegisterListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kListColumns) {
        return {};
    }
    return QString::fromUtf8(kCaptions[section]);
}

int RegisterListModel::RowOfRecord(int32_t recordIndex) const {
    for (size_t i = 0; i < m_order.size(); ++i) {
        if (m_rows[m_order[i]].index == recordIndex) return static_cast<int>(i);
    }
    return -1;
}

std::vector<uint16_t> RegisterListModel::RecordIndexes() const {
    std::vector<uint16_t> indexes;
    indexes.reserve(m_order.size());
    for (const uint32_t i : m_order) indexes.push_back(m_rows[i].index);
    return indexes;
}

int RegisterListModel::FindRow(const QString& upperText, int from) const {
    const int rows = rowCount();
    for (int row = std::max(from, 0); row < rows; ++row) {
        for (int column = ColDoc; column < kListColumns; ++column) {
            if (CellText(row, column).toUpper().contains(upperText)) return row;
        }
    }
    return -1;
}

}  // namespace vrklad
