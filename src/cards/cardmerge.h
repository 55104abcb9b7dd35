#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

class Transaction;

// Two cards of one person made one: the kept card takes every visit of the other, with the
// visits' diagnoses and interventions, and its empty fields are filled from the other card,
// which then goes. Where both cards hold different values the user chooses.
namespace cardmerge {

// A field of the card, by its name in the register, with its title.
struct Field {
    QString name;
    QString title;
};
// The fields a merge compares, in the order the window shows them.
const QList<Field> &fields();

// Whether a value counts as held: null and text of nothing but spaces do not.
bool holdsValue(const QVariant &value);

enum class Source { Kept, Other };
// One field of both cards: where the merged card takes it from, and whether the user chooses
// (both cards hold it and the values differ).
struct FieldRow {
    QString field;
    QVariant kept;
    QVariant other;
    bool choice = false;
    Source source = Source::Kept;
};
// Every field of fields(): a choice, the kept card's value at first, where both hold different
// values; the other card's value where only it holds one; the kept card's otherwise.
QList<FieldRow> compare(const QVariantMap &kept, const QVariantMap &other);
// The fields the kept card takes from the other, with their values; the others stay as they are.
QVariantMap takenFromOther(const QList<FieldRow> &rows);

// The fields of fields() of a card as the transaction sees it; empty when the register holds
// no such card. Raises DbError when the database refuses.
QVariantMap readCard(Transaction &transaction, int id);
// The number of visits of a card.
int visitCount(Transaction &transaction, int id);

// Makes the two cards one and commits it at once, keeping the transaction: every visit of
// `other` moves to `kept`, `kept` is written with `fields` (fields not named stay as they are),
// and `other` is deleted. Returns the number of visits moved. Raises DbError, and changes
// nothing, when the database refuses or when either card is no longer in the register. The
// transaction must hold no other change not yet committed: it is committed with the merge.
int merge(Transaction &transaction, int kept, int other, const QVariantMap &fields);

} // namespace cardmerge
