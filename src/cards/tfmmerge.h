#pragma once

#include "cards/cardmerge.h"
#include "cards/samepatient.h"

#include <QDialog>
#include <QList>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace Ui {
class TfmMerge;
}
class QTableWidgetItem;
class SettingsFile;
class SharedData;
class WindowBehaviour;

// Two cards of one person made one (`fmMerge`), opened on the card to keep: the other card is
// chosen among the cards that may be of the same person, or found by its surname; both are
// shown field by field, with a choice where they hold different values. "Объединить" moves every
// visit of the other card to the kept one, fills the kept card's empty fields and deletes the
// other card, all at once, and tells how many visits it moved.
class TfmMerge : public QDialog {
    Q_OBJECT
public:
    struct Hooks {
        // The day's backup, made before the first merge of the day; false when it failed and
        // the merge must not go on.
        std::function<bool()> backUpFirst;
    };

    TfmMerge(SharedData &data, SettingsFile &settings, QWidget *parent = nullptr);
    ~TfmMerge() override;

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    // Shows the window modally to merge another card into the patient `kept`.
    void showFor(int kept);

    static constexpr int kHelpTopic = 55;

public Q_SLOTS:
    void btMergeClick();
    void sbtHelpClick();

private:
    // Reads the kept card and the cards that may be of the same person; false when it failed.
    bool load(int kept);
    void edSearchChange();
    void showOthers(const QList<samepatient::Candidate> &patients, const QString &caption);
    // The fields of both cards, once another card is chosen.
    void dbgOtherRowChange();
    void showFields();
    void markSource(int row);
    void tbFieldsItemChanged(QTableWidgetItem *item);
    // True, told to the user, while a card or a visit is open in an editor.
    bool refusedWhileEditing();

    const std::unique_ptr<Ui::TfmMerge> m_ui;
    SharedData &m_data;
    std::unique_ptr<WindowBehaviour> m_behaviour;
    Hooks m_hooks;
    int m_kept = 0;
    QVariantMap m_keptCard;
    int m_keptVisits = 0;
    QList<samepatient::Candidate> m_candidates;
    int m_other = 0;
    int m_otherVisits = 0;
    QList<cardmerge::FieldRow> m_rows;
    bool m_showing = false; // the fields are being filled in: their changes are not the user's
};
