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
// Surnames as a register of a town holds them: a few thousand, the common ones (the list above,
// most common first) often and a long tail of rarer ones, made of a root and an ending, seldom.
// `uniform` is a number from 0 up to 1; the same number gives the same surname.
QString surnameAt(double uniform);
const QStringList &femaleNames();
const QList<FatherName> &fathers();
// The female form of a male surname: Иванов → Иванова, Достоевский → Достоевская; endings
// such as -енко, -ук and -ых stay as they are.
QString femaleSurname(const QString &male);

} // namespace russiannames
