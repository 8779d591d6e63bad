#include "LocalServices.h"

#include <QObject>

std::unique_ptr<QObject> startLocalServices()
{
    return nullptr;
}
