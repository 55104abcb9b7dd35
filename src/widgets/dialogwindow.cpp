#include "widgets/dialogwindow.h"

#include <QWidget>

namespace {

void setDesignFont(QWidget *dialog) {
    QFont font = dialog->font();
    font.setPixelSize(11);
    dialog->setFont(font);
}

} // namespace

void setUpSizeableDialog(QWidget *dialog) {
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setDesignFont(dialog);
}

void setUpFixedSizeDialog(QWidget *dialog) {
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint);
    setDesignFont(dialog);
}
