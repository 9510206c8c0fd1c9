// The windows the frame of qvmain32 can start, and program-wide display settings.
#pragma once

#include <QString>

class QApplication;

namespace qv {

class EventQueue;
class MainWindow;
class Session;

// Registers with the frame every window this program has, by registry name.
void addWindows(MainWindow& frame, Session& s, EventQueue& events);
// The folder of the bundled HTML help pages.
QString helpDirectory();
// Switches tooltips on or off for the whole program.
void showToolTips(QApplication& app, bool on);

}  // namespace qv
