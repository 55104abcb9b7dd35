#include "cards/tfmmerge.h"

#include "cards/candidatelist.h"
#include "cards/cardrules.h"
#include "data/shareddata.h"
#include "dbwidgets/win1251validator.h"
#include "support/dates.h"
#include "ui_tfmmerge.h"
#include "widgets/dialogwindow.h"
#include "widgets/guarded.h"
#include "widgets/labelhints.h"
#include "widgets/messagebox.h"
#include "widgets/windowbehaviour.h"

#include <QHeaderView>

namespace {

constexpr int kKeptColumn = 1;
constexpr int kOtherColumn = 2;

// A value as one line of the fields' table.
QString shown(const QVariant &value) {
    if (value.typeId() == QMetaType::QDate)
        return dates::toText(value.toDate());
    return value.toString().simplified();
}

QString keptCaption(const QVariantMap &card) {
    QString text =
        QStringLiteral("Остаётся карточка: ") + card.value(QStringLiteral("FIO")).toString();
    const QDate born = card.value(QStringLiteral("DATAR")).toDate();
    if (born.isValid())
        text += QStringLiteral(", ") + dates::toText(born);
    return text;
}

} // namespace

TfmMerge::TfmMerge(SharedData &data, SettingsFile &settings, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TfmMerge>()), m_data(data) {
    m_ui->setupUi(this);
    setUpSizeableDialog(this);
    candidatelist::setUp(m_ui->dbgOther);

    QTableWidget *fields = m_ui->tbFields;
    fields->setColumnCount(3);
    fields->setHorizontalHeaderLabels({QStringLiteral("Поле"),
                                       QStringLiteral("Остающаяся карточка"),
                                       QStringLiteral("Вторая карточка")});
    fields->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fields->setSelectionMode(QAbstractItemView::NoSelection);
    fields->setWordWrap(false);
    fields->verticalHeader()->hide();
    fields->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    fields->verticalHeader()->setDefaultSectionSize(fields->fontMetrics().height() + 8);
    fields->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    fields->horizontalHeader()->setSectionResizeMode(kKeptColumn, QHeaderView::Stretch);
    fields->horizontalHeader()->setSectionResizeMode(kOtherColumn, QHeaderView::Stretch);

    m_ui->edSearch->setValidator(new Win1251Validator(m_ui->edSearch));
    setHint(m_ui->edSearch,
            QStringLiteral("Начало фамилии второй карточки, если её нет среди похожих"));
    setHint(m_ui->btMerge, QStringLiteral("Перенести приёмы второй карточки в остающуюся и "
                                          "удалить вторую карточку"));
    setHint(m_ui->sbtHelp, QStringLiteral("Показать справку по объединению карточек (F1)"));

    connect(m_ui->edSearch, &QLineEdit::textEdited, this, &TfmMerge::edSearchChange);
    connect(m_ui->dbgOther, &QTableWidget::currentCellChanged, this, &TfmMerge::dbgOtherRowChange);
    connect(fields, &QTableWidget::itemChanged, this, &TfmMerge::tbFieldsItemChanged);
    connect(m_ui->btMerge, &QPushButton::clicked, this, &TfmMerge::btMergeClick);
    connect(m_ui->btCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->sbtHelp, &QToolButton::clicked, this, &TfmMerge::sbtHelpClick);

    WindowTraits traits;
    traits.section = QStringLiteral("fmMerge");
    traits.placement = WindowTraits::Placement::Centred;
    traits.helpTopic = kHelpTopic;
    m_behaviour = std::make_unique<WindowBehaviour>(this, settings, traits);
}

TfmMerge::~TfmMerge() = default;

void TfmMerge::showFor(int kept) {
    if (!load(kept))
        return;
    exec();
}

bool TfmMerge::load(int kept) {
    m_kept = kept;
    m_other = 0;
    m_rows.clear();
    m_ui->edSearch->clear();
    return runGuarded(this, [&] {
        m_keptCard = cardmerge::readCard(m_data.ibTrans, kept);
        if (m_keptCard.isEmpty())
            throw DbError(QStringLiteral("Этой карточки уже нет в базе."));
        m_keptVisits = cardmerge::visitCount(m_data.ibTrans, kept);
        m_candidates = samepatient::find(m_data.ibMain, m_data.ibTrans,
                                         m_keptCard.value(QStringLiteral("FIO")).toString(),
                                         m_keptCard.value(QStringLiteral("DATAR")).toDate(), kept);
        m_ui->lbKept->setText(keptCaption(m_keptCard));
        edSearchChange();
        // With a card to choose the list has the focus; without one, the search box.
        if (m_candidates.isEmpty())
            m_ui->edSearch->setFocus();
        else
            m_ui->dbgOther->setFocus();
    });
}

