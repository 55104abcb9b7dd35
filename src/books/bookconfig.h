#pragma once

#include <QString>

#include <optional>

class DataSource;
class Dataset;
class SharedData;

// The three reference books are one window told apart by this table: which shared dataset each
// shows, what its list and its buttons say, which rows refer to its entries, and how its
// patients are listed.
enum class BookKind { Doctors, Diagnoses, Interventions };

struct BookConfig {
    BookKind kind;
    QString windowName; // the window object and its settings section: "fmDoc"
    QString caption;
    QString gridName; // "dbgDocs"
    QString menuName; // the list's pop-up menu: "pmDocs"
    int helpTopic;
    QString helpHint;

    // The book: its shared dataset, its table, key and name, and the list's one column.
    Dataset SharedData::*dataset;
    DataSource SharedData::*source;
    QString table;       // "DOCS"
    QString keyField;    // "D_ID"
    QString nameField;   // "D_FIO"
    QString columnTitle; // "Врач"
    QString defaultSql;  // the whole book, by name

    // The rows that refer to an entry: a visit's doctor, a diagnosis or intervention link row.
    // The shared dataset holding them is where choosing writes the entry.
    Dataset SharedData::*referrer;
    QString referrerTable; // "CARD"
    QString referrerField; // "C_DOC"

    bool fixedSize;       // the doctors' window cannot be sized
    bool editableAtFirst; // the list edits in place before Add or Edit is first used
    bool hasActiveFlag;   // doctors: "Активен"
    QString deleteQuestion;
    QString addHint;
    QString patientsHint;
    QString (*patientsSql)(int entry);
};

const BookConfig &bookConfig(BookKind kind);

namespace bookrules {

// The list's select for a search text: the default list for an empty text, none (the list stays
// as it is) for one character, else the entries whose name contains the text in any letter case.
// Apostrophes are doubled, so that "О'Нил" is found.
std::optional<QString> listSql(const BookConfig &book, const QString &searchText);

// Counts the rows that refer to an entry, in the run's transaction; `:ID` is the entry.
QString referenceCountSql(const BookConfig &book);
// Counts the other entries of the book named as `:NAME`, spaces around and letter case aside;
// `:ID` is the entry itself.
QString namesakeCountSql(const BookConfig &book);

// The question asked before a name that the book already holds is saved.
QString namesakeQuestion(const QString &name);

// The caption of a book that refused to delete an entry still in use.
extern const QString kInUseCaption;
// The text the search box shows until it first takes the focus.
extern const QString kSearchPrompt;

} // namespace bookrules
