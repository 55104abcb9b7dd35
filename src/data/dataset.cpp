#include "data/dataset.h"

#include "data/fieldvalue.h"

#include "data/dberror.h"
#include "data/statement.h"
#include "data/transaction.h"
#include "support/dates.h"
#include "support/win1251codec.h"

#include <QDateTime>
#include <QMetaMethod>

#include <algorithm>
#include <climits>

namespace {

// Rows read when a dataset opens or moves past what it holds: a screenful.
constexpr int kBatch = 40;

const QString kRowGone = QStringLiteral("Запись не найдена в базе данных: её удалили или отменили "
                                        "её добавление. Обновите список.");

// True when a value read from the database already has the type its field keeps.
bool hasFieldType(const FieldDef &field, const QVariant &value) {
    if (value.isNull())
        return true;
    switch (field.kind) {
    case FieldKind::Integer:
        return value.typeId() == QMetaType::Int;
    case FieldKind::Date:
        return value.typeId() == QMetaType::QDate;
    case FieldKind::Text:
    case FieldKind::FixedText:
        return value.typeId() == QMetaType::QString && !value.toString().isEmpty();
    default:
        return false;
    }
}

} // namespace

// A row as read (packed), or, once it has been changed, as values of its own.
struct Dataset::Row {
    PackedRow packed;
    std::vector<QVariant> values; // empty while the row is as read
};

Dataset::Dataset(const QString &name, Connection &connection, Transaction &transaction,
                 QObject *parent)
    : QObject(parent), m_name(name), m_connection(connection), m_transaction(transaction) {
    setObjectName(name);
}

Dataset::~Dataset() = default;

void Dataset::setFields(const QList<FieldDef> &fields) {
    close();
    m_fields.assign(fields.begin(), fields.end());
    m_select.reset();
}

void Dataset::setSelectSql(const QString &sql) {
    if (sql == m_selectSql)
        return;
    close(); // the rows held came from the old statement
    m_select.reset();
    m_selectSql = sql;
    m_ownRows.clear();
}

void Dataset::setReadWhole(bool whole) {
    m_readWhole = whole;
}

void Dataset::setInsertSql(const QString &sql) {
    m_insertSql = sql;
}
void Dataset::setModifySql(const QString &sql) {
    m_modifySql = sql;
}
void Dataset::setDeleteSql(const QString &sql) {
    m_deleteSql = sql;
}
void Dataset::setRefreshSql(const QString &sql) {
    m_refreshSql = sql;
}

void Dataset::setKey(const QString &field, const QString &generator) {
    m_keyField = field;
    m_generator = generator;
}

void Dataset::setMaster(Dataset *master) {
    m_master = master;
    master->m_details.push_back(this);
}

void Dataset::addRule(Event event, Rule rule) {
    m_rules.emplace_back(event, std::move(rule));
}

int Dataset::fieldIndex(const QString &name) const {
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

// ---- opening and reading -------------------------------------------------------------------

void Dataset::open() {
    if (isOpen())
        close();
    if (m_selectSql.trimmed().isEmpty())
        throw DbError(QStringLiteral("Для набора данных %1 не задан запрос.").arg(m_name));
    Statement &select = statement(m_select, m_selectSql);
    std::vector<int> columns(m_fields.size(), -1);
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (!m_fields[i].isData())
            continue;
        columns[i] = int(select.columnNames().indexOf(m_fields[i].name.toUpper()));
        if (columns[i] < 0)
            throw DbError(QStringLiteral("Запрос набора данных %1 не возвращает поле %2.")
                              .arg(m_name, m_fields[i].name));
    }
    m_columnOfField = std::move(columns);
    m_state = State::Browse;
    // A detail that no view watches reads its rows when they are first used, as after any move
    // of its master: opening the register does not wait for rows nobody may look at.
    if (m_master && !isWatched()) {
        dropRows();
        m_stale = true;
        Q_EMIT stateChanged();
        return;
    }
    try {
        requery();
    } catch (...) {
        m_state = State::Closed;
        m_rows.clear();
        m_current = -1;
        throw;
    }
    Q_EMIT stateChanged();
}

