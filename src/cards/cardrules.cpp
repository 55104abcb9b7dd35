#include "cards/cardrules.h"

#include "support/controltrim.h"
#include "support/dates.h"
#include "support/joinbrokenlines.h"
#include "support/letters.h"
#include "support/tidytext.h"

namespace cardrules {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kMale = QStringLiteral("М");
const QString kFemale = QStringLiteral("Ж");

bool startsWord(QChar before) {
    return before == u' ' || before == u'(' || before == u',';
}

// The stored free text as it is read: typography tidied, lines broken inside a sentence joined.
QString readable(const QString &text) {
    return JoinBrokenLines(TidyText(text));
}

} // namespace

QString capitalizeAsTyped(const QString &text) {
    QString result = text;
    for (qsizetype i = 0; i < result.size(); ++i) {
        if ((i == 0 || startsWord(result.at(i - 1))) && letters::isCyrillicSmall(result.at(i)))
            result[i] = letters::cyrillicCapital(result.at(i));
    }
    return result;
}

QString inferSex(const QString &fullName) {
    const qsizetype firstSpace = fullName.indexOf(u' ');
    const QString surname = firstSpace < 0 ? fullName : fullName.left(firstSpace);
    QString patronymic;
    if (firstSpace >= 0) {
        const QString rest = fullName.mid(firstSpace + 1);
        const qsizetype secondSpace = rest.indexOf(u' ');
        if (secondSpace >= 0)
            patronymic = rest.mid(secondSpace + 1);
    }
    struct Ending {
        const QString &word;
        const char16_t *ending;
        const QString &sex;
    };
    const Ending endings[] = {
        {surname, u"ова", kFemale},    {surname, u"ева", kFemale}, {surname, u"ина", kFemale},
        {surname, u"ов", kMale},       {surname, u"ин", kMale},    {patronymic, u"вна", kFemale},
        {patronymic, u"чна", kFemale}, {patronymic, u"ич", kMale},
    };
    for (const Ending &rule : endings) {
        if (rule.word.endsWith(QStringView(rule.ending), Qt::CaseSensitive))
            return rule.sex;
    }
    return QString();
}

QString toggledSex(const QString &sex) {
    return sex.isEmpty() || sex == kFemale ? kMale : kFemale;
}

QString digitsOnly(const QString &text) {
    QString digits;
    for (QChar c : text) {
        if (letters::isDigit(c))
            digits += c;
    }
    return digits;
}

QDate birthDateForAge(int age, QDate today) {
    if (age < 1 || age >= today.year())
        return QDate();
    return QDate(today.year() - age, 1, 1);
}

QString ageBoxText(int age) {
    return age < 1 ? QString() : QString::number(age);
}

QString visitLabelText(int visits) {
    return visits > 0 ? QStringLiteral("&Приёмы (%1):").arg(visits)
                      : QStringLiteral("&Приёмы (нет):");
}

CardProblem checkCard(const QString &fullName, const QString &sex, QDate birth, QDate today) {
    if (fullName.size() < 5)
        return CardProblem::FullName;
    if (sex.isEmpty())
        return CardProblem::Sex;
    if (birth.isValid() && birth > today)
        return CardProblem::BirthDate;
    return CardProblem::None;
}

QString problemCaption(CardProblem problem) {
    switch (problem) {
    case CardProblem::FullName:
        return QStringLiteral("Заполните Ф.И.О.");
    case CardProblem::Sex:
        return QStringLiteral("Заполните пол");
    case CardProblem::BirthDate:
        return QStringLiteral("Проверьте дату рождения");
    case CardProblem::None:
        break;
    }
    return QString();
}

QString summaryText(const PatientSummary &patient, const QDateTime &now) {
    QString text = QStringLiteral("Ф.И.О.: ") + patient.fullName + kCrLf;
    const int age = dates::ageSinceBirth(patient.birth, now);
    if (age != 0) {
        text +=
            QStringLiteral("Возраст: %1 (%2)").arg(age).arg(dates::toText(patient.birth)) + kCrLf;
    } else {
        text += QStringLiteral("Возраст: н/д") + kCrLf;
    }
    text += QStringLiteral("Адрес: ") +
            (patient.address.isEmpty() ? QStringLiteral("н/д") : patient.address) + kCrLf;
    if (!patient.telephones.isEmpty())
        text += QStringLiteral("Телефон: ") + patient.telephones + kCrLf;
    text += patient.anamnesis;
    return trimmedOfControls(text);
}

QString visitCountLine(int visits) {
    return QStringLiteral("Всего %1 приёма, сегодня %2").arg(visits).arg(visits + 1);
}

QString visitText(const VisitNotes &visit) {
    const QString separator = QStringLiteral(", ");
    QString text;
    if (visit.diagnoses.isEmpty()) {
        text = QStringLiteral("Диагноз отсутствует.");
    } else {
        for (const VisitNotes::Diagnosis &diagnosis : visit.diagnoses)
            text += trimmedOfControls(diagnosis.name + u' ' + diagnosis.note) + separator;
        text.chop(separator.size());
    }
    text += kCrLf + kCrLf;

    const std::pair<const QString &, QString> sections[] = {
        {visit.complaints, QStringLiteral("Жалобы: ")},
        {visit.status, QStringLiteral("Статус: ")},
        {visit.examination, QStringLiteral("Обследование: ")},
        {visit.recommendations, QStringLiteral("Рекомендации:") + kCrLf},
        {visit.anamnesis, QStringLiteral("Анамнез заболевания: ")},
    };
    for (const auto &[field, heading] : sections) {
        const QString shown = readable(field);
        if (!shown.isEmpty())
            text += heading + shown + kCrLf + kCrLf;
    }

    text += visit.interventions.join(separator);
    return trimmedOfControls(text);
}

} // namespace cardrules
