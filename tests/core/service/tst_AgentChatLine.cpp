#include <QTest>

#include "core/service/AgentChatLine.h"
#include "core/service/AgentChatLineBuffer.h"

using Decoded = AgentChatLine::Decoded;
using Event = AgentChatEvent;

namespace {

Decoded events(QList<Event> list, bool done = false)
{
    return Decoded{std::move(list), std::nullopt, done};
}

Decoded failure(const QString &text)
{
    return Decoded{{}, text, false};
}

Decoded dropped(const QByteArray &line)
{
    return events({Event::dropped(QString::fromUtf8(line))});
}

AgentTurnUsage usage()
{
    return AgentTurnUsage{1200, 85, u"demo-large"_qs, 200000,
                          AgentTurnUsage::PromptBreakdown{500, 300, 100, 50, 250}};
}

} // namespace

class TestAgentChatLine : public QObject {
    Q_OBJECT
private slots:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<Decoded>("expected");

        // Framing: only the exact "data: " prefix carries an event.
        QTest::newRow("empty line") << QByteArray() << Decoded{};
        QTest::newRow("no space after colon") << QByteArray(R"(data:{"delta":"x"})") << Decoded{};
        QTest::newRow("event field") << QByteArray("event: message") << Decoded{};
        QTest::newRow("comment") << QByteArray(": keep-alive") << Decoded{};
        QTest::newRow("upper-case field") << QByteArray(R"(DATA: {"delta":"x"})") << Decoded{};
        QTest::newRow("prefix alone") << QByteArray("data: ") << dropped("data: ");

        // Plain events.
        QTest::newRow("delta") << QByteArray(R"(data: {"delta":"Hi"})")
                               << events({Event::delta(u"Hi"_qs)});
        QTest::newRow("empty object") << QByteArray("data: {}") << events({});
        QTest::newRow("unknown keys ignored") << QByteArray(R"(data: {"delta":"a","future":[1,2]})")
                                              << events({Event::delta(u"a"_qs)});
        QTest::newRow("null counts as absent")
            << QByteArray(R"(data: {"delta":null,"reasoning":"r","error":null,"done":null})")
            << events({Event::reasoning(u"r"_qs)});
        QTest::newRow("escapes and non-ASCII")
            << QByteArray("data: {\"delta\":\"caf\\u00e9 \\\"quoted\\\"\\n 🎬\"}")
            << events({Event::delta(u"café \"quoted\"\n 🎬"_qs)});

        // Lines that look like the plain one-key delta but are not.
        QTest::newRow("escaped quote before the end")
            << QByteArray(R"(data: {"delta":"a\"})") << dropped(R"(data: {"delta":"a\"})");
        QTest::newRow("second key ending like a delta")
            << QByteArray(R"(data: {"delta":"a","title":"b"})")
            << events({Event::delta(u"a"_qs), Event::title(u"b"_qs)});
        // Qt's JSON reader takes a raw tab inside a string; the plain-line reading must agree.
        QTest::newRow("raw tab") << QByteArray("data: {\"delta\":\"a\tb\"}")
                                 << events({Event::delta(u"a\tb"_qs)});

        // Order within one line is fixed, whatever the order of the keys.
        QTest::newRow("every kind in one line")
            << QByteArray(R"(data: {"title":"T","usage":{"inputTokens":1200,"outputTokens":85,)"
                          R"("model":"demo-large","contextWindow":200000,"breakdown":{)"
                          R"("systemPrompt":500,"toolDefinitions":300,"rules":100,)"
                          R"("projectLayout":50,"conversation":250}},"delete":{"path":"d.md"},)"
                          R"("asset":{"path":"a.png","dataBase64":"AA=="},)"
                          R"("edit":{"path":"e.md","contents":"new"},)"
                          R"("tool":{"name":"read","detail":"file","args":"{}","result":"ok"},)"
                          R"("status":"read","reasoning":"think","delta":"reply"})")
            << events({Event::delta(u"reply"_qs), Event::reasoning(u"think"_qs),
                       Event::status(u"read"_qs),
                       Event::tool(u"read"_qs, u"file"_qs, u"{}"_qs, u"ok"_qs),
                       Event::edit(u"e.md"_qs, u"new"_qs), Event::asset(u"a.png"_qs, u"AA=="_qs),
                       Event::deleted(u"d.md"_qs), Event::usageReport(usage()),
                       Event::title(u"T"_qs)});
        QTest::newRow("tool with only a name") << QByteArray(R"(data: {"tool":{"name":"search"}})")
                                               << events({Event::tool(u"search"_qs, {}, {}, {})});
        QTest::newRow("tool with null optionals")
            << QByteArray(R"(data: {"tool":{"name":"s","detail":null,"args":"a"}})")
            << events({Event::tool(u"s"_qs, {}, u"a"_qs, {})});
        QTest::newRow("usage without optionals")
            << QByteArray(R"(data: {"usage":{"inputTokens":3,"outputTokens":4,"model":"m"}})")
            << events({Event::usageReport(AgentTurnUsage{3, 4, u"m"_qs, {}, {}})});

        // done and error.
        QTest::newRow("delta then done") << QByteArray(R"(data: {"delta":"end","done":true})")
                                         << events({Event::delta(u"end"_qs)}, true);
        QTest::newRow("done false")
            << QByteArray(R"(data: {"delta":"x","done":false})") << events({Event::delta(u"x"_qs)});
        QTest::newRow("error wins over delta")
            << QByteArray(R"(data: {"delta":"x","error":"model overloaded"})")
            << failure(u"model overloaded"_qs);
        QTest::newRow("error with done")
            << QByteArray(R"(data: {"error":"e","done":true})") << failure(u"e"_qs);

