#pragma once

class DbError;
class QWidget;

#include <QString>

#include <functional>

// Shows a refusal of the database with its own text, the one way every window reports it.
void showDbError(QWidget *parent, const DbError &error);

// Tests take the messages instead of a message box; an empty function restores the box.
void setDbErrorSink(std::function<void(const QString &message)> sink);
