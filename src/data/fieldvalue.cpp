#include "data/fieldvalue.h"

#include "data/dberror.h"
#include "support/win1251codec.h"

#include <QDateTime>

#include <climits>

namespace fieldvalue {

QVariant normalized(const FieldDef &field, const QVariant &value) {
    if (!value.isValid() || value.isNull())
        return QVariant();
    switch (field.kind) {
    case FieldKind::Integer: {
        if (value.typeId() == QMetaType::Int)
            return value;
        if (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty())
            return QVariant();
        bool ok = false;
        const qlonglong number = value.toLongLong(&ok);
        if (!ok || number < INT_MIN || number > INT_MAX)
            throw DbError(QStringLiteral("Поле %1: «%2» не является целым числом.")
                              .arg(field.name, value.toString()));
        return int(number);
    }
    case FieldKind::Date: {
        if (value.typeId() == QMetaType::QDate)
            return value;
        if (value.typeId() == QMetaType::QDateTime)
            return value.toDateTime().date();
        const QString text = value.toString().trimmed();
        if (text.isEmpty())
            return QVariant();
        const QDate date = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
        if (!date.isValid())
            throw DbError(QStringLiteral("Поле %1: «%2» не является датой.").arg(field.name, text));
        return date;
    }
    case FieldKind::Text:
    case FieldKind::FixedText: {
        if (value.typeId() == QMetaType::QString)
            return value.toString().isEmpty() ? QVariant() : value;
        const QString text = value.toString();
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    default:
        return value;
    }
}

QString problemWith(const FieldDef &field, const QVariant &value, const QString &label) {
    const QString named = label.isEmpty() ? field.name : label;
    const bool empty = !value.isValid() || value.isNull() ||
                       (value.typeId() == QMetaType::QString && value.toString().isEmpty());
    if (empty)
        return field.required ? QStringLiteral("Поле %1 должно быть заполнено.").arg(named)
                              : QString();
    if (!field.isText())
        return QString();
    const QString text = value.toString();
    const qsizetype bad = win1251::firstUnencodable(text);
    if (bad >= 0) {
        const int length = text.at(bad).isHighSurrogate() && bad + 1 < text.size() ? 2 : 1;
        return QStringLiteral("Поле %1 содержит знак «%2», которого нет в кодировке "
                              "Windows-1251.")
            .arg(named, text.mid(bad, length));
    }
    if (text.size() > field.size)
        return QStringLiteral("Поле %1 вмещает не более %2 знаков, а введено %3.")
            .arg(named)
            .arg(field.size)
            .arg(text.size());
    return QString();
}

} // namespace fieldvalue
