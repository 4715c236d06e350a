#pragma once

#include "services/Translations.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace vistrel::testing {

// Deletes the application after the last test: its post routines wait for the work still on
// the pools, which would otherwise run on while the process exits and its statics go.
class ApplicationTeardown : public ::testing::Environment {
public:
    void TearDown() override { delete QCoreApplication::instance(); }
};

// The widget tests' application, made once (on the offscreen platform under CTest).
inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "vistrel-widget-tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) {
        new QApplication(argc, argv);
        Translations::install();
        ::testing::AddGlobalTestEnvironment(new ApplicationTeardown);
    }
}

} // namespace vistrel::testing
