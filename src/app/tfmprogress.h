#pragma once

#include "service/backgroundwork.h"

#include <QDialog>
#include <QStringList>

#include <atomic>
#include <exception>
#include <memory>

namespace Ui {
class TfmProgress;
}

// The window `fmProgress` shown while the engine backs up, restores or checks the register:
// what is being done, and the engine's own lines as they come. The engine cannot be stopped
// half-way; Cancel, where offered, asks the work to throw its result away once the engine ends.
class TfmProgress : public QDialog {
    Q_OBJECT
public:
    explicit TfmProgress(QWidget *parent = nullptr);
    ~TfmProgress() override;

    struct Outcome {
        bool cancelled = false;
        std::exception_ptr failure; // what the work threw
        QStringList lines;          // the engine's lines
    };

    // Shows the window with `caption` and `step` and runs `work` on a thread of its own until
    // it ends. Without `cancellable` there is no Cancel.
    Outcome run(const QString &caption, const QString &step, const BackgroundWork::Work &work,
                bool cancellable);

    // True once the user asked to cancel; asked from the work's thread.
    bool isCancelled() const { return m_cancelled; }

public Q_SLOTS:
    void btCancelClick();

protected:
    // Esc and the window's close button cancel: the window stays until the work has ended.
    void reject() override;

private:
    void workFinished();

    const std::unique_ptr<Ui::TfmProgress> m_ui;
    BackgroundWork m_work;
    std::atomic_bool m_cancelled = false;
    bool m_cancellable = false;
    QStringList m_lines;
};
