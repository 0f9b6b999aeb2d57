#pragma once

#include <QObject>
#include <QUrl>

// The process-wide "slatebox.deepLink" notification: the application posts every URL of its
// scheme here, and whoever cares (the account session, for sign-in callbacks) listens. Lives on
// the UI thread; post from there.
class DeepLinkCenter final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeepLinkCenter)

public:
    static constexpr const char *notificationName = "slatebox.deepLink";

    static DeepLinkCenter &instance();

    void post(const QUrl &url);

signals:
    void deepLinkReceived(const QUrl &url);

private:
    DeepLinkCenter() = default;
};
