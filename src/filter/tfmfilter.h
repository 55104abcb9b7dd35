#pragma once

#include "filter/datepresets.h"
#include "filter/filterstatement.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class TfmFilter;
}
class CaptionMessage;
class LookupBox;
class QCheckBox;
class QMenu;
class SettingsFile;
class SharedData;
class WindowBehaviour;

// The filter window `fmFilter`: finds the patients who match every criterion ticked or filled
// in, and shows them as the main window's patient list. The criteria stay as they were left
// from one opening to the next. A search that finds somebody closes the window; one that finds
// nobody says so in the caption and leaves the window open.
class TfmFilter : public QDialog {
    Q_OBJECT
public:
    // Sets the main window's status text, which names the list shown.
    using StatusText = std::function<void(const QString &text)>;

    TfmFilter(SharedData &data, SettingsFile &settings, StatusText statusText,
              QWidget *parent = nullptr);
    ~TfmFilter() override;

    // The visit dates the window starts with; set once, by the main window that makes it.
    void setDates(QDate first, QDate second);

    static constexpr int kHelpTopic = 90;

public Q_SLOTS:
    void btSearchClick();
    void btCancelClick();
    void sbtHelpClick();
    // Esc however it reaches the dialog: "Отмена".
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createPresetMenu();
    void applyPreset(filter::Preset preset);
    // A drop-down of a book: choosing an entry makes it the book's current row and, once the
    // list has closed on it, ticks the criterion.
    void connectBookList(LookupBox *list, QCheckBox *criterion);
    // True when the criterion is ticked while its list shows no entry: the caption then asks
    // for one and the list takes the focus.
    bool lacksChoice(QCheckBox *criterion, LookupBox *list, const QString &request);
    // What the controls ask for now.
    filter::Criteria criteria() const;
    void showResult();

    const std::unique_ptr<Ui::TfmFilter> m_ui;
    SharedData &m_data;
    StatusText m_statusText;
    std::unique_ptr<WindowBehaviour> m_behaviour;
    CaptionMessage *m_caption = nullptr;
    QMenu *pmDatePriem = nullptr;
};