void Dataset::close() {
    if (!isOpen())
        return;
    m_stale = false;
    Q_EMIT rowsAboutToBeReset();
    dropRows();
    m_modified = false;
    m_state = State::Closed;
    Q_EMIT rowsReset();
    Q_EMIT stateChanged();
    for (Dataset *detail : m_details)
        detail->masterChanged();
}

void Dataset::releaseStatements() {
    close();
    for (auto *slot : {&m_select, &m_insert, &m_modify, &m_delete, &m_refresh, &m_nextKey})
        slot->reset();
}

// Runs the select again: with the master's current row for a detail, and no row at all when
// the master has none.
void Dataset::requery() {
    // The master's rows first: reading them may already have run this select once.
    const bool masterHasRow = !m_master || (m_master->isOpen() && m_master->currentRow() >= 0);
    Q_EMIT rowsAboutToBeReset();
    dropRows();
    m_modified = false;
    m_resetting = true;
    try {
        Statement &select = statement(m_select, m_selectSql);
        select.close();
        if (masterHasRow) {
            select.open([this](const QString &name) {
                return m_master ? m_master->value(name) : QVariant();
            });
            m_cursorOpen = true;
        }
        readRows(kBatch);
        while (m_readWhole && m_cursorOpen)
            readRows(4096);
    } catch (...) {
        m_resetting = false;
        dropRows();
        Q_EMIT rowsReset();
        throw;
    }
    m_resetting = false;
    m_current = m_rows.empty() ? -1 : 0;
    m_atStart = true;
    m_atEnd = m_rows.empty();
    Q_EMIT rowsReset();
    currentRowHasChanged();
}

void Dataset::masterChanged() {
    if (!isOpen())
        return;
    if (isEditing())
        setState(State::Browse); // the master posted it first; whatever is left is dropped
    if (isWatched()) {
        requery(); // a view shows these rows, or those of a detail: read them now
        return;
    }
    m_stale = true;
    dropRows();
    for (Dataset *detail : m_details)
        detail->masterChanged();
}

// True while the row being edited gives every detail's select the values it gave when read: the
// details' rows are still this row's, and reading them again over the network would only cost
// the round trips.
bool Dataset::detailsReadTheSame() const {
    if (!m_original || m_current < 0)
        return false;
    const Row &row = *m_rows[size_t(m_current)];
    for (const Dataset *detail : m_details) {
        for (const QString &name : parseNamedParameters(detail->m_selectSql).parameters) {
            const int field = fieldIndex(name);
            if (field < 0 || dataValue(*m_original, field) != dataValue(row, field))
                return false;
        }
    }
    return true;
}

bool Dataset::isWatched() const {
    static const QMetaMethod resetSignal = QMetaMethod::fromSignal(&Dataset::rowsReset);
    static const QMetaMethod moveSignal = QMetaMethod::fromSignal(&Dataset::currentRowChanged);
    if (isSignalConnected(resetSignal) || isSignalConnected(moveSignal))
        return true;
    return std::any_of(m_details.begin(), m_details.end(),
                       [](const Dataset *detail) { return detail->isWatched(); });
}

// Forgets the rows held and the cursor that read them; the caller tells the views.
void Dataset::dropRows() {
    if (m_select)
        m_select->close();
    m_cursorOpen = false;
    m_rows.clear();
    m_original.reset();
    m_current = -1;
}

void Dataset::ensureFresh() const {
    if (!m_stale)
        return;
    auto *self = const_cast<Dataset *>(this);
    self->m_stale = false;
    self->requery();
}

int Dataset::currentRow() const {
    ensureFresh();
    return m_current;
}

bool Dataset::isEmpty() const {
    ensureFresh();
    if (m_rows.empty() && m_cursorOpen)
        const_cast<Dataset *>(this)->readRows(kBatch); // the rows read so far were all deleted
    return m_rows.empty();
}

