#include <QTest>

#include "core/editor/SyntaxLanguage.h"

namespace {

QString nameOf(std::optional<SyntaxLanguage> language)
{
    if (!language)
        return QStringLiteral("none");
    return *language == SyntaxLanguage::Markdown ? QStringLiteral("markdown")
                                                 : QStringLiteral("yaml");
}

} // namespace

class tst_SyntaxLanguage : public QObject {
    Q_OBJECT

private slots:
    void detect_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("language");
        QTest::newRow("lock file, any case") << "Slatebox.LOCK"
                                             << "yaml";
        QTest::newRow("lock file in a folder") << "deliverables/ep1/slatebox.lock"
                                               << "yaml";
        QTest::newRow("other lock file") << "Cargo.lock"
                                         << "none";
        QTest::newRow("md upper case") << "notes.MD"
                                       << "markdown";
        QTest::newRow("mdc") << "a.mdc"
                             << "markdown";
        QTest::newRow("markdown") << "bible/world.markdown"
                                  << "markdown";
        QTest::newRow("yml") << "a.yml"
                             << "yaml";
        QTest::newRow("yaml") << "deliverables/pilot/shots.yaml"
                              << "yaml";
        QTest::newRow("manifest") << "slatebox.yaml"
                                  << "yaml";
        QTest::newRow("txt") << "a.txt"
                             << "none";
        QTest::newRow("no extension") << "Makefile"
                                      << "none";
        QTest::newRow("dot in a folder only") << "notes.md/readme"
                                              << "none";
        QTest::newRow("trailing dot") << "a."
                                      << "none";
        QTest::newRow("empty") << ""
                               << "none";
        QTest::newRow("last extension counts") << "a.md.txt"
                                               << "none";
        QTest::newRow("fountain") << "deliverables/pilot/script.fountain"
                                  << "none";
    }
    void detect()
    {
        QFETCH(QString, path);
        QFETCH(QString, language);
        QCOMPARE(nameOf(SyntaxLanguages::detect(path)), language);
    }
};

QTEST_GUILESS_MAIN(tst_SyntaxLanguage)
#include "tst_SyntaxLanguage.moc"
