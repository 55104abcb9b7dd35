#include "widgets/palettes.h"

#include "widgets/contrast.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace palettes {

const QList<TextPair> &textPairs() {
    static const QList<TextPair> pairs = {
        {QPalette::WindowText, QPalette::Window, "labels and windows"},
        {QPalette::Text, QPalette::Base, "text boxes, lists and grids"},
        {QPalette::Text, QPalette::AlternateBase, "alternate rows"},
        {QPalette::ButtonText, QPalette::Button, "buttons and column titles"},
        // The patient card's age box shows its text on the button colour.
        {QPalette::Text, QPalette::Button, "the age box"},
        {QPalette::HighlightedText, QPalette::Highlight, "the chosen row"},
        {QPalette::ToolTipText, QPalette::ToolTipBase, "hints and \"Нет в справочнике\""},
    };
    return pairs;
}

QPalette readable(QPalette palette, double minimum) {
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        for (const TextPair &pair : textPairs()) {
            const QColor text = palette.color(group, pair.text);
            const QColor background = palette.color(group, pair.background);
            const QColor mended = contrast::readableBackground(text, background, minimum);
            if (mended != background)
                palette.setColor(group, pair.background, mended);
        }
    }
    return palette;
}

QPalette dark() {
    const QColor window(53, 53, 53);
    const QColor base(35, 35, 35);
    const QColor text(235, 235, 235);
    const QColor faint(128, 128, 128);
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, QColor(45, 45, 45));
    palette.setColor(QPalette::ToolTipBase, QColor(60, 60, 60));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, QColor(160, 160, 160));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, QColor(255, 90, 90));
    palette.setColor(QPalette::Light, QColor(80, 80, 80));
    palette.setColor(QPalette::Midlight, QColor(66, 66, 66));
    palette.setColor(QPalette::Mid, QColor(40, 40, 40));
    palette.setColor(QPalette::Dark, QColor(25, 25, 25));
    palette.setColor(QPalette::Shadow, QColor(10, 10, 10));
    palette.setColor(QPalette::Link, QColor(110, 170, 255));
    palette.setColor(QPalette::LinkVisited, QColor(180, 140, 255));
    palette.setColor(QPalette::Highlight, QColor(38, 94, 150));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, faint);
    }
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(70, 70, 70));
    return readable(palette);
}

void applyToApplication(const QString &choice) {
    const QString chosen = choice.trimmed().toLower();
    if (chosen != u"dark" && chosen != u"light") {
        const QPalette desktop = QApplication::palette();
        const QPalette mended = readable(desktop);
        if (mended != desktop)
            QApplication::setPalette(mended);
        return;
    }
    QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    if (!fusion)
        return;
    QApplication::setStyle(fusion);
    QApplication::setPalette(chosen == u"dark" ? dark() : readable(fusion->standardPalette()));
}

} // namespace palettes
