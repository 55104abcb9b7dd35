// The yardstick of the cold-start timing: a Qt Widgets program that shows an empty window of the
// main window's size and waits. Nothing a Qt Widgets program does before its first paint can be
// less; ventrel-coldstart measures the main window beside it.

#include <QApplication>
#include <QWidget>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(534, 482);
    window.show();
    return app.exec();
}
