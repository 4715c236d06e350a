#pragma once

#include <QColor>
#include <QPalette>

namespace vistrel {

// How a cell's text reads, named by what it means; the colour is taken from the palette of
// the view that draws it, so that a dark palette on the application or a widget reads well.
enum class TextTone { normal, figure, other, removed, growth, shrink };

// The item-data role under which models give a cell's TextTone (as an int).
constexpr int textToneRole = Qt::UserRole + 64;

QColor textToneColour(TextTone tone, const QPalette& palette);

} // namespace vistrel