bool Dataset::atEnd() const {
    return isEmpty() || m_atEnd;
}

bool Dataset::atStart() const {
    return isEmpty() || m_atStart;
}

int Dataset::fetchedCount() const {
    ensureFresh();
    return int(m_rows.size());
}

bool Dataset::readRows(int count) {
    if (!m_cursorOpen || count <= 0)
        return false;
    const int first = int(m_rows.size());
    while (count-- > 0) {
        auto row = std::make_unique<Row>();
        if (!m_select->fetchPacked(row->packed, m_columnOfField)) {
            m_cursorOpen = false;
            break;
        }
        m_rows.push_back(std::move(row));
    }
    const int last = int(m_rows.size()) - 1;
    if (last >= first && !m_resetting)
        Q_EMIT rowsFetched(first, last);
    return last >= first;
}

bool Dataset::canFetchMore() const {
    ensureFresh();
    return m_cursorOpen;
}

void Dataset::fetchMore(int count) {
    ensureFresh();
    readRows(count);
}

void Dataset::fetchAll() {
    ensureFresh();
    while (m_cursorOpen)
        readRows(4096);
}

int Dataset::recordCount() {
    fetchAll();
    return int(m_rows.size());
}

// ---- moving ----------------------------------------------------------------------------------

void Dataset::checkDetailsBrowseMode() {
    for (Dataset *detail : m_details) {
        detail->checkDetailsBrowseMode();
        detail->checkBrowseMode();
    }
}

void Dataset::checkBrowseMode() {
    if (!isEditing())
        return;
    if (m_modified)
        post();
    else
        cancel();
}

void Dataset::currentRowHasChanged() {
    Q_EMIT currentRowChanged(m_current);
    for (Dataset *detail : m_details)
        detail->masterChanged();
    runRules(Event::AfterScroll);
}

void Dataset::moveTo(int row) {
    requireOpen();
    ensureFresh();
    checkDetailsBrowseMode();
    const int pending = m_current;
    const int before = int(m_rows.size());
    checkBrowseMode();
    if (int(m_rows.size()) < before && row > pending)
        --row; // the pending row went away (dropped, or deleted by a rule), the rest moved up
    if (row >= int(m_rows.size()))
        readRows(row - int(m_rows.size()) + kBatch);
    m_atStart = false;
    m_atEnd = false;
    const int target = m_rows.empty() ? -1 : std::clamp(row, 0, int(m_rows.size()) - 1);
    if (target == m_current) {
        // Still the same row: the details already show its children, so they are not read
        // again; the rules run as on any move.
        Q_EMIT currentRowChanged(m_current);
        runRules(Event::AfterScroll);
        return;
    }
    m_current = target;
    currentRowHasChanged();
}

void Dataset::first() {
    if (m_stale) {
        m_atStart = true; // reading the rows will start at the first one
        return;
    }
    moveTo(0);
    m_atStart = true;
}

void Dataset::next() {
    requireOpen();
    ensureFresh();
    checkDetailsBrowseMode();
    const bool edited = m_state == State::Edit;
    const int before = int(m_rows.size());
    checkBrowseMode();
    // A row deleted by a rule as it was posted leaves its successor where it stood.
    const int step = edited && int(m_rows.size()) < before ? 0 : 1;
    if (m_current + step >= int(m_rows.size()))
        readRows(kBatch);
    if (m_current + step < int(m_rows.size())) {
        moveTo(m_current + step);
    } else {
        m_atEnd = true;
    }
}

void Dataset::prior() {
    requireOpen();
    ensureFresh();
    if (m_current > 0) {
        moveTo(m_current - 1);
    } else {
        checkDetailsBrowseMode();
        checkBrowseMode();
        m_atStart = true;
    }
}

void Dataset::last() {
    requireOpen();
    ensureFresh();
    checkDetailsBrowseMode();
    checkBrowseMode();
    fetchAll();
    moveTo(int(m_rows.size()) - 1);
    m_atEnd = true;
}

