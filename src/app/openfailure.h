#pragma once

#include <QList>
#include <QString>

class DbError;

// Why the database engine could not open a database file, told from its error codes rather than
// from its English text, and the Russian message that tells the user.
namespace openfailure {

enum class Cause {
    Unknown,      // none of the below: the engine's text says what
    Refused,      // the program itself refused before asking the engine; its text says why
    Missing,      // no file under that name
    NoPermission, // this user may not read and write the file
    InUse,        // another copy of the program, perhaps another user's, has it open
    NotADatabase, // the file is something else
    OtherVersion, // a database of another version of the engine
    Damaged,      // cut short or spoilt
};

// The cause behind the engine's error codes (isc_…) and the system's error number (errno).
// Codes empty: the program's own refusal.
Cause causeOf(const QList<qint64> &codes, int systemError);

// The sentence that names the cause; for Unknown and Refused, the empty text.
QString causeText(Cause cause);

// "Не удалось открыть базу данных", the file, and why: the cause's sentence, or for the program's
// own refusals their text. The engine's own text goes with it as the detail.
QString message(const QString &file, const DbError &error);
// The engine's own text to go with the message; empty for the program's own refusals, which
// the message already tells.
QString detail(const DbError &error);

} // namespace openfailure
