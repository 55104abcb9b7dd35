#pragma once

#include "data/dberror.h"
#include "widgets/messagebox.h"

#include <QString>

#include <exception>

class QObject;
class QWidget;

// Work that Qt starts (a slot, an event filter, a timer, a model's virtual) must not let an
// exception out: one that left it would end the program and lose the run's uncommitted work.
// These report a failure through the one error box instead.

// Runs the work and reports a failure at once; false when the work failed.
template <typename Work> bool runGuarded(QWidget *parent, Work &&work) {
    try {
        work();
        return true;
    } catch (const DbError &error) {
        MessageBox::dbError(parent, error);
    } catch (const std::exception &error) {
        MessageBox::error(parent, QString::fromLocal8Bit(error.what()));
    }
    return false;
}

// Reports a refusal of the database once the work under way is over, in the same box as every
// other one: for failures met while a view paints or asks a model, where a message box would
// start another event loop inside the painting. Several failures before the box shows give one
// box, the first one's.
void reportLater(QObject *context, const DbError &error);
