#pragma once

#include "books/bookconfig.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TfmBook;
}
class CaptionMessage;
class Dataset;
class QAction;
class QKeyEvent;
class QMenu;
class SettingsFile;
class SharedData;
class WindowBehaviour;

// A reference book window: the doctors (`fmDoc`), the diagnoses (`fmDiag`) or the interventions
// (`fmVmesh`), one window told apart by its BookConfig. It lists the book's shared dataset and
// changes it in place: add, rename, delete an entry no visit refers to, mark a doctor inactive,
// narrow the list by any part of a name, list an entry's patients in the main window.
//
// Opened from the main menu it keeps the book (maintenance): what it wrote is committed when
// it closes. Opened from the visit editor it also chooses (choosing): OK writes the entry into
// the visit (its doctor) or into its current diagnosis or intervention row, and nothing is
// committed, so that the visit's OK keeps the book's changes and its Cancel undoes them.
//
// A row is saved (posted) by OK, Add, a search, or moving to another row; before that its name
// is checked and a name the book already holds is asked about. Whenever the window closes the
// book's whole list comes back, so that no other window sees it narrowed.
class TfmBook : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Maintenance, Choosing };

    TfmBook(BookKind kind, SharedData &data, SettingsFile &settings, QWidget *parent = nullptr);
    ~TfmBook() override;

    const BookConfig &config() const { return m_config; }

    // The mode of the next showing; the opener sets it every time.
    void setMode(Mode mode) { m_mode = mode; }
    Mode mode() const { return m_mode; }
    // Shows the window modally in the mode and returns when it is closed.
    void showModal(Mode mode);

public Q_SLOTS:
    void btOKClick();
    void btCancelClick();
    void btAddClick();
    void pmEditClick();
    void pmDelClick();
    void pmActClick();
    void btPatientClick();
    void sbtHelpClick();

    // Esc however it reaches the dialog, and its close box: Cancel.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Dataset &book() const;
    void createMenu();
    void FormShow();
    bool FormKeyDown(QKeyEvent *event);
    void popupMenu();
    void dbgDblClick();
    void edSearchEnter();
    void edSearchChange();
    // Checks and posts the row being edited; false, with the row still being edited and its name
    // open for mending, when the name is refused or the user keeps it from being saved.
    bool saveRow();
    bool checkName();
    // Opens the editor of the name in the current row, once the events under way are over.
    void editNameLater();
    // Gives the book's dataset another list; false when the database refused it.
    bool showList(const QString &sql);
    // The whole book again, when a search narrowed it.
    bool showWholeBook();
    // Writes the entry into the visit or its current diagnosis or intervention row.
    void writeChoice(const QVariant &entry);
    // In maintenance, commits what the book wrote in this showing; false when refused.
    bool keepWhatWasWritten();
    bool currentEntry(QVariant *entry) const;
    QString normalCaption() const { return m_config.caption; }

    const BookConfig &m_config;
    const std::unique_ptr<Ui::TfmBook> m_ui;
    SharedData &m_data;
    std::unique_ptr<WindowBehaviour> m_behaviour;
    CaptionMessage *m_caption = nullptr;
    Mode m_mode = Mode::Maintenance;
    bool m_narrowed = false; // a search gave the book a narrower list
    bool m_written = false;  // a row was saved or deleted in this showing
    QMenu *m_menu = nullptr;
    QAction *pmAct = nullptr; // doctors only
    QAction *pmDel = nullptr;
};

// The three books under their own names.
class TfmDoc : public TfmBook {
    Q_OBJECT
public:
    TfmDoc(SharedData &data, SettingsFile &settings, QWidget *parent = nullptr)
        : TfmBook(BookKind::Doctors, data, settings, parent) {}
};

class TfmDiag : public TfmBook {
    Q_OBJECT
public:
    TfmDiag(SharedData &data, SettingsFile &settings, QWidget *parent = nullptr)
        : TfmBook(BookKind::Diagnoses, data, settings, parent) {}
};

class TfmVmesh : public TfmBook {
    Q_OBJECT
public:
    TfmVmesh(SharedData &data, SettingsFile &settings, QWidget *parent = nullptr)
        : TfmBook(BookKind::Interventions, data, settings, parent) {}
};
