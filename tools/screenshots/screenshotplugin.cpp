// A Qt plugin that takes the software centres' screenshots inside the running program, where
// its windows can be found by their names: the main window once its list is shown, then the
// card editor that the program's own "Правка..." opens on the current patient. Loaded through
// QT_QPA_GENERIC_PLUGINS=ventrelshots by tools/screenshots.sh, which names the folder for the
// pictures in VENTREL_SCREENSHOTS. When all is taken, or the card editor does not come, the
// plugin ends the run the ordinary way (SIGTERM) and leaves "done" in that folder.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGenericPlugin>
#include <QTimer>
#include <QWidget>

#include <csignal>
#include <cstdio>

namespace {

QWidget *shownWindow(const char *name) {
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String(name) && window->isVisible())
            return window;
    }
    return nullptr;
}

class ScreenshotTaker : public QObject {
public:
    explicit ScreenshotTaker(const QString &folder) : m_folder(folder) {
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this] { step(); });
        poll->start(250);
    }

private:
    enum class Stage { MainWindow, CardEditor, Done };

    void step() {
        ++m_ticks;
        switch (m_stage) {
        case Stage::MainWindow:
            // The caption is the program's name again once the list is loaded.
            if (QWidget *main = shownWindow("fmMain");
                main && main->windowTitle() == QStringLiteral("Вентрель") && m_ticks > 8) {
                save(main, "main-window.png");
                if (auto *edit = main->findChild<QAction *>(QStringLiteral("mmEdit")))
                    QMetaObject::invokeMethod(edit, &QAction::trigger, Qt::QueuedConnection);
                m_stage = Stage::CardEditor;
                m_ticks = 0;
            }
            break;
        case Stage::CardEditor:
            if (QWidget *editor = shownWindow("fmCardEdit"); editor && m_ticks > 4) {
                save(editor, "card-editor.png");
                finish();
            } else if (!editor && m_ticks > 20) {
                std::fprintf(stderr, "screenshots: the card editor did not open; "
                                     "no screenshot of it\n");
                finish();
            }
            break;
        case Stage::Done:
            break;
        }
    }

    void save(QWidget *window, const char *name) {
        const QString file = QDir(m_folder).filePath(QLatin1String(name));
        if (window->grab().save(file))
            std::fprintf(stderr, "screenshots: %s\n", qPrintable(file));
        else
            std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(file));
    }

    void finish() {
        m_stage = Stage::Done;
        QFile done(QDir(m_folder).filePath(QStringLiteral("done")));
        done.open(QIODevice::WriteOnly);
        std::raise(SIGTERM);
    }

    QString m_folder;
    Stage m_stage = Stage::MainWindow;
    int m_ticks = 0;
};

} // namespace

class ScreenshotPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "ventrelshots.json")

public:
    QObject *create(const QString &key, const QString &) override {
        if (key.compare(QLatin1String("ventrelshots"), Qt::CaseInsensitive) != 0)
            return nullptr;
        return new ScreenshotTaker(qEnvironmentVariable("VENTREL_SCREENSHOTS"));
    }
};

#include "screenshotplugin.moc"
