#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <vector>

class DataSource;
class Dataset;
class QWidget;

// Binds ordinary controls to the fields of a data source's current row, in the way
// QDataWidgetMapper binds them to a model (addMapping(control, field)):
// - each control shows its field of the current row, and follows moves, resets and changes of
//   the dataset;
// - the user's first change puts the dataset into edit state (or starts a row when it holds
//   none), and every change is written to the field at once, so the row always holds what the
//   controls show; a value equal to the field's is never written;
// - each control takes only what its field can hold: text boxes their size and the characters
//   of the code page, combo boxes their items.
//
// Controls: QLineEdit, DbMemo, DateBox, LookupBox (writing the key of the entry chosen), and
// QComboBox with fixed items (editable or not).
//
// The controls follow the dataset only while their window is shown: a hidden window costs
// nothing, and a detail dataset it binds is not read at every move of its master.
class DataMapper : public QObject {
    Q_OBJECT
public:
    DataMapper(DataSource *source, QWidget *window);
    ~DataMapper() override;

    void addMapping(QWidget *control, const QString &field);
    Dataset *dataset() const;
    // Shows the current row again in every control that does not show it.
    void revert();
    // Whether the controls follow the dataset now (their window is shown).
    bool isAttached() const { return m_attached; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Mapping {
        QPointer<QWidget> control;
        QString field;
    };
    void attach();
    void detach();
    void controlChanged(QWidget *control);
    const Mapping *mappingOf(const QWidget *control) const;
    QVariant fieldValue(const QString &field) const;

    DataSource *m_source;
    QPointer<QWidget> m_window;
    std::vector<Mapping> m_mappings;
    QList<QMetaObject::Connection> m_datasetConnections;
    bool m_attached = false;
    bool m_showing = false; // the mapper itself is putting values into controls
    // The control whose change is being written: a row started by that change refills the
    // other controls, not the one the user is typing into.
    QPointer<QWidget> m_changing;
};
