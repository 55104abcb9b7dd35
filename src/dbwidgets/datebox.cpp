#include "dbwidgets/datebox.h"

#include "support/dates.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kMask = QStringLiteral("99.99.9999;_");
constexpr char16_t kBlank = u'_';
const QString kFormat = QStringLiteral("dd.MM.yyyy");

} // namespace

DateBox::DateBox(QWidget *parent) : QLineEdit(parent) {
    setInputMask(kMask);
    QAction *drop = addAction(style()->standardIcon(QStyle::SP_ArrowDown), TrailingPosition);
    drop->setToolTip(QStringLiteral("Календарь (Alt+Вниз)"));
    connect(drop, &QAction::triggered, this, &DateBox::showCalendar);
    setTextMargins(0, 0, 4, 0); // the last digit keeps clear of the calendar button

    m_popup = new QWidget(this, Qt::Popup);
    auto *layout = new QVBoxLayout(m_popup);
    layout->setContentsMargins(0, 0, 0, 0);
    m_calendar = new QCalendarWidget(m_popup);
    m_calendar->setGridVisible(true);
    layout->addWidget(m_calendar);
    connect(m_calendar, &QCalendarWidget::activated, this, &DateBox::calendarChose);
    connect(m_calendar, &QCalendarWidget::clicked, this, &DateBox::calendarChose);
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (isComplete())
            m_lastWhole = date();
    });
}

bool DateBox::isEmpty() const {
    const QString shown = displayText();
    return std::all_of(shown.begin(), shown.end(),
                       [](QChar c) { return c == kBlank || c == u'.' || c == u' '; });
}

bool DateBox::isComplete() const {
    return isEmpty() || date().isValid();
}

QDate DateBox::date() const {
    const QString shown = displayText();
    if (shown.contains(kBlank))
        return QDate();
    return QDate::fromString(shown, kFormat);
}

void DateBox::setDate(QDate date) {
    m_lastWhole = date;
    setText(date.isValid() ? dates::toText(date) : QString());
}

void DateBox::showCalendar() {
    if (isReadOnly() || !isEnabled())
        return;
    const QDate shown = date();
    m_calendar->setSelectedDate(shown.isValid() ? shown : dates::today());
    m_popup->adjustSize();
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        if (at.y() + m_popup->height() > area.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - m_popup->height());
        at.setX(std::clamp(at.x(), area.left(),
                           std::max(area.left(), area.right() - m_popup->width())));
    }
    m_popup->move(at);
    m_popup->show();
    m_calendar->setFocus();
}

void DateBox::calendarChose(QDate date) {
    m_popup->hide();
    setFocus(Qt::PopupFocusReason);
    if (date.isValid() && !isReadOnly())
        setDate(date);
}

void DateBox::keyPressEvent(QKeyEvent *event) {
    // The box puts the separators in itself.
    if (event->text() == QStringLiteral(".")) {
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier)) ||
        (event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier)) {
        showCalendar();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void DateBox::focusInEvent(QFocusEvent *event) {
    QLineEdit::focusInEvent(event);
    // Typing into an empty box starts at the day, wherever the click put the caret.
    if (isEmpty())
        setCursorPosition(0);
}

void DateBox::focusOutEvent(QFocusEvent *event) {
    // The calendar dropping down, another window coming in front or the box's own window going
    // is no leaving of the box: what is typed stays to be finished (and a window being taken
    // down hears nothing from it).
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason && !isComplete()) {
        const QString typed = displayText();
        setDate(m_lastWhole);
        Q_EMIT partialDateDropped(typed);
    }
    QLineEdit::focusOutEvent(event);
}
