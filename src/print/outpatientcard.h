#pragma once

#include "print/cardrows.h"

#include <QDateTime>
#include <QList>
#include <QString>

// The outpatient card of one visit: a list of paragraphs, each in one of two faces, every
// character 14 points. The same list is shown in the print window, printed, written as RTF and
// saved as PDF.
enum class CardFace {
    Heading, // "Arial": the heading alone
    Body,    // "Arial Black": everything after it
};

struct CardParagraph {
    QString text;
    CardFace face = CardFace::Body;

    friend bool operator==(const CardParagraph &, const CardParagraph &) = default;
};

inline constexpr int kCardPointSize = 14;

// The name of the face, as documents and word processors know it.
QString cardFaceName(CardFace face);

// The card of the rows, paragraph by paragraph: the heading, the patient's name, the parents'
// names, the particulars (age, address, telephone), the complaints, the diagnoses, the status,
// the examination, the recommendations, the anamnesis of the disease, the interventions, two
// empty lines, the doctor and the date. Free text is tidied (TidyText, then JoinBrokenLines)
// and left out when nothing remains; a line break inside any text starts a new paragraph.
// `now` is the moment the age is counted at.
QList<CardParagraph> composeOutpatientCard(const CardRows &rows, const QDateTime &now);

// "Иванов 12.05.2024.pdf": the surname and the visit's date, the name the card is offered to be
// saved under; "Амбулаторная карта.pdf" when neither is known.
QString suggestedPdfName(const CardRows &rows);
