#pragma once

class QApplication;

// What every run of the program sets on the application before the window is made: its name, the
// icon, and Qt's own Chinese texts for standard buttons and menus.
void setUpApplication(QApplication &app);
