#include "dbwidgets/dberrorbox.h"

#include "data/dberror.h"

#include <QApplication>
#include <QMessageBox>

namespace {
std::function<void(const QString &)> &sink() {
    static std::function<void(const QString &)> instance;
    return instance;
}
} // namespace

void setDbErrorSink(std::function<void(const QString &message)> messageSink) {
    sink() = std::move(messageSink);
}

void showDbError(QWidget *parent, const DbError &error) {
    if (sink()) {
        sink()(error.message());
        return;
    }
    QMessageBox::critical(parent, QApplication::applicationDisplayName(), error.message());
}
