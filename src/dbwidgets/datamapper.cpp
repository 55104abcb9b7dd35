#include "dbwidgets/datamapper.h"

#include "data/dataset.h"
#include "dbwidgets/datebox.h"
#include "dbwidgets/dbmemo.h"
#include "dbwidgets/lookupbox.h"
#include "dbwidgets/win1251validator.h"
#include "support/dates.h"
#include "widgets/guarded.h"
#include "widgets/messagebox.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QValidator>

#include <optional>

namespace {

// Lets a combo box's text be one of its items or nothing; a typed letter of an item in the
// wrong case becomes the item.
class ItemsValidator : public QValidator {
public:
    explicit ItemsValidator(QComboBox *combo) : QValidator(combo), m_combo(combo) {}

    State validate(QString &input, int &) const override {
        if (input.isEmpty())
            return Acceptable;
        bool partial = false;
        for (int i = 0; i < m_combo->count(); ++i) {
            const QString item = m_combo->itemText(i);
            if (item.compare(input, Qt::CaseInsensitive) == 0) {
                input = item;
                return Acceptable;
            }
            partial = partial || item.startsWith(input, Qt::CaseInsensitive);
        }
        return partial ? Intermediate : Invalid;
    }

private:
    QComboBox *m_combo;
};

QVariant textValue(const QString &text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QString textOf(const QVariant &value) {
    if (value.isNull())
        return QString();
    if (value.typeId() == QMetaType::QDate)
        return dates::toText(value.toDate());
    return value.toString();
}

// The value a control shows, as its field keeps it (null when the control is empty), or nothing
// while it holds no value yet: a date typed in part, a combo box text that is no item.
std::optional<QVariant> shownValue(const QWidget *control) {
    if (const auto *box = qobject_cast<const DateBox *>(control)) {
        if (!box->isComplete())
            return std::nullopt;
        return box->isEmpty() ? QVariant() : QVariant(box->date());
    }
    if (const auto *edit = qobject_cast<const QLineEdit *>(control))
        return textValue(edit->text());
    if (const auto *memo = qobject_cast<const DbMemo *>(control))
        return textValue(memo->fieldText());
    if (const auto *lookup = qobject_cast<const LookupBox *>(control))
        return lookup->key();
    if (const auto *combo = qobject_cast<const QComboBox *>(control)) {
        const QString text = combo->currentText();
        if (!text.isEmpty() && combo->findText(text, Qt::MatchExactly) < 0)
            return std::nullopt;
        return textValue(text);
    }
    return std::nullopt;
}

void showValue(QWidget *control, const QVariant &value) {
    if (auto *box = qobject_cast<DateBox *>(control)) {
        box->setDate(value.toDate());
    } else if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        edit->setText(textOf(value));
    } else if (auto *memo = qobject_cast<DbMemo *>(control)) {
        memo->setFieldText(textOf(value));
    } else if (auto *lookup = qobject_cast<LookupBox *>(control)) {
        lookup->setCurrentKey(value);
    } else if (auto *combo = qobject_cast<QComboBox *>(control)) {
        const QString text = textOf(value);
        combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly));
        if (combo->isEditable())
            combo->setEditText(text); // a stored value that is no item still shows
    }
}

bool sameValue(const QVariant &shown, const QVariant &stored) {
    if (shown.isNull() || stored.isNull())
        return shown.isNull() && stored.isNull();
    if (shown.typeId() == QMetaType::Int || stored.typeId() == QMetaType::Int)
        return shown.toInt() == stored.toInt();
    if (shown.typeId() == QMetaType::QDate || stored.typeId() == QMetaType::QDate)
        return shown.toDate() == stored.toDate();
    return shown.toString() == stored.toString();
}

} // namespace

DataMapper::DataMapper(DataSource *source, QWidget *window)
    : QObject(window), m_source(source), m_window(window) {
    window->installEventFilter(this);
    if (window->isVisible())
        attach();
}

DataMapper::~DataMapper() {
    detach();
}

Dataset *DataMapper::dataset() const {
    return m_source->dataset();
}