bool Dataset::locate(const QString &field, const QVariant &value) {
    requireOpen();
    ensureFresh();
    const int index = fieldIndex(field);
    if (index < 0)
        throw DbError(QStringLiteral("Поле %1 не найдено в наборе данных %2.").arg(field, m_name));
    const QVariant wanted = fieldvalue::normalized(m_fields[index], value);
    for (int row = 0;; ++row) {
        if (row >= int(m_rows.size()) && !readRows(kBatch))
            return false;
        if (this->value(row, index) == wanted) {
            moveTo(row);
            return true;
        }
    }
}

// ---- values ----------------------------------------------------------------------------------

QVariant Dataset::value(const QString &field) const {
    return value(currentRow(), field); // a stale detail reads its rows, and its current row, first
}

QVariant Dataset::value(int row, const QString &field) const {
    const int index = fieldIndex(field);
    if (index < 0)
        throw DbError(QStringLiteral("Поле %1 не найдено в наборе данных %2.").arg(field, m_name));
    return value(row, index);
}

QVariant Dataset::value(int row, int field) const {
    ensureFresh();
    if (row < 0 || row >= int(m_rows.size()) || field < 0 || field >= fieldCount())
        return QVariant();
    const FieldDef &def = m_fields[size_t(field)];
    switch (def.kind) {
    case FieldKind::Lookup:
        return lookupValue(row, def);
    case FieldKind::Calculated:
        return def.calculate ? def.calculate(*this, row) : QVariant();
    default:
        return dataValue(*m_rows[size_t(row)], field);
    }
}

QVariant Dataset::lookupValue(int row, const FieldDef &field) const {
    const QVariant key = value(row, field.keyField);
    const Dataset *other = field.lookupDataset;
    if (key.isNull() || !other || !other->isOpen())
        return QVariant();
    const int otherKey = other->fieldIndex(field.lookupKeyField);
    const int otherResult = other->fieldIndex(field.lookupResultField);
    for (int i = 0; i < other->fetchedCount(); ++i) {
        if (other->value(i, otherKey) == key) {
            const QVariant result = other->value(i, otherResult);
            return result.isNull() ? result : QVariant(result.toString().left(field.size));
        }
    }
    return QVariant();
}

QString Dataset::displayText(int row, int field) const {
    const QVariant v = value(row, field);
    if (!v.isValid() || v.isNull())
        return QString();
    if (v.typeId() == QMetaType::QDate)
        return dates::toText(v.toDate());
    return v.toString();
}

QString Dataset::displayText(const QString &field) const {
    return displayText(currentRow(), fieldIndex(field));
}

QVariant Dataset::oldValue(const QString &field) const {
    if (m_state == State::Insert)
        return QVariant();
    if (!m_original)
        return value(field);
    const int index = fieldIndex(field);
    if (index < 0)
        throw DbError(QStringLiteral("Поле %1 не найдено в наборе данных %2.").arg(field, m_name));
    return dataValue(*m_original, index);
}

QString Dataset::checkValue(const QString &fieldName, const QVariant &value,
                            const QString &label) const {
    const int index = fieldIndex(fieldName);
    if (index < 0)
        return QStringLiteral("Поле %1 не найдено в наборе данных %2.").arg(fieldName, m_name);
    return fieldvalue::problemWith(m_fields[size_t(index)], value, label);
}

void Dataset::setValue(const QString &fieldName, const QVariant &value) {
    const int index = fieldIndex(fieldName);
    if (index < 0)
        throw DbError(
            QStringLiteral("Поле %1 не найдено в наборе данных %2.").arg(fieldName, m_name));
    const FieldDef &field = m_fields[size_t(index)];
    if (!field.isData())
        throw DbError(QStringLiteral("Поле %1 нельзя изменить.").arg(field.name));
    if (!isEditing())
        throw DbError(QStringLiteral("Набор данных %1 не в режиме редактирования.").arg(m_name));
    Row &row = *m_rows[size_t(m_current)];
    unpack(row);
    row.values[size_t(index)] = fieldvalue::normalized(field, value);
    m_modified = true;
    Q_EMIT rowChanged(m_current);
}

