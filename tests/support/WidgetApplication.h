#pragma once

#include "services/Translations.h"

#include <QApplication>

namespace vistrel::testing {

// The widget tests' application, made once (on the offscreen platform under CTest).
inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "vistrel-widget-tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) {
        new QApplication(argc, argv);
        Translations::install();
    }
}

} // namespace vistrel::testing
