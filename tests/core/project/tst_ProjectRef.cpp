#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "core/project/ProjectRef.h"

class TestProjectRef : public QObject {
    Q_OBJECT

private slots:
    // A home of its own per run, so folders made by one run never satisfy the next.
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        QCOMPARE(QDir::homePath(), m_home.path());
    }

    void jsonHasExactlyOrgAndSlug()
    {
        const ProjectRef ref{QStringLiteral("kestrel"), QStringLiteral("harbour-lights")};
        QCOMPARE(QJsonDocument(ref.toJson()).toJson(QJsonDocument::Compact),
                 QByteArray(R"({"org":"kestrel","slug":"harbour-lights"})"));
        QCOMPARE(ProjectRef::fromJson(ref.toJson()), ref);
    }

    void fromJson_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("decodes");
        QTest::newRow("other keys ignored")
            << QByteArray(R"({"org":"a","slug":"b","x":1})") << true;
        QTest::newRow("missing slug") << QByteArray(R"({"org":"a"})") << false;
        QTest::newRow("number") << QByteArray(R"({"org":"a","slug":3})") << false;
        QTest::newRow("null") << QByteArray(R"({"org":null,"slug":"b"})") << false;
        QTest::newRow("empty object") << QByteArray("{}") << false;
        // Decoding does not judge the folder names; isValid() does.
        QTest::newRow("invalid names still decode")
            << QByteArray(R"({"org":"..","slug":"b"})") << true;
    }

    void fromJson()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, decodes);
        QCOMPARE(ProjectRef::fromJson(QJsonDocument::fromJson(json).object()).has_value(), decodes);
    }

    void equalityAndHash()
    {
        const ProjectRef a{QStringLiteral("org"), QStringLiteral("one")};
        const ProjectRef b{QStringLiteral("org"), QStringLiteral("two")};
        const ProjectRef swapped{QStringLiteral("one"), QStringLiteral("org")};
        QVERIFY(a != b);
        QVERIFY(a != swapped);
        const QSet<ProjectRef> set{a, b, swapped, ProjectRef{a.org, a.slug}};
        QCOMPARE(set.size(), 3);
    }

    void localURLIsBelowHome()
    {
        const ProjectRef ref{QStringLiteral("kestrel"), QStringLiteral("harbour lights")};
        QCOMPARE(ref.localURL(), QDir::homePath() + "/Slatebox/kestrel/harbour lights");
        QVERIFY(QDir::isAbsolutePath(ref.localURL()));
    }

    void isCloned()
    {
        const ProjectRef file{QStringLiteral("org"), QStringLiteral("with-file")};
        const ProjectRef folder{QStringLiteral("org"), QStringLiteral("with-folder")};
        QVERIFY(!file.isCloned());
        QVERIFY(QDir().mkpath(file.localURL()));
        QVERIFY(!file.isCloned());
        QFile manifest(file.localURL() + "/slatebox.yaml");
        QVERIFY(manifest.open(QIODevice::WriteOnly));
        manifest.close();
        QVERIFY(file.isCloned());
        QVERIFY(QDir().mkpath(folder.localURL() + "/slatebox.yaml"));
        QVERIFY(folder.isCloned());
    }

    void validity_data()
    {
        QTest::addColumn<QString>("org");
        QTest::addColumn<QString>("slug");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "kestrel"
                               << "harbour-lights" << true;
        QTest::newRow("dots inside") << "a.b"
                                     << "...x" << true;
        QTest::newRow("leading dot") << ".org"
                                     << ".slug" << true;
        QTest::newRow("empty org") << ""
                                   << "x" << false;
        QTest::newRow("empty slug") << "x"
                                    << "" << false;
        QTest::newRow("dot") << "x"
                             << "." << false;
        QTest::newRow("dot dot org") << ".."
                                     << "x" << false;
        QTest::newRow("dot dot slug") << "x"
                                      << ".." << false;
        QTest::newRow("slash") << "x"
                               << "a/b" << false;
        QTest::newRow("climbing slug") << "x"
                                       << "../../.ssh" << false;
        QTest::newRow("backslash") << "a\\b"
                                   << "x" << false;
        QTest::newRow("NUL") << "x" << QString::fromUtf16(u"a\0b", 3) << false;
    }

    void validity()
    {
        QFETCH(QString, org);
        QFETCH(QString, slug);
        QFETCH(bool, valid);
        const ProjectRef ref{org, slug};
        QCOMPARE(ref.isValid(), valid);
        if (valid) {
            QVERIFY(ref.validationError().isEmpty());
            QVERIFY(ref.localURL().startsWith(QDir::homePath() + "/Slatebox/"));
            return;
        }
        QVERIFY(ref.validationError().startsWith("This project's location is not valid: "));
        QVERIFY(!ref.validationError().contains(QChar(u'\0')));
        QVERIFY(ref.localURL().isEmpty());
    }

    void validationErrorNamesThePart()
    {
        QCOMPARE((ProjectRef{"", "x"}.validationError()),
                 QStringLiteral("This project's location is not valid: the organisation slug is "
                                "empty."));
        QCOMPARE((ProjectRef{"x", ".."}.validationError()),
                 QStringLiteral("This project's location is not valid: the project slug "
                                "\u201C..\u201D cannot be used as a folder name."));
    }

    void invalidRefIsNeverCloned()
    {
        // Where a naive ~/Slatebox/<org>/<slug> would point for these refs.
        const QString slatebox = QDir::homePath() + "/Slatebox";
        QVERIFY(QDir().mkpath(slatebox + "/x/slatebox.yaml"));
        QVERIFY(QDir().mkpath(slatebox + "/slatebox.yaml"));
        QVERIFY(QDir().mkpath(QDir::homePath() + "/slatebox.yaml"));
        QVERIFY(!(ProjectRef{"x", "."}.isCloned()));
        QVERIFY(!(ProjectRef{"x", ""}.isCloned()));
        QVERIFY(!(ProjectRef{"..", "."}.isCloned()));
        QVERIFY(!(ProjectRef{".", "x"}.isCloned()));
    }

private:
    QTemporaryDir m_home;
};

QTEST_GUILESS_MAIN(TestProjectRef)
#include "tst_ProjectRef.moc"
