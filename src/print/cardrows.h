#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class SharedData;

// What the outpatient card tells of one visit, as plain values: the patient's row, the visit's
// row (when the patient has one) and the visit's diagnosis and intervention rows, in the order
// of their datasets. Text is as stored, not yet tidied.
struct CardDiagnosis {
    QString name; // the diagnosis book's name (G_DIAGNAME)
    QString note; // G_PRIM
};

struct CardRows {
    // The patient (ibdsMain).
    QString fio;
    QString fior;
    QDate birth;
    QString address;
    QString telephone;

    // The visit (ibdsCard); all empty when the patient has none.
    QString complaints;
    QString status;
    QString examination;
    QString recommendations;
    QString anamnesis;
    QString doctor; // the doctor's name as the visit shows it (C_DocFIO)
    QDate visitDate;

    QList<CardDiagnosis> diagnoses;
    // The intervention book's names (V_VMESHATNAME), one for every row, empty where the row
    // names no intervention the book holds.
    QStringList interventions;
};

// The current patient and visit of the shared datasets, with the values they hold now, edits
// not yet saved included. Walks the visit's diagnoses and interventions from the first row to
// the end, which posts a row being edited there first; both are left on their last row.
// Raises DbError when the database refuses that post.
CardRows readCardRows(SharedData &data);