// ---- editing ---------------------------------------------------------------------------------

void Dataset::insert() {
    requireOpen();
    ensureFresh();
    checkDetailsBrowseMode();
    checkBrowseMode();
    runRules(Event::BeforeInsert);
    ensureFresh(); // a rule that posted the master left the rows to be read again
    auto row = std::make_unique<Row>();
    row->values.resize(m_fields.size());
    if (!m_keyField.isEmpty())
        row->values[size_t(fieldIndex(m_keyField))] = takeGeneratorValue();
    const int position = std::max(m_current, 0);
    Q_EMIT rowAboutToBeInserted(position);
    m_rows.insert(m_rows.begin() + position, std::move(row));
    m_current = position;
    m_original.reset();
    m_modified = false;
    m_atStart = m_atEnd = false;
    m_state = State::Insert; // told after the views have the new row
    Q_EMIT rowInserted(position);
    Q_EMIT stateChanged();
    runRules(Event::AfterInsert);
    currentRowHasChanged();
}

void Dataset::edit() {
    requireOpen();
    ensureFresh();
    if (m_rows.empty()) {
        insert();
        return;
    }
    if (isEditing())
        return;
    m_original = std::make_unique<Row>(*m_rows[size_t(m_current)]);
    m_modified = false;
    setState(State::Edit);
}

void Dataset::validateRow() const {
    const Row &row = *m_rows[size_t(m_current)];
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (!m_fields[i].isData())
            continue;
        const QString problem = checkValue(m_fields[i].name, dataValue(row, int(i)));
        if (!problem.isEmpty())
            throw DbError(problem);
    }
}

void Dataset::post() {
    requireOpen();
    if (!isEditing())
        return;
    checkDetailsBrowseMode();
    runRules(Event::BeforePost);
    validateRow();
    const bool added = m_state == State::Insert;
    if (added)
        executeWrite(m_insert, m_insertSql, "insert");
    else
        executeWrite(m_modify, m_modifySql, "modify");
    if (added && !m_keyField.isEmpty())
        m_ownRows.push_back(value(m_keyField));
    const bool detailsStay = !added && detailsReadTheSame();
    m_original.reset();
    m_modified = false;
    setState(State::Browse);
    Q_EMIT rowChanged(m_current);
    if (!detailsStay) {
        for (Dataset *detail : m_details)
            detail->masterChanged();
    }
    runRules(Event::AfterPost);
}

void Dataset::cancel() {
    if (!isEditing())
        return;
    if (m_state == State::Edit) {
        *m_rows[size_t(m_current)] = *m_original;
        m_original.reset();
        m_modified = false;
        setState(State::Browse);
        Q_EMIT rowChanged(m_current);
        return;
    }
    m_modified = false;
    setState(State::Browse);
    removeRowAt(m_current);
    currentRowHasChanged();
}

void Dataset::removeRowAt(int row) {
    Q_EMIT rowAboutToBeRemoved(row);
    m_rows.erase(m_rows.begin() + row);
    Q_EMIT rowRemoved(row);
    if (row >= int(m_rows.size()))
        readRows(kBatch); // the next row, when there is one, has not been read yet
    m_current = m_rows.empty() ? -1 : std::min(row, int(m_rows.size()) - 1);
}

