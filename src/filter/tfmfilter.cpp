#include "filter/tfmfilter.h"

#include "data/shareddata.h"
#include "dbwidgets/lookupbox.h"
#include "dbwidgets/win1251validator.h"
#include "support/dates.h"
#include "ui_tfmfilter.h"
#include "widgets/captionmessage.h"
#include "widgets/dialogwindow.h"
#include "widgets/guarded.h"
#include "widgets/labelhints.h"
#include "widgets/menucommand.h"
#include "widgets/waitcursor.h"
#include "widgets/windowbehaviour.h"

#include <QGuiApplication>
#include <QMenu>
#include <QShowEvent>

namespace {

const QString kCaption = QStringLiteral("Фильтр");
// How long a message stays in the caption, in one-second ticks.
constexpr int kMessageTicks = 10;

} // namespace

TfmFilter::TfmFilter(SharedData &data, SettingsFile &settings, StatusText statusText,
                     QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TfmFilter>()), m_data(data),
      m_statusText(std::move(statusText)) {
    m_ui->setupUi(this);
    setUpMinimizableDialog(this);
    showHints(this);

    // A character the register cannot hold is refused as it is typed.
    for (QLineEdit *box : {m_ui->edAnZhi, m_ui->edStatus, m_ui->edAnamnez, m_ui->edZhaloba,
                           m_ui->edRekomend, m_ui->edObsled}) {
        box->setValidator(new Win1251Validator(box));
    }

    m_ui->dblDoc->setList(&m_data.ibdsDocs, QStringLiteral("D_ID"), QStringLiteral("D_FIO"));
    m_ui->dblDiag->setList(&m_data.ibdsDiag, QStringLiteral("Z_ID"), QStringLiteral("Z_NAME"));
    connectBookList(m_ui->dblDoc, m_ui->chkDoc);
    connectBookList(m_ui->dblDiag, m_ui->chkDiagnoz);

    createPresetMenu();

    connect(m_ui->btSearch, &QPushButton::clicked, this, &TfmFilter::btSearchClick);
    connect(m_ui->btCancel, &QPushButton::clicked, this, &TfmFilter::btCancelClick);
    connect(m_ui->sbtHelp, &QToolButton::clicked, this, &TfmFilter::sbtHelpClick);

    m_caption = new CaptionMessage(this, [] { return kCaption; });

    WindowTraits traits;
    traits.section = QStringLiteral("fmFilter");
    traits.keys = WindowTraits::Keys::LeftTop;
    traits.helpTopic = kHelpTopic;
    m_behaviour = std::make_unique<WindowBehaviour>(this, settings, traits);
}

TfmFilter::~TfmFilter() = default;

void TfmFilter::setDates(QDate first, QDate second) {
    m_ui->dtpDatePriem1->setDate(first);
    m_ui->dtpDatePriem2->setDate(second);
}

void TfmFilter::createPresetMenu() {
    pmDatePriem = new QMenu(this);
    pmDatePriem->setObjectName(QStringLiteral("pmDatePriem"));
    const QDate today = dates::today();
    const std::pair<const char *, filter::Preset> items[] = {
        {"pmmThisYear", filter::Preset::ThisYear},     {"pmmYear", filter::Preset::LastYear},
        {"pmmThisMonth", filter::Preset::ThisMonth},   {"pmmMonth", filter::Preset::LastMonth},
        {"pmmLastYear", filter::Preset::Last12Months}, {"pmmLastMonth", filter::Preset::Last30Days},
    };
    for (const auto &[name, preset] : items) {
        addMenuCommand(pmDatePriem, name, filter::presetCaption(preset, today), this,
                       [this, preset = preset] { applyPreset(preset); });
    }
    // The menu belongs to the date criterion's check box and to both pickers.
    for (QWidget *owner :
         {static_cast<QWidget *>(m_ui->chkDatePriem), static_cast<QWidget *>(m_ui->dtpDatePriem1),
          static_cast<QWidget *>(m_ui->dtpDatePriem2)}) {
        connect(owner, &QWidget::customContextMenuRequested, this,
                [this, owner](const QPoint &at) { pmDatePriem->popup(owner->mapToGlobal(at)); });
    }
}

