#include "books/bookchecks.h"

#include "books/bookconfig.h"
#include "data/shareddata.h"
#include "data/statement.h"

namespace bookchecks {

namespace {

int count(SharedData &data, const QString &sql, const ParameterSource &parameters) {
    Statement statement(data.ibMain, data.ibTrans, sql);
    return statement.selectOne(parameters).value(0).toInt();
}

} // namespace

int referenceCount(SharedData &data, const BookConfig &book, int entry) {
    int references = count(data, bookrules::referenceCountSql(book),
                           [entry](const QString &) { return QVariant(entry); });
    const Dataset &referrer = data.*book.referrer;
    if (referrer.isEditing()) {
        const QVariant pending = referrer.value(book.referrerField);
        if (!pending.isNull() && pending.toInt() == entry)
            ++references;
    }
    return references;
}

int namesakeCount(SharedData &data, const BookConfig &book, int entry, const QString &name) {
    return count(data, bookrules::namesakeCountSql(book), [&](const QString &parameter) {
        return parameter == QLatin1String("NAME") ? QVariant(name) : QVariant(entry);
    });
}

} // namespace bookchecks
