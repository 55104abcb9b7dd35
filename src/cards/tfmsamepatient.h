#pragma once

#include "cards/samepatient.h"

#include <QDialog>
#include <QList>

#include <functional>
#include <memory>

namespace Ui {
class TfmSamePatient;
}

// The question before a new card is saved when the register already holds cards that may be of
// the same person (`fmSamePatient`): it lists them and offers to open the chosen one instead,
// to save the new card all the same, or to go back to it. Tests answer it instead of a person,
// as they answer the message boxes.
class TfmSamePatient : public QDialog {
    Q_OBJECT
public:
    enum class Answer { Open, KeepNew, Cancel };
    struct Choice {
        Answer answer = Answer::Cancel;
        int patient = 0; // the card to open
    };

    // Asks about the patients found; Esc and the window's close box go back to the card.
    static Choice ask(QWidget *parent, const QList<samepatient::Candidate> &found);

    // Tests: the next question is not shown but answered at once with `choice`.
    static void setNextAnswer(const Choice &choice);
    // Tests: while set, every question without a prepared answer goes to `answerer`, with the
    // patients it lists, and is not shown; an empty function lets a person answer again.
    using Answerer = std::function<Choice(const QList<samepatient::Candidate> &found)>;
    static void setAnswerer(Answerer answerer);

    explicit TfmSamePatient(QWidget *parent = nullptr);
    ~TfmSamePatient() override;

    Choice choice() const { return m_choice; }

public Q_SLOTS:
    void btOpenClick();
    void btKeepNewClick();

private:
    void showFound(const QList<samepatient::Candidate> &found);

    const std::unique_ptr<Ui::TfmSamePatient> m_ui;
    Choice m_choice;
};
