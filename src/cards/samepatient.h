#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class Connection;
class Transaction;

// One card per patient: whether two cards may be of the same person, and the patients the
// register holds that a new card may repeat.
namespace samepatient {

// The spellings a full name stands for: the name in capitals with "Ё" read as "Е", its words
// parted by single spaces, a name in brackets left out; and, when the brackets hold a former
// surname, the same name with it in the surname's place. "Иванова (Петрова) Мария" stands for
// "ИВАНОВА МАРИЯ" and "ПЕТРОВА МАРИЯ".
QStringList spellings(const QString &fullName);
// True when the two names share a spelling.
bool sameName(const QString &a, const QString &b);
// Two cards may be of one person when their names share a spelling and their dates of birth
// agree or one of them is missing.
bool isCandidate(const QString &nameA, const QDate &bornA, const QString &nameB,
                 const QDate &bornB);

// A patient a card may repeat, as the warning and the merge list it.
struct Candidate {
    int id = 0;
    QString fullName;
    QDate born;
    QString address;
    QDate lastVisit; // the latest visit's date; invalid without visits
};

// The statement that finds the patients with a name of the spellings :SPELLING and
// :OTHER_SPELLING (null when the name has one), with a date of birth that agrees with :DATAR or
// is missing, other than :ID, by full name; answered from the indexes of the names. Columns: ID,
// FIO, DATAR, ADR, LAST_VISIT.
QString candidatesSql();

// The patients other than `except` that may be the person of this name and date of birth.
// Raises DbError when the database refuses.
QList<Candidate> find(Connection &connection, Transaction &transaction, const QString &fullName,
                      const QDate &born, const QVariant &except = QVariant());

// At most this many patients whose full name begins with `text`, letter case as typed, other
// than `except`, by full name.
inline constexpr int kSearchRows = 100;
QList<Candidate> search(Connection &connection, Transaction &transaction, const QString &text,
                        const QVariant &except);

} // namespace samepatient
