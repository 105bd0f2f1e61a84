#include "Fonts.h"

#include <QApplication>

namespace mvx::ui {

namespace {

const QString kProgramFamily = QStringLiteral("ＭＳ Ｐゴシック");

void MapProgramFamily()
{
    // Proportional Gothic families first: they share the program family's metrics.
    static const bool mapped = [] {
        QFont::insertSubstitutions(kProgramFamily,
                                   {QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"),
                                    QStringLiteral("VL PGothic"), QStringLiteral("TakaoPGothic"),
                                    QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAGothic")});
        return true;
    }();
    (void)mapped;
}

} // namespace

QFont ProgramFont(int pixelSize)
{
    MapProgramFamily();
    QFont font(kProgramFamily);
    font.setPixelSize(pixelSize);
    return font;
}

void ApplyProgramFont()
{
    QApplication::setFont(ProgramFont(12));
}

} // namespace mvx::ui
