#include "cards/samepatient.h"

#include "data/registerindexes.h"
#include "data/statement.h"
#include "support/win1251codec.h"

namespace samepatient {

namespace {

// What the lists show of a patient, the latest visit's date read from the visits' index.
const QString kColumns =
    QStringLiteral("ID, FIO, DATAR, ADR,\n"
                   "  (select max(C_DATE) from CARD where C_KEY = MAIN.ID) as LAST_VISIT");

QList<Candidate> readAll(Statement &select, const ParameterSource &parameters) {
    QList<Candidate> patients;
    select.open(parameters);
    for (QVariantList row; select.fetch(row);) {
        patients << Candidate{row.value(0).toInt(), row.value(1).toString(), row.value(2).toDate(),
                              row.value(3).toString(), row.value(4).toDate()};
    }
    return patients;
}

QStringList words(const QString &text) {
    return text.split(u' ', Qt::SkipEmptyParts);
}

// The text in capitals, as the register makes them: a letter whose capital the code page lacks
// ("µ") stays as it is.
QString capitals(const QString &text) {
    QString result = text;
    for (QChar &c : result) {
        const QChar capital = c.toUpper();
        if (capital != c && win1251::canEncode(QString(capital)))
            c = capital;
    }
    return result;
}

} // namespace

QStringList spellings(const QString &fullName) {
    const QString text = capitals(fullName).replace(u'Ё', u'Е');
    QStringList name = words(text);
    QStringList former;
    if (const qsizetype opening = text.indexOf(u'('); opening >= 0) {
        // An unclosed bracket runs to the end of the name.
        const qsizetype closing = text.indexOf(u')', opening + 1);
        const qsizetype length = closing < 0 ? -1 : closing - opening - 1;
        former = words(text.mid(opening + 1, length));
        name = words(text.left(opening) + u' ' + (closing < 0 ? QString() : text.mid(closing + 1)));
    }
    QStringList result;
    if (!name.isEmpty())
        result << name.join(u' ');
    if (!former.isEmpty()) {
        const QString other = (former + name.mid(1)).join(u' ');
        if (!result.contains(other))
            result << other;
    }
    return result;
}

bool sameName(const QString &a, const QString &b) {
    const QStringList of = spellings(b);
    for (const QString &spelling : spellings(a)) {
        if (of.contains(spelling))
            return true;
    }
    return false;
}

bool isCandidate(const QString &nameA, const QDate &bornA, const QString &nameB,
                 const QDate &bornB) {
    const bool bornAgree = !bornA.isValid() || !bornB.isValid() || bornA == bornB;
    return bornAgree && sameName(nameA, nameB);
}

QString candidatesSql() {
    using namespace registerindexes;
    const QString column = QStringLiteral("FIO");
    return QStringLiteral(
               "select %1\n"
               "from MAIN\n"
               "where (%2 in (:SPELLING, :OTHER_SPELLING) or %3 in (:SPELLING, :OTHER_SPELLING))\n"
               "  and (DATAR = :DATAR or DATAR is null or cast(:DATAR as date) is null)\n"
               "  and ID is distinct from :ID\n"
               "order by FIO, ID")
        .arg(kColumns, nameKey(column), formerNameKey(column));
}

QList<Candidate> find(Connection &connection, Transaction &transaction, const QString &fullName,
                      const QDate &born, const QVariant &except) {
    QList<Candidate> found;
    const QStringList keys = spellings(fullName);
    if (keys.isEmpty())
        return found;
    Statement select(connection, transaction, candidatesSql());
    const QList<Candidate> namesakes = readAll(select, [&](const QString &name) -> QVariant {
        if (name == QLatin1String("SPELLING"))
            return keys.value(0);
        if (name == QLatin1String("OTHER_SPELLING"))
            return keys.size() > 1 ? QVariant(keys.value(1)) : QVariant();
        if (name == QLatin1String("DATAR"))
            return born.isValid() ? QVariant(born) : QVariant();
        return except;
    });
    // The statement finds the names by their spellings; the rule has the last word.
    for (const Candidate &candidate : namesakes) {
        if (isCandidate(fullName, born, candidate.fullName, candidate.born))
            found << candidate;
    }
    return found;
}

QList<Candidate> search(Connection &connection, Transaction &transaction, const QString &text,
                        const QVariant &except) {
    Statement select(connection, transaction,
                     QStringLiteral("select first %1 %2\n"
                                    "from MAIN\n"
                                    "where FIO starting with :TEXT and ID is distinct from :ID\n"
                                    "order by FIO")
                         .arg(kSearchRows)
                         .arg(kColumns));
    return readAll(select, [&](const QString &name) {
        return name == QLatin1String("TEXT") ? QVariant(text) : except;
    });
}

} // namespace samepatient
