#pragma once

#include <QDate>
#include <QLineEdit>

class QCalendarWidget;

// A box for a date that may be left empty: it shows dd.mm.yyyy with the separators in place, so
// only the digits are typed and a typed "." is discarded. An empty box stands for no date. A
// date typed only in part is not a value: leaving the box with one puts back the last date it
// held, and tells. The button at its right end (or Alt+Down, F4) drops a calendar down.
class DateBox : public QLineEdit {
    Q_OBJECT
public:
    explicit DateBox(QWidget *parent = nullptr);

    // The date shown; a null date when the box is empty or the date is typed only in part.
    QDate date() const;
    bool isEmpty() const;
    // True when the box holds a whole date or nothing at all.
    bool isComplete() const;
    // Shows the date; a null date empties the box.
    void setDate(QDate date);

    // Drops the calendar down, on the date shown (today when there is none).
    void showCalendar();
    QCalendarWidget *calendar() const { return m_calendar; }

Q_SIGNALS:
    // The box was left with a date typed only in part, or a day that does not exist (`typed`),
    // and shows the last whole date again.
    void partialDateDropped(const QString &typed);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void calendarChose(QDate date);

    QWidget *m_popup = nullptr;
    QCalendarWidget *m_calendar = nullptr;
    QDate m_lastWhole; // the last whole date (or none) the box showed
};
