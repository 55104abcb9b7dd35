#include "widgets/dialogwindow.h"

#include <QPalette>
#include <QWidget>

void setUpSizeableDialog(QWidget *dialog) {
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    QFont font = dialog->font();
    font.setPixelSize(11);
    dialog->setFont(font);
}

void paintFailed(QWidget *box, bool failed) {
    QPalette palette;
    if (failed)
        palette.setColor(QPalette::Base, Qt::red);
    box->setPalette(palette);
}