void Dataset::remove() {
    requireOpen();
    ensureFresh();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (isEmpty())
        throw DbError(QStringLiteral("Нельзя удалить запись: список пуст."));
    checkDetailsBrowseMode();
    // The row and everything its rules delete before it go together or not at all: a refusal
    // half way brings every deleted child row back.
    Savepoint savepoint(m_transaction);
    try {
        runRules(Event::BeforeDelete);
        executeWrite(m_delete, m_deleteSql, "delete"); // :OLD_ values as read, edits or not
        savepoint.release();
    } catch (...) {
        // Show the child rows again. A row being edited stays as it was, changes and all.
        savepoint.rollBack();
        for (Dataset *detail : m_details)
            detail->masterChanged();
        throw;
    }
    if (m_state == State::Edit) {
        m_original.reset();
        m_modified = false;
        setState(State::Browse);
    }
    removeRowAt(m_current);
    m_atEnd = m_atStart = false;
    Q_EMIT currentRowChanged(m_current);
    for (Dataset *detail : m_details)
        detail->masterChanged();
    runRules(Event::AfterDelete);
    runRules(Event::AfterScroll);
}

void Dataset::refresh() {
    requireOpen();
    ensureFresh();
    checkBrowseMode(); // may drop an untouched new row, the only one there was
    if (m_rows.empty())
        return;
    Statement &refresh = statement(m_refresh, m_refreshSql);
    const QVariantList columns =
        refresh.selectOne([this](const QString &name) { return parameterValue(name); });
    if (columns.isEmpty())
        throw DbError(kRowGone);
    Row &row = *m_rows[size_t(m_current)];
    unpack(row);
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const qsizetype column = refresh.columnNames().indexOf(m_fields[i].name.toUpper());
        if (column >= 0 && m_fields[i].isData())
            row.values[i] = fieldvalue::normalized(m_fields[i], columns.at(column));
    }
    Q_EMIT rowChanged(m_current);
}

bool Dataset::changedSinceRead() {
    if (m_state != State::Edit || !m_original)
        return false;
    Statement &refresh = statement(m_refresh, m_refreshSql);
    const QVariantList columns = refresh.selectOne([this](const QString &name) {
        // The key as read: the row that was edited, whatever the edit changed.
        const int index = fieldIndex(name);
        return index >= 0 ? dataValue(*m_original, index) : parameterValue(name);
    });
    if (columns.isEmpty())
        return true;
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (!m_fields[i].isData())
            continue;
        const qsizetype column = refresh.columnNames().indexOf(m_fields[i].name.toUpper());
        if (column < 0)
            continue;
        const QVariant stored = fieldvalue::normalized(m_fields[i], columns.at(column));
        const QVariant read = dataValue(*m_original, int(i));
        if (stored.isNull() != read.isNull() || (!stored.isNull() && stored != read))
            return true;
    }
    return false;
}

QVariant Dataset::currentKey() const {
    if (m_keyField.isEmpty() || m_stale || m_current < 0)
        return {};
    return value(m_keyField);
}

bool Dataset::locateKey(const QVariant &key) {
    return !m_keyField.isEmpty() && locate(m_keyField, key);
}

void Dataset::reread() {
    requireOpen();
    cancel();
    const QVariant key = currentKey();
    open();
    keepOwnRows();
    if (!key.isNull())
        locateKey(key);
}

// The rows this dataset added that the select did not return again are read by their keys and
// kept at the end, each while the database still holds it.
void Dataset::keepOwnRows() {
    if (m_ownRows.empty() || m_master)
        return;
    fetchAll();
    const size_t rowsReturned = m_rows.size();
    const int keyField = fieldIndex(m_keyField);
    std::vector<QVariant> kept;
    for (const QVariant &key : m_ownRows) {
        const bool returned = std::any_of(m_rows.begin(), m_rows.end(), [&](const auto &row) {
            return dataValue(*row, keyField) == key;
        });
        if (returned) {
            kept.push_back(key);
            continue;
        }
        auto row = std::make_unique<Row>();
        row->values.resize(m_fields.size());
        row->values[size_t(keyField)] = key;
        const int position = int(m_rows.size());
        m_rows.push_back(std::move(row));
        m_current = position;
        Statement &refresh = statement(m_refresh, m_refreshSql);
        const QVariantList columns =
            refresh.selectOne([this](const QString &name) { return parameterValue(name); });
        if (columns.isEmpty()) {
            m_rows.pop_back(); // gone from the database: a rollback took it, or someone deleted it
            continue;
        }
        Row &added = *m_rows.back();
        for (size_t i = 0; i < m_fields.size(); ++i) {
            const qsizetype column = refresh.columnNames().indexOf(m_fields[i].name.toUpper());
            if (column >= 0 && m_fields[i].isData())
                added.values[i] = fieldvalue::normalized(m_fields[i], columns.at(column));
        }
        kept.push_back(key);
    }
    const bool added = m_rows.size() > rowsReturned;
    m_ownRows = std::move(kept);
    m_current = m_rows.empty() ? -1 : 0;
    if (added) {
        // The views count the rows again.
        Q_EMIT rowsAboutToBeReset();
        Q_EMIT rowsReset();
    }
}

