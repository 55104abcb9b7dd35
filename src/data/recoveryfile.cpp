#include "data/recoveryfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace recoveryfile {

namespace {

constexpr int kFormat = 1;
const QString kDateFormat = QStringLiteral("dd.MM.yyyy");

// Dates travel as the text the date boxes show, which the datasets read back as dates; keys
// as numbers, texts as texts, empty fields as null.
QJsonValue toJson(const QVariant &value) {
    if (!value.isValid() || value.isNull())
        return QJsonValue::Null;
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().toString(kDateFormat);
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong)
        return value.toLongLong();
    return value.toString();
}

QVariant fromJson(const QJsonValue &value) {
    if (value.isDouble())
        return int(value.toInteger());
    if (value.isString())
        return value.toString();
    return QVariant();
}

QJsonObject toJson(const QVariantMap &fields) {
    QJsonObject object;
    for (auto field = fields.begin(); field != fields.end(); ++field)
        object.insert(field.key(), toJson(field.value()));
    return object;
}

QVariantMap fromJson(const QJsonObject &object) {
    QVariantMap fields;
    for (auto field = object.begin(); field != object.end(); ++field)
        fields.insert(field.key(), fromJson(field.value()));
    return fields;
}

QJsonArray toJson(const QList<QVariantMap> &rows) {
    QJsonArray array;
    for (const QVariantMap &row : rows)
        array.append(toJson(row));
    return array;
}

QList<QVariantMap> fromJson(const QJsonArray &array) {
    QList<QVariantMap> rows;
    for (const QJsonValue &row : array)
        rows << fromJson(row.toObject());
    return rows;
}

} // namespace

QString pathBeside(const QString &settingsFile) {
    return QFileInfo(settingsFile).dir().filePath(QStringLiteral("Ventrel.recovery"));
}

QByteArray encode(const QString &registerName, const Draft &draft) {
    QJsonObject root;
    root.insert(QStringLiteral("format"), kFormat);
    root.insert(QStringLiteral("register"), registerName);
    root.insert(QStringLiteral("begun"), draft.begun.toString(Qt::ISODate));
    QJsonObject patient;
    patient.insert(QStringLiteral("id"), toJson(draft.patient.id));
    patient.insert(QStringLiteral("changed"), draft.patient.changed);
    patient.insert(QStringLiteral("fields"), toJson(draft.patient.fields));
    root.insert(QStringLiteral("patient"), patient);
    if (draft.visit) {
        QJsonObject visit;
        visit.insert(QStringLiteral("id"), toJson(draft.visit->id));
        visit.insert(QStringLiteral("fields"), toJson(draft.visit->fields));
        visit.insert(QStringLiteral("diagnoses"), toJson(draft.visit->diagnoses));
        visit.insert(QStringLiteral("interventions"), toJson(draft.visit->interventions));
        root.insert(QStringLiteral("visit"), visit);
    }
    return QJsonDocument(root).toJson();
}

std::optional<Draft> decode(const QByteArray &bytes, const QString &registerName) {
    const QJsonObject root = QJsonDocument::fromJson(bytes).object();
    if (root.value(QStringLiteral("format")).toInt() != kFormat ||
        root.value(QStringLiteral("register")).toString() != registerName) {
        return std::nullopt;
    }
    Draft draft;
    draft.begun =
        QDateTime::fromString(root.value(QStringLiteral("begun")).toString(), Qt::ISODate);
    const QJsonObject patient = root.value(QStringLiteral("patient")).toObject();
    draft.patient.id = fromJson(patient.value(QStringLiteral("id")));
    draft.patient.changed = patient.value(QStringLiteral("changed")).toBool();
    draft.patient.fields = fromJson(patient.value(QStringLiteral("fields")).toObject());
    if (root.contains(QStringLiteral("visit"))) {
        const QJsonObject visit = root.value(QStringLiteral("visit")).toObject();
        VisitDraft restored;
        restored.id = fromJson(visit.value(QStringLiteral("id")));
        restored.fields = fromJson(visit.value(QStringLiteral("fields")).toObject());
        restored.diagnoses = fromJson(visit.value(QStringLiteral("diagnoses")).toArray());
        restored.interventions = fromJson(visit.value(QStringLiteral("interventions")).toArray());
        draft.visit = restored;
    }
    if (!draft.holdsAnything())
        return std::nullopt;
    return draft;
}

QString write(const QString &path, const QString &registerName, const Draft &draft) {
    QSaveFile file(path);
    // Patients' records: the owner alone may read them, from the first byte on.
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        return file.errorString();
    }
    const QByteArray bytes = encode(registerName, draft);
    if (file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return QString();
}

std::optional<Draft> read(const QString &path, const QString &registerName) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return decode(file.readAll(), registerName);
}

void remove(const QString &path) {
    QFile::remove(path);
}

} // namespace recoveryfile
