#include "widgets/dialogwindow.h"

#include <QWidget>

namespace {

void setUpDialog(QWidget *dialog, Qt::WindowFlags boxes) {
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | boxes |
                           Qt::WindowCloseButtonHint);
    QFont font = dialog->font();
    font.setPixelSize(11);
    dialog->setFont(font);
}

} // namespace

void setUpSizeableDialog(QWidget *dialog) {
    setUpDialog(dialog, Qt::WindowMinMaxButtonsHint);
}

void setUpMinimizableDialog(QWidget *dialog) {
    setUpDialog(dialog, Qt::WindowMinimizeButtonHint);
}
