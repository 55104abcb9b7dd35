#pragma once

#include <QDate>
#include <QString>

// The patient lists of the main window: the statements that fill the list, the texts the status
// bar shows for them, and the rules of the surname search box.
namespace patientlists {

inline const QString kSearchPrompt = QStringLiteral("Поиск по фамилии");
inline const QString kMonthStatus = QStringLiteral("Пациенты за месяц");
inline const QString kYearStatus = QStringLiteral("Пациенты за год");
// A surname search starts from this many characters.
inline constexpr int kSearchFrom = 2;

// The list at start: every patient with a visit on or after `since`, or with a visit without a
// date, each once, by full name.
QString startListSql(const QDate &since);
// The month and year lists: patients with a visit strictly after `since`.
QString periodListSql(const QDate &since);
// Patients whose full name begins with the typed text, letter case as typed.
QString surnameSearchSql(const QString &text);
// One patient, by key: the card a recovery file brings back.
QString onePatientSql(int id);
inline const QString kRestoredStatus = QStringLiteral("Восстановленная карточка");
// The card the user opened instead of a new one that may repeat it.
inline const QString kFoundStatus = QStringLiteral("Найденная карточка");
// The status text of a surname search: Пациенты на "Ив*".
QString searchStatusText(const QString &text);

// The search text with its first letter made a capital when it is a small Cyrillic letter;
// Latin letters stay as typed.
QString withCapitalFirstLetter(const QString &text);

// True for the letters that, typed in the list, start a surname search: Latin and Cyrillic.
bool startsSearchFromList(const QString &typed);

} // namespace patientlists
