#pragma once

#include <QWidget>

class QListWidget;
class QTextBrowser;

// The program's help: a window of its own that shows the help page of a topic, one page per
// window of the program, compiled into the program. The general topic 32767 comes first.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *parent = nullptr);

    // Shows the page of the topic; an unknown topic shows the general one.
    void showTopic(int topic);
    int currentTopic() const { return m_topic; }

    static constexpr int kGeneralTopic = 32767;
    // Whether the program holds a page for the topic.
    static bool hasTopic(int topic);

private:
    QListWidget *m_contents;
    QTextBrowser *m_page;
    int m_topic = 0;
};

// Opens the topic in the help window, above the window that asks (which may be a modal dialog:
// the help window then stays usable while the dialog waits).
void showHelpTopic(int topic, QWidget *asker);
// F1 in the window opens the topic: for a window without the behaviour of the program's
// windows (a sign-in or settings dialog).
void addHelpKey(QWidget *window, int topic);
// The help window, once any topic has been opened; tests look at it.
HelpWindow *helpWindow();
