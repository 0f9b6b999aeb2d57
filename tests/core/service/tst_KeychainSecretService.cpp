// Runs under tests/support/with-secret-service: a private session bus with gnome-keyring.

#include <QTest>

#include "core/platform/KeychainStore.h"
#include "core/platform/QtKeychainSecretStore.h"

namespace {

const QString account = QStringLiteral("device-token");

} // namespace

class tst_KeychainSecretService : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
            QFAIL("no session bus: run through tests/support/with-secret-service");
        }
    }

    void secretRoundTrip()
    {
        QtKeychainSecretStore store;
        const QString service = QStringLiteral("com.kestrelory.slatebox.test");
        QCOMPARE(store.read(service, account), std::nullopt);
        store.write(service, account, "first");
        store.write(service, account, "second");
        QCOMPARE(store.read(service, account), std::optional<QByteArray>("second"));
        store.remove(service, account);
        QCOMPARE(store.read(service, account), std::nullopt);
        store.remove(service, account); // removing nothing is not a failure
    }

    // A token left under the old service name moves to the current one on the first read.
    void legacyTokenMigrates()
    {
        auto store = std::make_shared<QtKeychainSecretStore>();
        const QString legacy = QStringLiteral("com.kestrelory.Slatebox");
        store->write(legacy, account, QStringLiteral("tök-legacy").toUtf8());
        KeychainStore::setSecretStore(store);

        QCOMPARE(KeychainStore::deviceToken(), std::optional<QString>(u"tök-legacy"_qs));
        QCOMPARE(store->read(KeychainStore::service(), account),
                 std::optional<QByteArray>(QStringLiteral("tök-legacy").toUtf8()));
        QCOMPARE(store->read(legacy, account), std::nullopt);

        KeychainStore::saveDeviceToken(QStringLiteral("tok-new"));
        KeychainStore::setSecretStore(store); // forget the cache: read the keyring again
        QCOMPARE(KeychainStore::deviceToken(), std::optional<QString>(u"tok-new"_qs));

        KeychainStore::deleteDeviceToken();
        KeychainStore::setSecretStore(store);
        QCOMPARE(KeychainStore::deviceToken(), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(tst_KeychainSecretService)
#include "tst_KeychainSecretService.moc"
