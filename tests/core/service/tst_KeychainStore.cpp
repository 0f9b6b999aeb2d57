#include <QtTest>

#include "core/platform/KeychainStore.h"
#include "core/platform/MemorySecretStore.h"

using Items = QMap<QString, QString>;

namespace {

const QString account = QStringLiteral("device-token");
const QString current = QStringLiteral("com.kestrelory.slatebox");
const QString legacyFirst = QStringLiteral("com.kestrelory.Slatebox");
const QString legacySecond = QStringLiteral("app.slatebox.mac");

} // namespace

class tst_KeychainStore : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<MemorySecretStore> m_store;

    // A fresh store holding `items` (service → token); the cache is forgotten with it.
    void install(const Items &items)
    {
        m_store = std::make_shared<MemorySecretStore>();
        for (auto item = items.cbegin(); item != items.cend(); ++item) {
            m_store->write(item.key(), account, item.value().toUtf8());
        }
        KeychainStore::setSecretStore(m_store);
    }

private slots:
    void serviceName() { QCOMPARE(KeychainStore::service(), current); }

    void migration_data()
    {
        QTest::addColumn<Items>("stored");
        QTest::addColumn<QString>("token"); // empty: absent
        QTest::addColumn<QStringList>("servicesAfter");

        QTest::newRow("nothing stored") << Items{} << QString() << QStringList{};
        QTest::newRow("current only")
            << Items{{current, "tok-current"}} << "tok-current" << QStringList{current};
        QTest::newRow("first legacy name moves")
            << Items{{legacyFirst, "tok-legacy"}} << "tok-legacy" << QStringList{current};
        QTest::newRow("second legacy name moves")
            << Items{{legacySecond, "tok-mac"}} << "tok-mac" << QStringList{current};
        QTest::newRow("first found legacy name wins, the other stays")
            << Items{{legacyFirst, "tok-1"}, {legacySecond, "tok-2"}} << "tok-1"
            << (QStringList{legacySecond, current});
        QTest::newRow("current name shadows legacy ones")
            << Items{{current, "tok-new"}, {legacyFirst, "tok-old"}} << "tok-new"
            << (QStringList{legacyFirst, current});
        QTest::newRow("non-ASCII token survives the UTF-8 round trip")
            << Items{{legacyFirst, QStringLiteral("tök-ü")}} << QStringLiteral("tök-ü")
            << QStringList{current};
    }

    void migration()
    {
        QFETCH(Items, stored);
        QFETCH(QString, token);
        QFETCH(QStringList, servicesAfter);
        install(stored);

        const std::optional<QString> found = KeychainStore::deviceToken();
        QCOMPARE(found.value_or(QString()), token);
        QCOMPARE(found.has_value(), !token.isEmpty());
        QStringList sortedAfter = servicesAfter;
        sortedAfter.sort();
        QCOMPARE(m_store->services(account), sortedAfter);
        if (!token.isEmpty()) {
            QCOMPARE(m_store->read(current, account), std::optional<QByteArray>(token.toUtf8()));
        }
    }

    // Found or not, the keychain is read once; later answers come from the cache.
    void cacheIsLoadedOnce_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::newRow("token") << true;
        QTest::newRow("no token") << false;
    }

    void cacheIsLoadedOnce()
    {
        QFETCH(bool, stored);
        install(stored ? Items{{current, "tok"}} : Items{});
        const std::optional<QString> first = KeychainStore::deviceToken();
        const int reads = m_store->readCount();
        m_store->write(current, account, "changed behind our back");
        QCOMPARE(KeychainStore::deviceToken(), first);
        QCOMPARE(m_store->readCount(), reads);
    }

    void saveReplacesTheItemAndTheCache()
    {
        install({{current, "old"}});
        KeychainStore::saveDeviceToken(QStringLiteral("new"));
        const int reads = m_store->readCount();
        QCOMPARE(KeychainStore::deviceToken(), std::optional<QString>(QStringLiteral("new")));
        QCOMPARE(m_store->readCount(), reads);
        QCOMPARE(m_store->read(current, account), std::optional<QByteArray>("new"));
    }

    void deleteRemovesEveryNameAndIsNotReadAgain()
    {
        install({{current, "a"}, {legacyFirst, "b"}, {legacySecond, "c"}});
        QVERIFY(KeychainStore::deviceToken().has_value());
        KeychainStore::deleteDeviceToken();
        QCOMPARE(m_store->services(account), QStringList{});
        const int reads = m_store->readCount();
        m_store->write(current, account, "reappeared");
        QCOMPARE(KeychainStore::deviceToken(), std::nullopt);
        QCOMPARE(m_store->readCount(), reads);
    }
};

QTEST_GUILESS_MAIN(tst_KeychainStore)
#include "tst_KeychainStore.moc"
