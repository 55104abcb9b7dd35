#pragma once

#include "data/field.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class Connection;
class Statement;
class Transaction;

// A list of rows read by a select statement, with one current row, that the windows show and
// change in place. Its state is closed, browsing, editing the current row, or inserting a new
// one. New rows take their key from a generator at once; posting writes the row with the
// insert or modify statement; a pending row is posted (or dropped when nothing in it changed)
// before the dataset, or its master, moves. Statements name their parameters after the fields
// (":FIO") and the values read before the change (":OLD_ID").
//
// Rows are read from the cursor as they are needed, a screenful at a time; recordCount() reads
// them all, so the count is always the full count. A detail that no view watches runs its
// select when it is next used rather than at every move of its master.
//
// Every refusal raises DbError and leaves the dataset in the state it had.
class Dataset : public QObject {
    Q_OBJECT
public:
    enum class State { Closed, Browse, Edit, Insert };
    enum class Event {
        BeforeInsert,
        AfterInsert,
        BeforePost,
        AfterPost,
        BeforeDelete,
        AfterDelete,
        AfterScroll, // the current row changed: opening, moving, inserting, deleting
    };
    using Rule = std::function<void(Dataset &)>;

    Dataset(const QString &name, Connection &connection, Transaction &transaction,
            QObject *parent = nullptr);
    ~Dataset() override;

    // Configuration.
    void setFields(const QList<FieldDef> &fields);
    void setSelectSql(const QString &sql);
    const QString &selectSql() const { return m_selectSql; }
    void setInsertSql(const QString &sql);
    void setModifySql(const QString &sql);
    void setDeleteSql(const QString &sql);
    void setRefreshSql(const QString &sql);
    void setKey(const QString &field, const QString &generator);
    // The select then takes its parameters from the master's current row, and runs again
    // whenever that row changes.
    void setMaster(Dataset *master);
    Dataset *master() const { return m_master; }
    void addRule(Event event, Rule rule);
    // Reads every row when opened (the books, which other datasets look names up in).
    void setReadWhole(bool whole);

    // Fields.
    int fieldCount() const { return int(m_fields.size()); }
    const FieldDef &field(int index) const { return m_fields.at(index); }
    // Index of the field with this name (any letter case), or -1.
    int fieldIndex(const QString &name) const;

    // Opening and reading.
    void open();
    void close();
    // Frees the prepared statements; the connection is about to go away.
    void releaseStatements();
    bool isOpen() const { return m_state != State::Closed; }
    State state() const { return m_state; }
    bool isEditing() const { return m_state == State::Edit || m_state == State::Insert; }
    bool isModified() const { return m_modified; }

    int currentRow() const;
    bool isEmpty() const;
    // True after moving past the last row, and whenever the dataset holds no row.
    bool atEnd() const;
    bool atStart() const;
    // Every row, reading the rest of the cursor first.
    int recordCount();
    // The rows read so far; more may follow while canFetchMore() is true.
    int fetchedCount() const;
    bool canFetchMore() const;
    void fetchMore(int count);
    void fetchAll();

    void first();
    void next();
    void prior();
    void last();
    void moveTo(int row);
    // Moves to the first row whose field equals the value; false (and no move) when none does.
    bool locate(const QString &field, const QVariant &value);
    // The current row's key, and the move to the row with a key; null, and no move, without one.
    // A detail whose master moved has no current row of its own yet: its key is null, and the
    // rows are not read for it (the connection may be gone).
    QVariant currentKey() const;
    bool locateKey(const QVariant &key);

    // Values of the current row, or of any row read so far.
    QVariant value(const QString &field) const;
    QVariant value(int row, const QString &field) const;
    QVariant value(int row, int field) const;
    // The value as the user sees it: dates as dd.mm.yyyy, null as empty text.
    QString displayText(int row, int field) const;
    QString displayText(const QString &field) const;
    // The field as the database held it before the current row's edit; null for a new row.
    QVariant oldValue(const QString &field) const;
    // Changes a field of the row being edited or inserted.
    void setValue(const QString &field, const QVariant &value);
    // The message that refuses this value for the field, or empty text when it fits. The message
    // names the field by `label` when one is given (a column's title), else by its name.
    QString checkValue(const QString &field, const QVariant &value,
                       const QString &label = QString()) const;

