#include "ui/Fonts.h"

#include <QApplication>
#include <QFont>

namespace mvx::ui {

void ApplyProgramFont()
{
    const QString family = QStringLiteral("ＭＳ Ｐゴシック");
    // Proportional Gothic families first: they share the program family's metrics.
    QFont::insertSubstitutions(family, {QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"),
                                        QStringLiteral("VL PGothic"), QStringLiteral("TakaoPGothic"),
                                        QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAGothic")});
    QFont font(family);
    font.setPixelSize(12);
    QApplication::setFont(font);
}

} // namespace mvx::ui
