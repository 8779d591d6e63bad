#pragma once

#include <memory>

class QObject;

// What the build serves beside the window, held for the whole run. A demonstration build serves the
// simulator's answers itself, from a thread of its own (LocalServices_demonstration.cpp); a build
// against the real services has nothing to serve (LocalServices_none.cpp). app/CMakeLists.txt builds
// the one that fits.
std::unique_ptr<QObject> startLocalServices();
