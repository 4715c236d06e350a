#include "FigureFont.h"

#include <QApplication>
#include <QFontDatabase>

namespace vistrel {

QFont figureFont()
{
    QFont figures = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    figures.setPointSizeF(QApplication::font().pointSizeF() * 0.85);
    figures.setBold(true);
    return figures;
}

} // namespace vistrel
