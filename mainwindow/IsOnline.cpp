#include "mainwindow/IsOnline.h"

#include <QNetworkInterface>

namespace quillon {

std::optional<bool> IsOnline()
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    if (interfaces.isEmpty())
        return std::nullopt; // not even loopback: the list could not be read
    for (const QNetworkInterface& interface : interfaces) {
        const auto flags = interface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning)
            || (flags & QNetworkInterface::IsLoopBack))
            continue;
        if (!interface.addressEntries().isEmpty())
            return true;
    }
    return false;
}

} // namespace quillon
