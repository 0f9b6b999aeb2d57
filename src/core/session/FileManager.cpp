#include "core/session/FileManager.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QUrl>

namespace FileManager {

namespace {

void openFolderOf(const QString &absolutePath)
{
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(absolutePath).absolutePath());
    // QDesktopServices needs the platform integration of a GUI application.
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        QDesktopServices::openUrl(folder);
    else
        QProcess::startDetached(QStringLiteral("xdg-open"), {folder.toLocalFile()});
}

} // namespace

void reveal(const QString &absolutePath)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolderOf(absolutePath);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(absolutePath).toString()} << QString();
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [absolutePath](QDBusPendingCallWatcher *finished) {
                         if (finished->isError())
                             openFolderOf(absolutePath);
                         finished->deleteLater();
                     });
}

} // namespace FileManager
