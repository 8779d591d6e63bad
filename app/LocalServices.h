#pragma once

#include <memory>

class QObject;

// What the build needs running beside the window before the start-up's first request, held for the
// whole run. A demonstration build takes its lease on the simulator beside the executable
// (LocalServices_demonstration.cpp); a build against the real services has nothing to start
// (LocalServices_none.cpp). app/CMakeLists.txt builds the one that fits.
std::unique_ptr<QObject> startLocalServices();
