#include "app/EnemyListModel.h"

namespace varn::app {

EnemyListModel::EnemyListModel(const EnemyList& list, QObject* parent)
    : QAbstractListModel(parent), list_(list)
{}

int EnemyListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(list_.size());
}

QVariant EnemyListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount())
        return {};
    const EnemyListEntry& entry = list_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(entry.label);
    case Qt::UserRole:
        return static_cast<int>(entry.number);
    default:
        return {};
    }
}

} // namespace varn::app