// ---- helpers ---------------------------------------------------------------------------------

QVariant Dataset::dataValue(const Row &row, int field) const {
    if (!row.values.empty())
        return row.values[size_t(field)];
    const QVariant value = row.packed.value(field);
    // The usual case, a column of the field's own type, needs no conversion.
    return hasFieldType(m_fields[size_t(field)], value)
               ? value
               : fieldvalue::normalized(m_fields[size_t(field)], value);
}

// Turns a packed row into values of its own before it is changed.
void Dataset::unpack(Row &row) const {
    if (!row.values.empty())
        return;
    std::vector<QVariant> values(m_fields.size());
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].isData())
            values[i] = dataValue(row, int(i));
    row.values = std::move(values);
}

void Dataset::runRules(Event event) {
    for (auto &[when, rule] : m_rules)
        if (when == event)
            rule(*this);
}

void Dataset::requireOpen() const {
    if (!isOpen())
        throw DbError(QStringLiteral("Набор данных %1 закрыт.").arg(m_name));
}

Statement &Dataset::statement(std::unique_ptr<Statement> &slot, const QString &sql) {
    if (!slot || slot->sql() != sql)
        slot = std::make_unique<Statement>(m_connection, m_transaction, sql);
    return *slot;
}

// The value of a write statement's parameter: ":FIO" is the field as it is now, ":OLD_ID" the
// field as it was read from the database before this change.
QVariant Dataset::parameterValue(const QString &name) const {
    const Row &current = *m_rows[size_t(m_current)];
    int index = fieldIndex(name);
    if (index >= 0)
        return dataValue(current, index);
    if (name.startsWith(QLatin1String("OLD_"), Qt::CaseInsensitive)) {
        index = fieldIndex(name.mid(4));
        if (index >= 0) {
            if (m_state == State::Insert)
                return QVariant();
            const Row &old = m_original ? *m_original : current;
            return dataValue(old, index);
        }
    }
    throw DbError(
        QStringLiteral("Неизвестный параметр %1 в запросе набора данных %2.").arg(name, m_name));
}

void Dataset::executeWrite(std::unique_ptr<Statement> &slot, const QString &sql, const char *what) {
    if (sql.trimmed().isEmpty())
        throw DbError(QStringLiteral("Для набора данных %1 не задан запрос %2.")
                          .arg(m_name, QLatin1String(what)));
    const qint64 rows =
        statement(slot, sql).execute([this](const QString &name) { return parameterValue(name); });
    // A change or a delete that found no row wrote nothing: the row is gone from the database
    // (a rollback took it, or someone deleted it), and saying "saved" would lose the user's work.
    if (rows == 0)
        throw DbError(kRowGone);
    Q_EMIT written();
}

int Dataset::takeGeneratorValue() {
    const QString sql = QStringLiteral("select GEN_ID(%1, 1) from RDB$DATABASE").arg(m_generator);
    const QVariantList row = statement(m_nextKey, sql).selectOne();
    if (row.isEmpty())
        throw DbError(QStringLiteral("Генератор %1 не вернул значения.").arg(m_generator));
    return int(row.first().toLongLong());
}

void Dataset::setState(State state) {
    if (m_state == state)
        return;
    m_state = state;
    Q_EMIT stateChanged();
}