        // Undecodable lines become dropped, whole line with its prefix.
        QTest::newRow("not JSON") << QByteArray("data: {not json") << dropped("data: {not json");
        QTest::newRow("array") << QByteArray("data: [1]") << dropped("data: [1]");
        QTest::newRow("edit lacks contents") << QByteArray(R"(data: {"edit":{"path":"a.md"}})")
                                             << dropped(R"(data: {"edit":{"path":"a.md"}})");
        QTest::newRow("tool lacks name") << QByteArray(R"(data: {"tool":{"detail":"d"}})")
                                         << dropped(R"(data: {"tool":{"detail":"d"}})");
        QTest::newRow("delta is a number")
            << QByteArray(R"(data: {"delta":5})") << dropped(R"(data: {"delta":5})");
        QTest::newRow("done is a string") << QByteArray(R"(data: {"delta":"x","done":"yes"})")
                                          << dropped(R"(data: {"delta":"x","done":"yes"})");
        QTest::newRow("error is an object with a delta")
            << QByteArray(R"(data: {"delta":"x","error":{}})")
            << dropped(R"(data: {"delta":"x","error":{}})");
        QTest::newRow("asset is a string")
            << QByteArray(R"(data: {"asset":"a.png"})") << dropped(R"(data: {"asset":"a.png"})");
        QTest::newRow("delete path null") << QByteArray(R"(data: {"delete":{"path":null}})")
                                          << dropped(R"(data: {"delete":{"path":null}})");
        QTest::newRow("usage with fractional tokens")
            << QByteArray(R"(data: {"usage":{"inputTokens":1.5,"outputTokens":4,"model":"m"}})")
            << dropped(R"(data: {"usage":{"inputTokens":1.5,"outputTokens":4,"model":"m"}})");
        QTest::newRow("breakdown lacks a section")
            << QByteArray(R"(data: {"usage":{"inputTokens":1,"outputTokens":4,"model":"m",)"
                          R"("breakdown":{"systemPrompt":1}}})")
            << dropped(R"(data: {"usage":{"inputTokens":1,"outputTokens":4,"model":"m",)"
                       R"("breakdown":{"systemPrompt":1}}})");
        QTest::newRow("invalid UTF-8")
            << QByteArray("data: {\"delta\":\"\xff\"}") << dropped("data: {\"delta\":\"\xff\"}");
    }

    void decode()
    {
        QFETCH(QByteArray, line);
        QFETCH(Decoded, expected);
        QCOMPARE(AgentChatLine::decode(line), expected);
    }

    void droppedLineIsCutTo200Characters()
    {
        const QByteArray line =
            "data: {\"edit\":{\"path\":\"big.md\",\"contents\":" + QByteArray(5000 - 42, 'x');
        QCOMPARE(line.size(), 5000);
        const Decoded decoded = AgentChatLine::decode(line);
        QCOMPARE(decoded.events.size(), 1);
        QCOMPARE(decoded.events[0].kind, Event::Kind::Dropped);
        QCOMPARE(decoded.events[0].text, QString::fromLatin1(line.left(200)));
        QVERIFY(decoded.events[0].text.startsWith(u"data: "));
    }

    void cutNeverSplitsACharacter()
    {
        // 199 letters, then an emoji (a surrogate pair) and a letter with a combining accent.
        const QString line = QString(199, u'a') + u"🎬e\u0301z"_qs;
        QCOMPARE(AgentChatLine::leadingCharacters(line, 200), QString(199, u'a') + u"🎬"_qs);
        QCOMPARE(AgentChatLine::leadingCharacters(line, 201), QString(199, u'a') + u"🎬e\u0301"_qs);
        QCOMPARE(AgentChatLine::leadingCharacters(u"short"_qs, 200), u"short"_qs);
    }

    void lineBufferSplitsPieces_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::addColumn<QByteArray>("rest");

        QTest::newRow("one piece")
            << QList<QByteArray>{"a\nb\n"} << QList<QByteArray>{"a", "b"} << QByteArray();
        QTest::newRow("line split in pieces") << QList<QByteArray>{"da", "ta: x", "\nnext"}
                                              << QList<QByteArray>{"data: x"} << QByteArray("next");
        QTest::newRow("CRLF and lone CR")
            << QList<QByteArray>{"a\r\nb\rc\n"} << QList<QByteArray>{"a", "b", "c"} << QByteArray();
        QTest::newRow("CRLF split between pieces")
            << QList<QByteArray>{"a\r", "\nb\n"} << QList<QByteArray>{"a", "b"} << QByteArray();
        QTest::newRow("blank lines kept") << QList<QByteArray>{"a\n\n\nb\n"}
                                          << QList<QByteArray>{"a", "", "", "b"} << QByteArray();
        QTest::newRow("many small pieces")
            << QList<QByteArray>{"d", "a", "t", "a", ":", " ", "1", "\n", "2"}
            << QList<QByteArray>{"data: 1"} << QByteArray("2");
    }

    void lineBufferSplitsPieces()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QList<QByteArray>, lines);
        QFETCH(QByteArray, rest);

        AgentChatLineBuffer buffer;
        QList<QByteArray> seen;
        for (const QByteArray &piece : pieces) {
            buffer.append(piece);
            QByteArrayView line;
            while (buffer.nextLine(line))
                seen.append(line.toByteArray());
        }
        QCOMPARE(seen, lines);
        QByteArray left;
        QCOMPARE(buffer.takeRest(left), !rest.isEmpty());
        QCOMPARE(left, rest);
    }
};

QTEST_GUILESS_MAIN(TestAgentChatLine)
#include "tst_AgentChatLine.moc"
