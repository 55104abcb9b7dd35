#include "print/outpatientcard.h"

#include "support/controltrim.h"
#include "support/dates.h"
#include "support/joinbrokenlines.h"
#include "support/tidytext.h"

#include <QRegularExpression>

namespace {

// Free text as the card shows it; the stored value is not changed.
QString prepared(const QString &text) {
    return JoinBrokenLines(TidyText(text));
}

// "12 лет, ул. Ленина 5, 123-45-67": the parts that are known. A date of birth in the future
// is a typing error: it gives no age rather than a count of years back from it.
QString particulars(const CardRows &rows, const QDateTime &now) {
    QStringList parts;
    if (rows.birth.isValid() && rows.birth <= now.date()) {
        const int age = dates::ageInYears(rows.birth, now);
        if (age >= 1)
            parts << QString::number(age) + QStringLiteral(" лет");
    }
    if (!rows.address.isEmpty())
        parts << rows.address;
    if (!rows.telephone.isEmpty())
        parts << rows.telephone;
    return parts.join(QStringLiteral(", "));
}

// The list is written once the texts, each followed by ", ", make more than three characters:
// two diagnoses, or one whose text has two characters at least.
QString diagnoses(const QList<CardDiagnosis> &rows) {
    QStringList texts;
    qsizetype length = 0;
    for (const CardDiagnosis &row : rows) {
        texts << trimmedOfControls(row.name + u' ' + row.note);
        length += texts.last().size() + 2;
    }
    if (length > 3)
        return QStringLiteral("Диагноз:\r") + texts.join(QStringLiteral(", "));
    return QStringLiteral("Диагноз отсутствует.");
}

// Appends the text as paragraphs of the face: every line break (CR LF, CR or LF) starts a new
// one.
void append(QList<CardParagraph> &card, const QString &text, CardFace face) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    for (const QString &line : text.split(lineBreak))
        card.append({line, face});
}

// A heading and a tidied text, when anything of the text remains.
void appendSection(QList<CardParagraph> &card, const QString &heading, const QString &text) {
    const QString tidy = prepared(text);
    if (!tidy.isEmpty())
        append(card, heading + tidy, CardFace::Body);
}

} // namespace

QString cardFaceName(CardFace face) {
    return face == CardFace::Heading ? QStringLiteral("Arial") : QStringLiteral("Arial Black");
}

QList<CardParagraph> composeOutpatientCard(const CardRows &rows, const QDateTime &now) {
    QList<CardParagraph> card;
    append(card, QStringLiteral("Амбулаторная карта"), CardFace::Heading);
    append(card, rows.fio, CardFace::Body);
    if (!rows.fior.isEmpty())
        append(card, rows.fior, CardFace::Body);
    const QString patient = particulars(rows, now);
    if (!patient.isEmpty())
        append(card, patient, CardFace::Body);
    appendSection(card, QStringLiteral("Жалобы: "), rows.complaints);
    append(card, diagnoses(rows.diagnoses), CardFace::Body);
    appendSection(card, QStringLiteral("Статус: "), rows.status);
    appendSection(card, QStringLiteral("Обследование: "), rows.examination);
    appendSection(card, QStringLiteral("Рекомендации:\r"), rows.recommendations);
    appendSection(card, QStringLiteral("Анамнез заболевания: "), rows.anamnesis);
    if (!rows.interventions.isEmpty())
        append(card, rows.interventions.join(QStringLiteral(", ")), CardFace::Body);
    append(card, QString(), CardFace::Body);
    append(card, QString(), CardFace::Body);
    append(card, rows.doctor, CardFace::Body);
    append(card, rows.visitDate.isValid() ? dates::toText(rows.visitDate) : QString(),
           CardFace::Body);
    return card;
}

QString suggestedPdfName(const CardRows &rows) {
    static const QRegularExpression surnameEnd(QStringLiteral("[\\s(]"));
    QString surname = trimmedOfControls(rows.fio);
    surname = surname.left(surname.indexOf(surnameEnd));
    // Characters that no file name may hold on some system the file may travel to.
    static const QRegularExpression forbidden(QStringLiteral("[/\\\\:*?\"<>|]"));
    surname.remove(forbidden);
    QStringList parts;
    if (!surname.isEmpty())
        parts << surname;
    if (rows.visitDate.isValid())
        parts << dates::toText(rows.visitDate);
    if (parts.isEmpty())
        parts << QStringLiteral("Амбулаторная карта");
    return parts.join(u' ') + QStringLiteral(".pdf");
}
