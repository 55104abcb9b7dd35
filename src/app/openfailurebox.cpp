#include "app/openfailurebox.h"

#include "app/openfailure.h"
#include "data/dberror.h"
#include "widgets/messagebox.h"

void tellOpenFailure(QWidget *window, const QString &file, bool connected, const DbError &error) {
    if (connected &&
        openfailure::causeOf(error.codes(), error.systemError()) != openfailure::Cause::Damaged) {
        MessageBox::dbError(window, error);
        return;
    }
    MessageBox::error(window, openfailure::message(file, error), openfailure::detail(error));
}
