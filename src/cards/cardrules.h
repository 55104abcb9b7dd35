#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// The rules of the patient card windows that need no widget: the full name as it is typed, the
// sex read from the name, age and date of birth, the checks of the editor's OK, and the texts of
// the card viewer.
namespace cardrules {

// Every small Cyrillic letter that starts the text or follows a space, "(" or "," becomes a
// capital; nothing is ever made small and Latin letters stay as typed.
QString capitalizeAsTyped(const QString &text);

// The sex the endings of the surname or the patronymic tell, "Ж" or "М", or empty text when none
// of them does. The words are split at single spaces and compared with letter case.
QString inferSex(const QString &fullName);

// The next value of a double-clicked sex box: empty and "Ж" give "М", anything else "Ж".
QString toggledSex(const QString &sex);

// The text of an age box with every character but the digits 0 to 9 removed.
QString digitsOnly(const QString &text);
// The date of birth an age in whole years stands for: 1 January of (the current year − age), so
// that the age reads back as typed for the rest of the year. Invalid for an age below 1 or one
// that reaches back before the year 1.
QDate birthDateForAge(int age, QDate today);
// The age box's text for an age: empty below 1.
QString ageBoxText(int age);
// The editor's visit label for a number of visits: "&Приёмы (3):", "&Приёмы (нет):".
QString visitLabelText(int visits);

// What stops the editor's OK, checked in this order.
enum class CardProblem { None, FullName, Sex, BirthDate };
CardProblem checkCard(const QString &fullName, const QString &sex, QDate birth, QDate today);
// The caption that tells the user what to mend.
QString problemCaption(CardProblem problem);

// What the viewer's summary shows of a patient.
struct PatientSummary {
    QString fullName;
    QDate birth;
    QString address;
    QString telephones;
    QString anamnesis;
};
// The patient at the top of the card viewer: name, age with the date of birth, address,
// telephones when there are any, and the life anamnesis without a heading. Lines end in CR LF.
QString summaryText(const PatientSummary &patient, const QDateTime &now);

// "Всего n приёма, сегодня n+1".
QString visitCountLine(int visits);

// What the viewer shows of one visit.
struct VisitNotes {
    struct Diagnosis {
        QString name;
        QString note;
    };
    QList<Diagnosis> diagnoses;
    QString complaints;      // C_ZHALOBA
    QString status;          // C_STATUS
    QString examination;     // C_OBSLED
    QString recommendations; // C_REKOMEND
    QString anamnesis;       // C_ANAMNEZ
    QStringList interventions;
};
// The diagnoses, the five free-text sections tidied for reading, and the interventions.
QString visitText(const VisitNotes &visit);

} // namespace cardrules
