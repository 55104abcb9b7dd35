#include "app/recoveryoffer.h"

namespace recoveryoffer {

QString question(const Draft &draft) {
    QString patient = draft.patient.fields.value(QStringLiteral("FIO")).toString().trimmed();
    patient = patient.isEmpty() ? QStringLiteral("без имени") : QStringLiteral("«%1»").arg(patient);
    const QString day = draft.begun.date().toString(QStringLiteral("dd.MM.yyyy"));
    const QString time = draft.begun.time().toString(QStringLiteral("HH:mm"));
    if (draft.visit) {
        return QStringLiteral("При прошлом завершении не был сохранён приём пациента %1, "
                              "начатый %2 в %3.")
            .arg(patient, day, time);
    }
    return QStringLiteral("При прошлом завершении не была сохранена карточка пациента %1, "
                          "начатая %2 в %3.")
        .arg(patient, day, time);
}

} // namespace recoveryoffer
