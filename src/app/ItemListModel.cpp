#include "app/ItemListModel.h"

namespace varn::app {

ItemListModel::ItemListModel(const ItemList& items, QObject* parent)
    : QAbstractListModel(parent), items_(items)
{}

int ItemListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

QVariant ItemListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount())
        return {};
    const ListItem& item = items_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(item.label);
    case Qt::UserRole:
        return static_cast<int>(item.code);
    default:
        return {};
    }
}

std::uint8_t ItemListModel::code(int row) const
{
    if (items_.empty())
        return 0;
    if (row < 0 || row >= rowCount())
        row = 0;
    return items_[static_cast<std::size_t>(row)].code;
}

int ItemListModel::rowOfCode(std::uint8_t code) const
{
    return ItemIndexOfCode(items_, code);
}

} // namespace varn::app
