#include <array>

#include <QDir>
#include <QFile>
#include <QTest>

#include "fuzz/FuzzTargets.h"

namespace {

using Entry = int (*)(const uint8_t *, size_t);

struct NamedTarget {
    const char *name; // also the folder of its seeds under corpus/
    Entry run;
};

const std::array kTargets{
    NamedTarget{"ShowYaml", FuzzTargets::showYaml},
    NamedTarget{"LockFile", FuzzTargets::lockFile},
    NamedTarget{"ShotsOutline", FuzzTargets::shotsOutline},
    NamedTarget{"MarkdownText", FuzzTargets::markdownText},
    NamedTarget{"LineDiff", FuzzTargets::lineDiff},
};

QDir corpusDir(const char *target)
{
    return QDir(QStringLiteral(SLATEBOX_FUZZ_CORPUS_DIR) + u'/' + QLatin1String(target));
}

} // namespace

// Replays the committed seeds, and every reproducer kept after a fix, through the same entry
// points the fuzzers use, so a normal build guards against regressions without libFuzzer.
class tst_FuzzCorpus : public QObject {
    Q_OBJECT

private slots:
    void everyTargetHasSeeds()
    {
        for (const NamedTarget &target : kTargets) {
            QVERIFY2(!corpusDir(target.name).entryList(QDir::Files).isEmpty(), target.name);
        }
    }

    void replay_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("path");
        for (int i = 0; i < int(kTargets.size()); ++i) {
            const QDir dir = corpusDir(kTargets[i].name);
            for (const QString &file : dir.entryList(QDir::Files, QDir::Name)) {
                QTest::addRow("%s/%s", kTargets[i].name, qPrintable(file))
                    << i << dir.filePath(file);
            }
        }
    }

    void replay()
    {
        QFETCH(int, target);
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        const QByteArray bytes = file.readAll();
        const auto *data = reinterpret_cast<const uint8_t *>(bytes.constData());
        QCOMPARE(kTargets[target].run(data, size_t(bytes.size())), 0);
        // Every prefix too: truncated files are where line readers most often slip.
        for (qsizetype length = 0; length < bytes.size(); ++length)
            QCOMPARE(kTargets[target].run(data, size_t(length)), 0);
    }
};

QTEST_GUILESS_MAIN(tst_FuzzCorpus)
#include "tst_FuzzCorpus.moc"
