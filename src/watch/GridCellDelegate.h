#pragma once

#include <QStyledItemDelegate>

// Draws grid cells: pictures centred in their cell, text as the model gives it.
class GridCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
