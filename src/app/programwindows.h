#pragma once

#include "books/bookconfig.h"
#include "reports/reportconfig.h"

#include <QObject>
#include <QPointer>

class TfmBook;
class TfmCardEdit;
class TfmCardView;
class TfmFilter;
class RegisterSession;
class TfmMain;
class TfmMerge;
class TfmPriem;
class TfmPrint;
class TfmReport;

// The program's windows besides the main one. Each is made the first time a command needs it and
// kept, hidden between uses, until the main window goes, which destroys them newest first. The
// main window's commands and the windows themselves reach one another through their hooks, all
// filled here; a window added to the program adds its lines here.
class ProgramWindows : public QObject {
    Q_OBJECT
public:
    // Makes the windows that exist for the whole run (the diagnoses book, then the print
    // window) and fills the main window's hooks; lives as long as the main window.
    explicit ProgramWindows(TfmMain *fmMain);

    TfmCardEdit *fmCardEdit();
    TfmCardView *fmCardView();
    TfmPriem *fmPriem();
    TfmFilter *fmFilter();
    TfmMerge *fmMerge();
    TfmBook *book(BookKind kind);

    // The patient card editor, modally, on the current patient (new when adding).
    void showCardEdit();
    // The patient card viewer, modally, on the current patient.
    void showCardView();
    // The visit editor, modally, on the current visit (new when adding).
    void showPriem();
    // The outpatient card of the current visit, in the print window.
    void showPrint();
    // The filter window, modally; it fills the patient list and the status bar itself.
    void showFilter();
    // The merge window, modally, to merge another card into the current patient's.
    void showMerge();
    // A reference book, modally: kept from the main menu, or for choosing the entry of the
    // visit being edited (its doctor, or its current diagnosis or intervention row).
    void showBook(BookKind kind);
    void chooseFromBook(BookKind kind);
    // A report window, modally; it keeps its parameters and its report between openings.
    TfmReport *report(reports::Kind kind);
    void showReport(reports::Kind kind);

private:
    TfmMain *m_main;
    RegisterSession &m_session;
    QPointer<TfmBook> m_books[3];
    TfmPrint *m_print;
    QPointer<TfmCardEdit> m_cardEdit;
    QPointer<TfmCardView> m_cardView;
    QPointer<TfmPriem> m_priem;
    QPointer<TfmFilter> m_filter;
    QPointer<TfmMerge> m_merge;
    QPointer<TfmReport> m_reports[4];
};
