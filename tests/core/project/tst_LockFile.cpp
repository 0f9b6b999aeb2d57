#include <QTest>

#include "core/project/LockFile.h"

namespace {

const QString kEmptyText = QStringLiteral("version: 1\npins: {}\n");

// "H1=C1;H2=C2" in the map's own order, so failures print both sides.
QString describe(const LockPins &pins)
{
    QStringList parts;
    for (auto it = pins.cbegin(); it != pins.cend(); ++it)
        parts << it.key() + u'=' + it.value();
    return parts.join(u';');
}

} // namespace

class tst_LockFile : public QObject {
    Q_OBJECT

private slots:
    void pins_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<LockPins>("pins");
        QTest::newRow("empty text") << "" << LockPins{};
        QTest::newRow("empty map") << kEmptyText << LockPins{};
        QTest::newRow("version alone") << "version: 1\n" << LockPins{};
        QTest::newRow("canonical")
            << "version: 1\npins:\n  \"H1\":\n    cas: \"C1\"\n  \"H2\":\n    cas: \"C2\"\n"
            << LockPins{{"H1", "C1"}, {"H2", "C2"}};
        QTest::newRow("unquoted") << "pins:\n  H1:\n    cas: C1\n" << LockPins{{"H1", "C1"}};
        QTest::newRow("single quotes kept") << "pins:\n  'H1':\n    cas: 'C1'\n"
                                            << LockPins{{"'H1'", "'C1'"}};
        QTest::newRow("no escapes") << "pins:\n  \"H\\\"\":\n    cas: \"C\\\"\"\n"
                                    << LockPins{{"H\\\"", "C\\\""}};
        QTest::newRow("colon inside a quoted hash") << "pins:\n  \"a:b\":\n    cas: \"c:d\"\n"
                                                    << LockPins{{"a:b", "c:d"}};
        QTest::newRow("no pins line") << "  \"H1\":\n    cas: C1\n" << LockPins{};
        QTest::newRow("key indented by three spaces") << "pins:\n   \"H1\":\n    cas: C1\n"
                                                      << LockPins{};
        QTest::newRow("three-space key keeps the previous hash")
            << "pins:\n  \"H1\":\n   \"H2\":\n    cas: C1\n"
            << LockPins{{"H1", "C1"}};
        QTest::newRow("cas indented by two spaces") << "pins:\n  \"H1\":\n  cas: C1\n"
                                                    << LockPins{{"H1", "C1"}};
        QTest::newRow("cas before any key") << "pins:\n    cas: C0\n  \"H1\":\n    cas: C1\n"
                                            << LockPins{{"H1", "C1"}};
        QTest::newRow("later cas replaces") << "pins:\n  H1:\n    cas: C1\n    cas: C2\n"
                                            << LockPins{{"H1", "C2"}};
        QTest::newRow("key without cas") << "pins:\n  H1:\n  H2:\n    cas: C2\n"
                                         << LockPins{{"H2", "C2"}};
        QTest::newRow("other lines under a key ignored")
            << "pins:\n  H1:\n    by: someone\n    cas: C1\n    note: x\n"
            << LockPins{{"H1", "C1"}};
        QTest::newRow("comments and blanks")
            << "# lock\nversion: 1\n\npins:\n  # first\n  H1:\n\n    # the take\n    cas: C1\n"
            << LockPins{{"H1", "C1"}};
        QTest::newRow("pins with an inline map still opens") << "pins: {}\n  H1:\n    cas: C1\n"
                                                             << LockPins{{"H1", "C1"}};
        QTest::newRow("top-level key closes the block")
            << "pins:\n  H1:\n    cas: C1\nversion: 1\n  H2:\n    cas: C2\n"
            << LockPins{{"H1", "C1"}};
        QTest::newRow("top-level line clears the hash") << "pins:\n  H1:\npins:\n    cas: C1\n"
                                                        << LockPins{};
        QTest::newRow("tab indent is top level") << "pins:\n  H1:\n\tcas: C1\n    cas: C2\n"
                                                 << LockPins{};
        QTest::newRow("space separators trimmed")
            << QStringLiteral("pins:\n  H1:\u3000\n    cas:\t\u00a0\"C1\" \n")
            << LockPins{{"H1", "C1"}};
        QTest::newRow("empty hash and address") << "pins:\n  \"\":\n    cas: \"\"\n"
                                                << LockPins{{"", ""}};
        QTest::newRow("cas without space") << "pins:\n  H1:\n    cas:C1\n"
                                           << LockPins{{"H1", "C1"}};
        QTest::newRow("CR stays part of the text") << "pins:\r\n  H1:\n    cas: C1\n"
                                                   << LockPins{{"H1", "C1"}};
        QTest::newRow("CR after a key is no key") << "pins:\n  H1:\r\n    cas: C1\n" << LockPins{};
    }

    void pins()
    {
        QFETCH(QString, text);
        QFETCH(LockPins, pins);
        QCOMPARE(describe(LockFile::pins(text)), describe(pins));
    }

    void serialize_data()
    {
        QTest::addColumn<LockPins>("pins");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << LockPins{} << kEmptyText;
        QTest::newRow("one") << LockPins{{"H1", "C1"}}
                             << "version: 1\npins:\n  \"H1\":\n    cas: \"C1\"\n";
        QTest::newRow("sorted")
            << LockPins{{"b", "2"}, {"B", "3"}, {"a", "1"}}
            << "version: 1\npins:\n  \"B\":\n    cas: \"3\"\n  \"a\":\n    cas: \"1\"\n"
               "  \"b\":\n    cas: \"2\"\n";
        // UTF-16 puts the surrogate pair of U+1F600 before U+FF01; code points do not.
        QTest::newRow("code-point order")
            << LockPins{{QStringLiteral("\U0001F600"), "x"},
                        {QStringLiteral("\uFF01"), "y"},
                        {QStringLiteral("\u00e9"), "z"}}
            << QStringLiteral("version: 1\npins:\n  \"\u00e9\":\n    cas: \"z\"\n  \"\uFF01\":\n"
                              "    cas: \"y\"\n  \"\U0001F600\":\n    cas: \"x\"\n");
        QTest::newRow("surrogates among themselves")
            << LockPins{{QStringLiteral("\U00010400"), "b"}, {QStringLiteral("\U00010000"), "a"}}
            << QStringLiteral("version: 1\npins:\n  \"\U00010000\":\n    cas: \"a\"\n"
                              "  \"\U00010400\":\n    cas: \"b\"\n");
        QTest::newRow("prefix first")
            << LockPins{{"ab", "2"}, {"a", "1"}}
            << "version: 1\npins:\n  \"a\":\n    cas: \"1\"\n  \"ab\":\n    cas: \"2\"\n";
    }

    void serialize()
    {
        QFETCH(LockPins, pins);
        QFETCH(QString, text);
        QCOMPARE(LockFile::serialize(pins), text);
    }

    void roundTrip_data()
    {
        QTest::addColumn<LockPins>("pins");
        QTest::newRow("empty") << LockPins{};
        QTest::newRow("hashes") << LockPins{{"9f86d081884c7d65", "sha256:2c26b46b68ffc68f"},
                                            {"0a1b", "cas/0a1b"}};
        QTest::newRow("empty texts") << LockPins{{"", ""}};
        QTest::newRow("spaces kept by the quotes") << LockPins{{" a ", "  "}, {"\tb", "c\t"}};
        QTest::newRow("colons and hashes") << LockPins{{"a: b:", "#c"}, {"#h", "cas: d"}};
        QTest::newRow("looks like structure")
            << LockPins{{"pins:", "version: 1"}, {"cas:", "{}"}, {"- x", "'y'"}};
        QTest::newRow("unicode") << LockPins{
            {QStringLiteral("\u3000h\u00a0"), QStringLiteral("\U0001F600")},
            {QStringLiteral("\uFFFF"), QStringLiteral("\u2028")}};
    }

    void roundTrip()
    {
        QFETCH(LockPins, pins);
        QCOMPARE(describe(LockFile::pins(LockFile::serialize(pins))), describe(pins));
        QVERIFY(LockFile::pins(LockFile::serialize(pins)) == pins);
    }

    void settingAndRemoving()
    {
        const QString one = LockFile::settingPin("", "H1", "C1");
        QCOMPARE(one, "version: 1\npins:\n  \"H1\":\n    cas: \"C1\"\n");

        const QString two = LockFile::settingPin(one, "H0", "C0");
        QCOMPARE(describe(LockFile::pins(two)), "H0=C0;H1=C1");
        QVERIFY(two.startsWith("version: 1\npins:\n  \"H0\":"));

        const QString replaced = LockFile::settingPin(two, "H1", "C9");
        QCOMPARE(describe(LockFile::pins(replaced)), "H0=C0;H1=C9");

        QCOMPARE(LockFile::removingPin(replaced, "H0"), LockFile::settingPin("", "H1", "C9"));
        QCOMPARE(LockFile::removingPin(one, "H1"), kEmptyText);
        QCOMPARE(LockFile::removingPin(replaced, "H7"), replaced);
        QCOMPARE(LockFile::removingPin("", "H7"), kEmptyText);
    }

    void handEditedTextBecomesCanonical()
    {
        const QString hand =
            "# pinned by hand\nversion: 1\nowner: me\npins:\n  # odd order\n  H2:\n"
            "    cas: C2\n  H1:\n    cas: C1\n";
        QCOMPARE(LockFile::removingPin(hand, "nothing"),
                 "version: 1\npins:\n  \"H1\":\n    cas: \"C1\"\n  \"H2\":\n    cas: \"C2\"\n");
        QCOMPARE(LockFile::settingPin(hand, "H1", "C1"), LockFile::removingPin(hand, "nothing"));
    }

    void unquote_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("quoted") << "\"abc\""
                                << "abc";
        QTest::newRow("empty quotes") << "\"\""
                                      << "";
        QTest::newRow("lone quote") << "\""
                                    << "\"";
        QTest::newRow("opening only") << "\"abc"
                                      << "\"abc";
        QTest::newRow("closing only") << "abc\""
                                      << "abc\"";
        QTest::newRow("single quotes") << "'abc'"
                                       << "'abc'";
        QTest::newRow("no escapes") << "\"a\\\"\""
                                    << "a\\\"";
        QTest::newRow("only one pair") << "\"\"a\"\""
                                       << "\"a\"";
        QTest::newRow("spaces outside") << " \"a\" "
                                        << " \"a\" ";
        QTest::newRow("empty") << ""
                               << "";
    }

    void unquote()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(LockFile::unquote(text), expected);
    }
};

QTEST_GUILESS_MAIN(tst_LockFile)
#include "tst_LockFile.moc"
