#include "dbwidgets/overwritequestion.h"

#include "data/shareddata.h"
#include "widgets/guarded.h"
#include "widgets/messagebox.h"

bool mayOverwriteOthers(QWidget *window, SharedData &data, Dataset &rows, const QString &question) {
    if (!data.onServer())
        return true; // nobody else writes into a register on this computer
    bool changed = false;
    if (!runGuarded(window, [&] { changed = rows.changedSinceRead(); }))
        return false;
    return !changed || MessageBox::ask(window, question, QMessageBox::Yes | QMessageBox::No) ==
                           QMessageBox::Yes;
}
