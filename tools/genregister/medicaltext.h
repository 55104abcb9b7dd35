#pragma once

#include <QString>
#include <QStringList>

#include <random>

// Made-up clinical text for a register of realistic size, written the way doctors type in a
// hurry: commas without a space after them, "N5" for a number, "1990г", "/.../" for brackets,
// line breaks in the middle of a sentence, doubled spaces.
class MedicalText {
public:
    explicit MedicalText(std::mt19937_64 &random) : m_random(random) {}

    QString complaints();
    QString status();
    QString examination();
    QString recommendations();
    QString diseaseAnamnesis();
    QString lifeAnamnesis();
    QString diagnosisNote();

    // The books: a few hundred diagnoses and interventions, a dozen doctors.
    static QStringList diagnosisBook();
    static QStringList interventionBook();
    static QStringList doctorBook();

    int below(int n) { return int(m_random() % quint64(n)); }
    bool chance(int percent) { return below(100) < percent; }
    // A number from 0 up to 1.
    double uniform() { return double(m_random() >> 11) * 0x1.0p-53; }
    const QString &pick(const QStringList &list) { return list.at(below(int(list.size()))); }

private:
    // Joins phrases the way a hurried doctor does, with typing faults here and there.
    QString hurried(const QStringList &phrases, int maxLength);

    std::mt19937_64 &m_random;
};
