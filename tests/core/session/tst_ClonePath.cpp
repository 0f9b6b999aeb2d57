#include <QDir>
#include <QTest>

#include "core/session/ClonePath.h"
#include "support/TempTree.h"

class TestClonePath : public QObject {
    Q_OBJECT

private slots:
    void cleanPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("clean");
        QTest::newRow("root file") << "slatebox.yaml" << true;
        QTest::newRow("nested file") << "characters/mara-quinn/bio.md" << true;
        QTest::newRow("hidden project folder") << ".slatebox/rules/a.md" << true;
        QTest::newRow("dots inside a name") << "a..b/c.d" << true;
        QTest::newRow("git-like name") << ".gitignore" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("absolute") << "/etc/passwd" << false;
        QTest::newRow("trailing slash") << "bible/" << false;
        QTest::newRow("doubled slash") << "bible//world.md" << false;
        QTest::newRow("dot piece") << "bible/./world.md" << false;
        QTest::newRow("dot alone") << "." << false;
        QTest::newRow("parent piece") << "bible/../../etc/passwd" << false;
        QTest::newRow("parent alone") << ".." << false;
        QTest::newRow("backslash") << "bible\\world.md" << false;
        QTest::newRow("NUL") << QString("bible/a") + QChar(0) + "b" << false;
        QTest::newRow("repository") << ".git" << false;
        QTest::newRow("inside the repository") << ".git/config" << false;
        QTest::newRow("repository in another case") << ".GIT/hooks/pre-commit" << false;
        QTest::newRow("nested repository") << "bible/.git/config" << false;
    }

    void cleanPaths()
    {
        QFETCH(QString, path);
        QFETCH(bool, clean);
        QCOMPARE(ClonePath::isClean(path), clean);
        // Unclean paths never resolve, whatever is on disk.
        TempTree tree;
        if (!clean)
            QCOMPARE(ClonePath::resolve(tree.root(), path), std::nullopt);
    }

    void resolvingOnDisk_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("resolves");
        QTest::newRow("existing file") << "bible/world.md" << true;
        QTest::newRow("file about to be written") << "bible/new/deep/file.md" << true;
        QTest::newRow("folder below a missing one") << "props/list.md" << true;
        QTest::newRow("link inside the clone") << "notes/world.md" << true;
        QTest::newRow("link to a file inside") << "manifest-link" << true;
        QTest::newRow("link leaving the clone") << "bible/escape/secret.md" << false;
        QTest::newRow("new file behind an outside link") << "bible/escape/new.md" << false;
        QTest::newRow("the outside link itself") << "bible/escape" << false;
        QTest::newRow("file link leaving the clone") << "bible/passwd" << false;
        QTest::newRow("link into the repository") << "repo/config" << false;
        QTest::newRow("dangling link") << "bible/dangling" << false;
        QTest::newRow("below a dangling link") << "bible/dangling/x.md" << false;
    }

    void resolvingOnDisk()
    {
        QFETCH(QString, path);
        QFETCH(bool, resolves);
        TempTree outside;
        QVERIFY(outside.write("secret.md", "outside"));
        TempTree tree;
        QVERIFY(tree.write("clone/bible/world.md", "world"));
        QVERIFY(tree.write("clone/slatebox.yaml", "type: film\n"));
        QVERIFY(tree.write("clone/.git/config", "[core]"));
        QVERIFY(tree.symlink("bible", "clone/notes"));
        QVERIFY(tree.symlink("slatebox.yaml", "clone/manifest-link"));
        QVERIFY(tree.symlink(outside.root(), "clone/bible/escape"));
        QVERIFY(tree.symlink(outside.absolute("secret.md"), "clone/bible/passwd"));
        QVERIFY(tree.symlink(".git", "clone/repo"));
        QVERIFY(tree.symlink("nowhere", "clone/bible/dangling"));

        const QString root = tree.absolute("clone");
        const std::optional<QString> resolved = ClonePath::resolve(root, path);
        QCOMPARE(resolved.has_value(), resolves);
        if (resolves)
            QCOMPARE(*resolved, root + "/" + path);
    }

    void rootMustExist()
    {
        TempTree tree;
        QCOMPARE(ClonePath::resolve(tree.absolute("missing"), "a.md"), std::nullopt);
        QCOMPARE(ClonePath::resolve(QString(), "a.md"), std::nullopt);
    }

    void aRootReachedThroughALinkIsFine()
    {
        TempTree tree;
        QVERIFY(tree.write("real/bible/world.md", "world"));
        QVERIFY(tree.symlink(tree.absolute("real"), "alias"));
        QCOMPARE(ClonePath::resolve(tree.absolute("alias"), "bible/world.md"),
                 std::optional<QString>(tree.absolute("alias") + "/bible/world.md"));
    }
};

QTEST_GUILESS_MAIN(TestClonePath)
#include "tst_ClonePath.moc"
