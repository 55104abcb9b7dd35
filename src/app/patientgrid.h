#pragma once

#include "dbwidgets/datasetmodel.h"

#include <QStyledItemDelegate>

class Dataset;

// The patient list's model: the full name and the age, with the current patient marked in the
// row-indicator column.
class PatientListModel : public DatasetModel {
    Q_OBJECT
public:
    explicit PatientListModel(Dataset *patients, QObject *parent = nullptr);

    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // A screen reader hears the address after the name, as the list shows it beside the name.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    Dataset *m_patients;
    int m_markedRow = -1;
};

// Draws a patient's name and then the home address in smaller, dimmer letters in the same cell:
// right-aligned when there is room beside the name, otherwise just after it.
class NameWithAddressDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    NameWithAddressDelegate(Dataset *patients, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    Dataset *m_patients;
};
