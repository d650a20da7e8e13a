#pragma once

#include <cstdint>

#include <QAbstractListModel>

#include "charpatch/ItemLists.h"

namespace varn::app {

// One of the core's coded item lists shown in combo boxes. Several boxes that offer the same
// list (the four weapon slots, say) share one model. The list itself stays in the core; the
// model only reads it.
class ItemListModel : public QAbstractListModel {
    Q_OBJECT

public:
    // `items` must outlive the model (the core's lists live as long as the program).
    ItemListModel(const ItemList& items, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The game code of a row; the code of row 0 for a row outside the list.
    std::uint8_t code(int row) const;
    // The first row with `code`, or 0 when none has it.
    int rowOfCode(std::uint8_t code) const;

private:
    const ItemList& items_;
};

} // namespace varn::app
