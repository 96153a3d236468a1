#pragma once

#include <QApplication>

#include "display/ui/Resources.h"

// One application for the whole test program, whichever test needs it first.
inline QApplication& DisplayTestApp() {
    static int argc = 1;
    static char name[] = "ui_display_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* created = new QApplication(argc, argv);
        InitVavirirResources();
        return created;
    }();
    return *app;
}
