#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// What a patient card or a visit held that the user had not confirmed (by OK, "Добавить",
// "Копия"), as typed: the fields by their names in the register, and whether the card or the
// visit is one the register does not hold yet.
struct PatientDraft {
    QVariant id;          // the patient's key; null for a new patient
    QVariantMap fields;   // FIO, FIOR, DATAR, SEX, ANAMNEZ, ADR, TELD
    bool changed = false; // the card itself holds something unconfirmed
};

struct VisitDraft {
    QVariant id;        // the visit's key; null for a new visit
    QVariantMap fields; // C_DATE, C_DOC and the five texts
    // The visit's diagnosis rows (G_ID, null for a new row; G_DIAG; G_PRIM) and intervention
    // rows (V_ID; V_VMESH), in the order the visit shows them.
    QList<QVariantMap> diagnoses;
    QList<QVariantMap> interventions;
};

struct Draft {
    QDateTime begun; // when the card or the visit was opened
    PatientDraft patient;
    std::optional<VisitDraft> visit;

    bool holdsAnything() const { return patient.changed || visit.has_value(); }
};

// The editors that hold something the user has not confirmed, while they are open: a patient
// card, a visit opened over it. At an end of the run that cannot ask the user (a signal, a lost
// display, the end of the desktop session) their work is set aside, to be offered at the next
// start, and taken back from the register, so that it never reaches it half-written.
class UnconfirmedWork {
public:
    class Editor {
    public:
        virtual ~Editor() = default;
        // Adds what the editor holds to the draft (a card before the visit opened over it).
        virtual void describe(Draft &draft) = 0;
        // Takes back from the register what the editor wrote and the user did not confirm.
        // Raises DbError when the database refuses.
        virtual void discard() = 0;
        // Asks the editor's own close question; false when the user chose to stay.
        virtual bool askToClose() = 0;
        // After the register was reached again (the connection to the server was lost, and
        // what the editor had written with it): sets a new discard point and puts back what the
        // draft holds of the editor's work, unsaved, as it was typed.
        virtual void resume(const Draft &draft) = 0;
    };

    // An editor opened (over those already open) and closed.
    void opened(Editor *editor);
    void closed(Editor *editor);
    bool isEmpty() const { return m_open.isEmpty(); }

    // What the open editors hold (nothing when none holds anything); then each takes its work
    // back, the last opened first. `failure` tells the database's refusal, after every editor
    // had its turn: the caller then must not commit what is left.
    struct SetAside {
        std::optional<Draft> draft;
        QString failure;
    };
    SetAside setAside();

    // Asks each open editor its close question, the last opened first; false when the user
    // kept one open.
    bool askToClose();

    // What the open editors hold, without taking anything back (the connection is lost: the
    // server has taken it back by itself).
    Draft describe();
    // Puts the draft back into the open editors, the first opened first.
    void resume(const Draft &draft);

private:
    QList<Editor *> m_open;
};