void DataMapper::addMapping(QWidget *control, const QString &field) {
    const int index = dataset()->fieldIndex(field);
    Q_ASSERT_X(index >= 0, "DataMapper::addMapping", qPrintable(field));
    const FieldDef *def = index >= 0 ? &dataset()->field(index) : nullptr;
    const int size = def && def->isText() ? def->size : 0;
    m_mappings.push_back({control, field});

    auto changed = [this, control] { controlChanged(control); };
    if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        if (size > 0 && !qobject_cast<DateBox *>(control)) {
            edit->setMaxLength(size);
            if (!edit->validator())
                edit->setValidator(new Win1251Validator(edit));
        }
        connect(edit, &QLineEdit::textChanged, this, changed);
    } else if (auto *memo = qobject_cast<DbMemo *>(control)) {
        memo->setMaxLength(size);
        connect(memo, &QPlainTextEdit::textChanged, this, changed);
    } else if (auto *lookup = qobject_cast<LookupBox *>(control)) {
        connect(lookup, &LookupBox::keyChosen, this, changed);
    } else if (auto *combo = qobject_cast<QComboBox *>(control)) {
        if (combo->isEditable()) {
            if (size > 0)
                combo->lineEdit()->setMaxLength(size);
            combo->setValidator(new ItemsValidator(combo));
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setCompleter(nullptr);
        }
        connect(combo, &QComboBox::currentTextChanged, this, changed);
    } else {
        qWarning("DataMapper: %s cannot be bound", control->metaObject()->className());
    }
    if (m_attached)
        revert();
}

const DataMapper::Mapping *DataMapper::mappingOf(const QWidget *control) const {
    for (const Mapping &mapping : m_mappings) {
        if (mapping.control == control)
            return &mapping;
    }
    return nullptr;
}

QVariant DataMapper::fieldValue(const QString &field) const {
    const Dataset *data = dataset();
    if (!data->isOpen() || data->currentRow() < 0)
        return QVariant();
    return data->value(field);
}

void DataMapper::revert() {
    if (!m_attached)
        return;
    QScopedValueRollback showing(m_showing, true);
    for (const Mapping &mapping : m_mappings) {
        if (!mapping.control || mapping.control == m_changing)
            continue;
        const QVariant stored = fieldValue(mapping.field);
        const std::optional<QVariant> shown = shownValue(mapping.control);
        if (!shown || !sameValue(*shown, stored))
            showValue(mapping.control, stored);
    }
}

void DataMapper::controlChanged(QWidget *control) {
    if (!m_attached || m_showing)
        return;
    const Mapping *mapping = mappingOf(control);
    const std::optional<QVariant> shown = shownValue(control);
    if (!mapping || !shown)
        return;
    Dataset &data = *dataset();
    const bool written = runGuarded(m_window, [&] {
        if (sameValue(*shown, fieldValue(mapping->field)))
            return;
        QScopedValueRollback changing(m_changing, QPointer<QWidget>(control));
        if (!data.isEditing())
            data.edit(); // on a dataset without rows it starts one
        data.setValue(mapping->field, *shown);
    });
    if (!written)
        revert(); // the control shows what the row holds
}

void DataMapper::attach() {
    if (m_attached)
        return;
    m_attached = true;
    Dataset *data = dataset();
    m_datasetConnections << connect(data, &Dataset::currentRowChanged, this, &DataMapper::revert)
                         << connect(data, &Dataset::rowsReset, this, &DataMapper::revert)
                         << connect(data, &Dataset::rowChanged, this, [this](int row) {
                                if (row == dataset()->currentRow())
                                    revert();
                            });
    revert();
}

void DataMapper::detach() {
    for (const QMetaObject::Connection &connection : std::as_const(m_datasetConnections))
        disconnect(connection);
    m_datasetConnections.clear();
    m_attached = false;
}

bool DataMapper::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_window) {
        if (event->type() == QEvent::Show)
            attach();
        else if (event->type() == QEvent::Hide && !event->spontaneous())
            detach(); // a window only minimised keeps following
    }
    return QObject::eventFilter(watched, event);
}
