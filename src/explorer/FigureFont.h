#pragma once

#include <QFont>

namespace vistrel {

// The font of the tables' figures: fixed width so that digits line up, a little smaller and bold.
QFont figureFont();

} // namespace vistrel