void TfmFilter::applyPreset(filter::Preset preset) {
    const filter::DateRange range = filter::presetRange(preset, dates::today());
    setDates(range.first, range.second);
}

void TfmFilter::connectBookList(LookupBox *list, QCheckBox *criterion) {
    connect(list, &LookupBox::keyChosen, this, [this, list] {
        runGuarded(this, [list] {
            if (list->book() && list->currentBookRow() >= 0)
                list->book()->moveTo(list->currentBookRow());
        });
    });
    // dblDocCloseUp, dblDiagCloseUp
    connect(list, &LookupBox::closedUp, criterion, [criterion](bool chosen) {
        if (chosen)
            criterion->setChecked(true);
    });
}

void TfmFilter::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    // FormActivate: every opening starts at the first visit date.
    if (!event->spontaneous() && m_ui->dtpDatePriem1->isEnabled())
        m_ui->dtpDatePriem1->setFocus(Qt::ActiveWindowFocusReason);
}

filter::Criteria TfmFilter::criteria() const {
    filter::Criteria criteria;
    if (m_ui->chkDatePriem->isChecked())
        criteria.visitDates =
            filter::DateRange{m_ui->dtpDatePriem1->date(), m_ui->dtpDatePriem2->date()};
    if (m_ui->chkVozrast->isChecked())
        criteria.ages = filter::AgeRange{m_ui->edVozrast1->value(), m_ui->edVozrast2->value()};
    if (m_ui->chkDoc->isChecked())
        criteria.doctor = m_ui->dblDoc->currentKey().toInt();
    if (m_ui->chkDiagnoz->isChecked())
        criteria.diagnosis = m_ui->dblDiag->currentKey().toInt();
    criteria.lifeAnamnesis = m_ui->edAnZhi->text();
    criteria.status = m_ui->edStatus->text();
    criteria.diseaseAnamnesis = m_ui->edAnamnez->text();
    criteria.complaints = m_ui->edZhaloba->text();
    criteria.recommendations = m_ui->edRekomend->text();
    criteria.examination = m_ui->edObsled->text();
    return criteria;
}

bool TfmFilter::lacksChoice(QCheckBox *criterion, LookupBox *list, const QString &request) {
    if (!criterion->isChecked() || !list->currentKey().isNull())
        return false;
    m_caption->show(request, kMessageTicks);
    list->setFocus(Qt::OtherFocusReason);
    return true;
}

void TfmFilter::btSearchClick() {
    // A doctor or a diagnosis is looked for only as the user sees it in its list.
    if (lacksChoice(m_ui->chkDoc, m_ui->dblDoc, QStringLiteral("Выберите врача")) ||
        lacksChoice(m_ui->chkDiagnoz, m_ui->dblDiag, QStringLiteral("Выберите диагноз"))) {
        return;
    }
    const QString sql = filter::statement(criteria(), dates::today());
    const bool listed = runGuarded(this, [&] {
        const WaitCursor waiting;
        m_data.showPatients(sql);
    });
    if (listed)
        runGuarded(this, [this] { showResult(); });
}

void TfmFilter::showResult() {
    if (!m_data.ibdsMain.isEmpty()) {
        m_statusText(QStringLiteral("Фильтр"));
        done(Accepted);
        return;
    }
    m_statusText(QStringLiteral("Нет записей."));
    m_caption->show(QStringLiteral("Нет таких записей."), kMessageTicks);
}

void TfmFilter::btCancelClick() {
    done(Rejected);
}

void TfmFilter::reject() {
    btCancelClick();
}

void TfmFilter::sbtHelpClick() {
    m_behaviour->showHelp();
}
