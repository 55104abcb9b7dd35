#include "admin/backupnames.h"

#include <QRegularExpression>

#include <algorithm>

namespace backupnames {

namespace {

QString stamp(const QDateTime &when) {
    return when.toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
}

} // namespace

QString nightly(const QDateTime &when) {
    return QStringLiteral("ventrel-%1.fbk").arg(stamp(when));
}

QString beforeReplacing(const QDateTime &when) {
    return QStringLiteral("ventrel-before-import-%1.fbk").arg(stamp(when));
}

QStringList beyondKept(const QStringList &names, int keep) {
    static const QRegularExpression pattern(
        QStringLiteral("^ventrel-\\d{4}-\\d\\d-\\d\\d-\\d{6}\\.fbk$"));
    QStringList nightlies;
    for (const QString &name : names) {
        if (pattern.match(name).hasMatch())
            nightlies << name;
    }
    // The stamp sorts as the time does.
    std::sort(nightlies.begin(), nightlies.end());
    return nightlies.mid(0, qMax(qsizetype(0), nightlies.size() - keep));
}

} // namespace backupnames
