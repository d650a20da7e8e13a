#pragma once

#include <QAbstractListModel>

#include "enemy/EnemyLists.h"

namespace varn::app {

// One selection list of the enemy page shown in combo boxes: the boxes that offer the same
// list (the sixteen technique boxes, the two weapon boxes, the four drop boxes) share one
// model. The list stays where the page keeps it; the model only reads it, and is told around
// every change so that its boxes follow.
class EnemyListModel : public QAbstractListModel {
    Q_OBJECT

public:
    // `list` must outlive the model.
    explicit EnemyListModel(const EnemyList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Around a change of the list: the boxes drop their selection and show the new rows.
    void beginChange() { beginResetModel(); }
    void endChange() { endResetModel(); }

private:
    const EnemyList& list_;
};

} // namespace varn::app