    // Editing.
    void insert();
    void edit();
    void post();
    void cancel();
    void remove();
    void refresh();
    // Posts a pending row, or drops it when nothing in it was changed.
    void checkBrowseMode();
    // True when the row being edited was changed or deleted in the database since it was read
    // (another workstation saved it meanwhile); false for a row not being edited or a new one.
    bool changedSinceRead();
    // Reads the rows again, staying on the row with the current row's key when the database
    // still holds it (on the first row otherwise): after a rollback, the rows show what the
    // database holds. A pending change is dropped first. A row this dataset added since its
    // select was last set stays in it while the database holds it, also where the select would
    // not return it (a new patient in the list of the month's visits).
    void reread();

    const QString &name() const { return m_name; }
    Transaction &transaction() const { return m_transaction; }
    Connection &connection() const { return m_connection; }

Q_SIGNALS:
    void stateChanged();
    void currentRowChanged(int row);
    // The rows are about to be replaced, and were replaced: opened, closed or read again.
    void rowsAboutToBeReset();
    void rowsReset();
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void rowsFetched(int first, int last);
    // A row was written to the database: inserted, changed or deleted.
    void written();

private:
    struct Row;
    void runRules(Event event);
    void requery();
    void masterChanged();
    bool isWatched() const;
    bool detailsReadTheSame() const;
    void dropRows();
    void ensureFresh() const;
    void currentRowHasChanged();
    void checkDetailsBrowseMode();
    bool readRows(int count);
    QVariant dataValue(const Row &row, int field) const;
    void unpack(Row &row) const;
    QVariant lookupValue(int row, const FieldDef &field) const;
    QVariant parameterValue(const QString &name) const;
    void validateRow() const;
    void requireOpen() const;
    Statement &statement(std::unique_ptr<Statement> &slot, const QString &sql);
    void executeWrite(std::unique_ptr<Statement> &slot, const QString &sql, const char *what);
    int takeGeneratorValue();
    void setState(State state);
    void removeRowAt(int row);
    void keepOwnRows();

    QString m_name;
    Connection &m_connection;
    Transaction &m_transaction;
    std::vector<FieldDef> m_fields;
    std::vector<int> m_columnOfField; // select column of each data field, -1 for the others
    QString m_selectSql, m_insertSql, m_modifySql, m_deleteSql, m_refreshSql;
    QString m_keyField, m_generator;
    std::unique_ptr<Statement> m_select, m_insert, m_modify, m_delete, m_refresh, m_nextKey;
    Dataset *m_master = nullptr;
    std::vector<Dataset *> m_details;
    std::vector<std::pair<Event, Rule>> m_rules;

    std::vector<std::unique_ptr<Row>> m_rows;
    std::unique_ptr<Row> m_original; // the current row as read, while it is being edited
    int m_current = -1;
    State m_state = State::Closed;
    bool m_modified = false;
    bool m_atEnd = true;
    bool m_atStart = true;
    bool m_cursorOpen = false;
    // A detail that nothing watches reads its rows when first asked for them, not each time
    // its master moves: scrolling a patient list does not read every patient's visits.
    bool m_stale = false;
    bool m_readWhole = false;
    bool m_resetting = false;        // rows read inside a reset are announced by the reset itself
    std::vector<QVariant> m_ownRows; // keys of rows added here since the select was set
};

// What a data-bound control names: a dataset, by the name the windows know it under.
class DataSource : public QObject {
    Q_OBJECT
public:
    DataSource(const QString &name, Dataset *dataset, QObject *parent = nullptr)
        : QObject(parent), m_dataset(dataset) {
        setObjectName(name);
    }
    Dataset *dataset() const { return m_dataset; }

private:
    Dataset *m_dataset;
};
