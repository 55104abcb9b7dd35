#include "widgets/dialogwindow.h"

#include "widgets/contrast.h"
#include "widgets/fontgrowth.h"

#include <QPalette>
#include <QWidget>

namespace {

void setUpDialog(QWidget *dialog, Qt::WindowFlags boxes) {
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | boxes |
                           Qt::WindowCloseButtonHint);
    const QSize designSize = dialog->size();
    const QSize designMinimum = dialog->minimumSize();
    dialog->setFont(fontgrowth::designFont(dialog->font(), 11));
    fontgrowth::growControlLimits(dialog);
    fontgrowth::growWindow(dialog, designSize, designMinimum);
}

} // namespace

void setUpSizeableDialog(QWidget *dialog) {
    setUpDialog(dialog, Qt::WindowMinMaxButtonsHint);
}

void setUpMinimizableDialog(QWidget *dialog) {
    setUpDialog(dialog, Qt::WindowMinimizeButtonHint);
}

void paintFailed(QWidget *box, bool failed) {
    QPalette palette;
    if (failed) {
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Base,
                             contrast::failedBackground(palette.color(group, QPalette::Text)));
        }
    }
    box->setPalette(palette);
}
