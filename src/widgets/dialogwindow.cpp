#include "widgets/dialogwindow.h"

#include <QWidget>

void setUpSizeableDialog(QWidget *dialog) {
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    QFont font = dialog->font();
    font.setPixelSize(11);
    dialog->setFont(font);
}
