#pragma once

#include "data/unconfirmedwork.h"

class SharedData;

// A patient card and a visit as the shared datasets hold them, taken into a draft and put back
// from one: what the recovery file keeps of an editor's unconfirmed work, and how it is restored.
namespace drafts {

// The current patient's fields; its key unless `isNew` (a card the register does not hold
// yet, or holds only as written for its first visit and not committed).
PatientDraft describePatient(const SharedData &data, bool isNew);
// The current visit's fields and its diagnosis and intervention rows; its key unless `isNew`.
VisitDraft describeVisit(SharedData &data, bool isNew);

// Puts the draft's fields into the current patient row, which is being inserted or is edited
// now: only the fields whose value differs are written.
void applyPatient(SharedData &data, const PatientDraft &draft);
// Puts the draft's fields into the current visit row (inserted, or edited now), then makes the
// visit's diagnosis and intervention rows what the draft lists: rows it no longer lists are
// deleted, changed rows written, new rows added. Nothing is committed.
void applyVisit(SharedData &data, const VisitDraft &draft);

} // namespace drafts