// An empty search box lists the cards that may be of the same person; from two letters on, the
// cards whose full name begins with the text.
void TfmMerge::edSearchChange() {
    QLineEdit *box = m_ui->edSearch;
    const QString text = cardrules::capitalizeAsTyped(box->text());
    if (text != box->text()) {
        const int caret = box->cursorPosition();
        box->setText(text);
        box->setCursorPosition(caret);
    }
    if (text.trimmed().isEmpty()) {
        showOthers(m_candidates, m_candidates.isEmpty()
                                     ? QStringLiteral("Похожих карточек нет: найдите вторую "
                                                      "карточку по фамилии.")
                                     : QStringLiteral("Похожие карточки:"));
        return;
    }
    if (text.size() < 2)
        return;
    runGuarded(this, [&] {
        const QList<samepatient::Candidate> found =
            samepatient::search(m_data.ibMain, m_data.ibTrans, text, m_kept);
        showOthers(found, found.isEmpty() ? QStringLiteral("Нет карточек на \"%1\".").arg(text)
                                          : QStringLiteral("Карточки на \"%1\":").arg(text));
    });
}

void TfmMerge::showOthers(const QList<samepatient::Candidate> &patients, const QString &caption) {
    m_ui->lbOther->setText(caption);
    candidatelist::show(m_ui->dbgOther, patients);
    dbgOtherRowChange();
}

void TfmMerge::dbgOtherRowChange() {
    const int other = candidatelist::current(m_ui->dbgOther);
    if (other == m_other && other != 0)
        return;
    m_other = other;
    m_rows.clear();
    if (other != 0) {
        runGuarded(this, [&] {
            const QVariantMap card = cardmerge::readCard(m_data.ibTrans, other);
            m_rows = cardmerge::compare(m_keptCard, card);
            m_otherVisits = cardmerge::visitCount(m_data.ibTrans, other);
        });
    }
    showFields();
}

void TfmMerge::showFields() {
    m_showing = true;
    QTableWidget *table = m_ui->tbFields;
    table->clearContents();
    const QList<cardmerge::Field> &fields = cardmerge::fields();
    table->setRowCount(m_rows.isEmpty() ? 0 : int(fields.size()) + 1);
    for (int row = 0; row < m_rows.size(); ++row) {
        const cardmerge::FieldRow &field = m_rows.at(row);
        table->setItem(row, 0, new QTableWidgetItem(fields.at(row).title));
        for (const auto &[column, value] :
             {std::pair{kKeptColumn, field.kept}, std::pair{kOtherColumn, field.other}}) {
            auto *item = new QTableWidgetItem(shown(value));
            item->setToolTip(value.toString());
            item->setFlags(field.choice ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable
                                        : Qt::ItemIsEnabled);
            table->setItem(row, column, item);
        }
        markSource(row);
    }
    if (!m_rows.isEmpty()) {
        const int row = int(m_rows.size());
        table->setItem(row, 0, new QTableWidgetItem(QStringLiteral("Приёмы")));
        table->setItem(row, kKeptColumn, new QTableWidgetItem(QString::number(m_keptVisits)));
        table->setItem(row, kOtherColumn, new QTableWidgetItem(QString::number(m_otherVisits)));
    }
    m_ui->btMerge->setEnabled(!m_rows.isEmpty());
    m_showing = false;
}

// The value the merged card holds is marked; where both cards hold different values, either
// may be.
void TfmMerge::markSource(int row) {
    const bool showing = std::exchange(m_showing, true);
    const cardmerge::FieldRow &field = m_rows.at(row);
    for (const auto &[column, source, value] :
         {std::tuple{kKeptColumn, cardmerge::Source::Kept, field.kept},
          std::tuple{kOtherColumn, cardmerge::Source::Other, field.other}}) {
        QTableWidgetItem *item = m_ui->tbFields->item(row, column);
        if (field.choice || (source == field.source && cardmerge::holdsValue(value)))
            item->setCheckState(source == field.source ? Qt::Checked : Qt::Unchecked);
    }
    m_showing = showing;
}

void TfmMerge::tbFieldsItemChanged(QTableWidgetItem *item) {
    const int row = item->row();
    if (m_showing || row >= m_rows.size() || !m_rows.at(row).choice)
        return;
    const bool kept = (item->column() == kKeptColumn) == (item->checkState() == Qt::Checked);
    m_rows[row].source = kept ? cardmerge::Source::Kept : cardmerge::Source::Other;
    markSource(row);
}

bool TfmMerge::refusedWhileEditing() {
    // The card windows are modal, so in this program no editor can be open behind this window;
    // the register's row locks keep another user's unfinished change safe.
    if (m_data.unconfirmed.isEmpty() && !m_data.ibdsMain.isEditing() &&
        !m_data.ibdsCard.isEditing()) {
        return false;
    }
    MessageBox::error(this, QStringLiteral("Карточка пациента открыта для правки. Закройте её, "
                                           "чтобы объединить карточки."));
    return true;
}

void TfmMerge::btMergeClick() {
    if (m_other == 0 || m_rows.isEmpty() || refusedWhileEditing())
        return;
    if (m_hooks.backUpFirst && !m_hooks.backUpFirst())
        return;
    int moved = 0;
    if (!runGuarded(this, [&] {
            moved = cardmerge::merge(m_data.ibTrans, m_kept, m_other,
                                     cardmerge::takenFromOther(m_rows));
        })) {
        return; // nothing was changed; the window stays
    }
    // The list shows what the register holds now: the other card is gone.
    runGuarded(this, [this] { m_data.ibdsMain.reread(); });
    MessageBox::tell(this, QStringLiteral("Перенесено приёмов: %1").arg(moved));
    accept();
}

void TfmMerge::sbtHelpClick() {
    m_behaviour->showHelp();
}
