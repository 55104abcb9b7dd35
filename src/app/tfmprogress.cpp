#include "app/tfmprogress.h"

#include "ui_tfmprogress.h"
#include "widgets/fontgrowth.h"

#include <QPushButton>

TfmProgress::TfmProgress(QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TfmProgress>()) {
    m_ui->setupUi(this);
    fontgrowth::growWindow(this);
    connect(m_ui->btCancel, &QPushButton::clicked, this, &TfmProgress::btCancelClick);
    connect(&m_work, &BackgroundWork::lineRead, this, [this](const QString &line) {
        m_lines << line;
        m_ui->edLines->appendPlainText(line);
    });
    connect(&m_work, &BackgroundWork::finished, this, &TfmProgress::workFinished);
}

TfmProgress::~TfmProgress() = default;

TfmProgress::Outcome TfmProgress::run(const QString &caption, const QString &step,
                                      const BackgroundWork::Work &work, bool cancellable) {
    setWindowTitle(caption);
    m_ui->lbStep->setText(step);
    m_ui->edLines->clear();
    m_ui->btCancel->setVisible(cancellable);
    m_ui->btCancel->setEnabled(true);
    m_cancellable = cancellable;
    m_cancelled = false;
    m_lines.clear();
    m_work.start(work);
    exec();
    // The window's loop also ends when the whole program is asked to end; the work runs on
    // to its end all the same, and only then is its result read.
    m_work.wait();
    return {m_cancelled, m_work.failure(), m_lines};
}

void TfmProgress::btCancelClick() {
    if (!m_cancellable || m_cancelled)
        return;
    m_cancelled = true;
    m_ui->btCancel->setEnabled(false);
    m_ui->lbStep->setText(
        QStringLiteral("Отмена: база данных заканчивает начатую работу, и её результат будет "
                       "отброшен…"));
}

void TfmProgress::reject() {
    btCancelClick();
}

void TfmProgress::workFinished() {
    QDialog::accept();
}
