#pragma once

#include <QString>

struct BookConfig;
class SharedData;

// What a book asks the register before it deletes or saves an entry. Each runs a count of its
// own in the run's transaction, so that the shared datasets keep their lists, their current
// rows and their unsaved changes. Both raise DbError when the database refuses.
namespace bookchecks {

// The rows that refer to the entry: those written so far, and the referring row being edited in
// its shared dataset (a visit not yet saved names its doctor only there).
int referenceCount(SharedData &data, const BookConfig &book, int entry);

// The other entries of the book with the same name, spaces around and letter case aside.
int namesakeCount(SharedData &data, const BookConfig &book, int entry, const QString &name);

} // namespace bookchecks
