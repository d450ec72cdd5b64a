#include "bwSysTrayFactory.h"

#include "bwSysTray.h"

QObject *bwSysTrayFactory::createInstance(QObject *host, bool userMode)
{
    return new bwSysTray(userMode, host);
}
