#pragma once

#include <QStringList>

// Name material for a made-up register: surnames in their male form, given names, and the
// patronymics made from the men's names.
namespace russiannames {

struct FatherName {
    const char16_t *name;
    const char16_t *sonOf;      // patronymic of a son
    const char16_t *daughterOf; // patronymic of a daughter
};

const QStringList &surnames();
const QStringList &femaleNames();
const QList<FatherName> &fathers();
// The female form of a male surname: Иванов → Иванова, Достоевский → Достоевская.
QString femaleSurname(const QString &male);

} // namespace russiannames
