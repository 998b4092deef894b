#pragma once

#include <QString>

// A desktop notification through the freedesktop notification service (org.freedesktop.Notifications) on
// the session bus.
namespace desktopNotification {

// Sends one notification; both texts are shown as they are (the body's markup characters are escaped). False
// when there is no session bus, no notification service on it, or the service refused it; nothing is shown
// then.
bool notify(const QString &summary, const QString &body);

} // namespace desktopNotification
