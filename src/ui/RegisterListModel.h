#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <vector>

#include "session/RegisterList.h"

namespace vrklad {

// The rows of the record correction list: the records read when the list
// was filled, shown in the order of a permutation that sorting rearranges.
// The cells are made when they are painted, so a full register of 65,535
// records is listed as fast as it is read.
class RegisterListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RegisterListModel(QObject* parent = nullptr);

    // Replaces every row; the last sort is applied again.
    void SetRows(std::vector<ListedRecord> rows);
    // direction 1 ascending, -1 descending; the selection stays on its rows.
    void SortByColumn(int column, int direction);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    QString CellText(int row, int column) const;
    uint16_t RecordIndexAt(int row) const { return Row(row).index; }
    const StudentRecord& RecordAt(int row) const { return Row(row).record; }
    // The list row of a register record, -1 when it is not listed.
    int RowOfRecord(int32_t recordIndex) const;
    // The register indexes of all rows, in list order.
    std::vector<uint16_t> RecordIndexes() const;

    // The first row from `from` on whose texts, document to benefit end,
    // contain `upperText` once upper-cased; -1 when none does.
    int FindRow(const QString& upperText, int from) const;

private:
    const ListedRecord& Row(int row) const { return m_rows[m_order[static_cast<size_t>(row)]]; }

    std::vector<ListedRecord> m_rows;
    std::vector<uint32_t> m_order;
    int m_sortColumn = -1;
    int m_sortDirection = 0;
};

}  // namespace vrklad
