#include "books/bookchecks.h"

#include "books/bookconfig.h"
#include "data/shareddata.h"
#include "data/statement.h"

namespace bookchecks {

namespace {

int count(Transaction &transaction, const QString &sql, const ParameterSource &parameters) {
    Statement statement(transaction.connection(), transaction, sql);
    return statement.selectOne(parameters).value(0).toInt();
}

} // namespace

int referenceCount(SharedData &data, const BookConfig &book, int entry) {
    // The visits' rows, saved or not yet, are in the run's transaction.
    int references = count(data.ibTrans, bookrules::referenceCountSql(book),
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
    // The book's entries, saved in this showing or before, are in the book's transaction.
    return count((data.*book.dataset).transaction(), bookrules::namesakeCountSql(book),
                 [&](const QString &parameter) {
                     return parameter == QLatin1String("NAME") ? QVariant(name) : QVariant(entry);
                 });
}

} // namespace bookchecks
