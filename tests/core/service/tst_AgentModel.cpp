#include <QJsonDocument>
#include <QtTest>

#include "core/service/AgentModel.h"
#include "core/service/AgentModelGroup.h"

namespace {

AgentModel model(const QString &id, const QString &detail)
{
    return AgentModel{id, QStringLiteral("p"), id.toUpper(), detail, std::nullopt};
}

QStringList groupSummary(const QList<AgentModelGroup> &groups)
{
    QStringList summary;
    for (const AgentModelGroup &group : groups) {
        QStringList ids;
        for (const AgentModel &member : group.models) {
            ids.append(member.id);
        }
        summary.append(group.provider + u':' + ids.join(u','));
    }
    return summary;
}

} // namespace

class tst_AgentModel : public QObject {
    Q_OBJECT

private slots:
    void init() { AgentModel::refresh(AgentModel::builtInCatalog()); }

    void builtInCatalog()
    {
        QCOMPARE(AgentModel::catalog().size(), 8);
        QCOMPARE(AgentModel::catalog().first(),
                 (AgentModel{"director-1", "openai", "Director 1", "Slatebox", 1000000}));
        QCOMPARE(AgentModel::catalog().last(),
                 (AgentModel{"grok-4.6", "xai", "Grok 4.6", "xAI", 2000000}));
        QCOMPARE(groupSummary(AgentModel::grouped()),
                 (QStringList{
                     "Slatebox:director-1", "OpenAI:gpt-5.6-sol,gpt-5.6-terra,gpt-5.6-luna",
                     "Anthropic:claude-fable-5-1,claude-opus-5,claude-sonnet-5", "xAI:grok-4.6"}));
    }

    void named()
    {
        QCOMPARE(AgentModel::named(u"claude-opus-5")->label, QStringLiteral("Opus 5"));
        QCOMPARE(AgentModel::named(u"Claude-Opus-5"), std::nullopt);
        QCOMPARE(AgentModel::named(u""), std::nullopt);
        AgentModel::refresh({model("a", "X"), AgentModel{"a", "q", "second", "Y", 5}});
        QCOMPARE(AgentModel::named(u"a")->label, QStringLiteral("A"));
    }

    void refresh()
    {
        AgentModel::refresh({});
        QCOMPARE(AgentModel::catalog(), AgentModel::builtInCatalog());

        // Groups follow the first appearance of each detail, even when interleaved.
        AgentModel::refresh({model("a", "X"), model("b", "Y"), model("c", "X")});
        QCOMPARE(AgentModel::catalog().size(), 3);
        QCOMPARE(groupSummary(AgentModel::grouped()), (QStringList{"X:a,c", "Y:b"}));
        QCOMPARE(AgentModel::named(u"grok-4.6"), std::nullopt);
    }

    void fromJson_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("context"); // -1: absent

        const QByteArray fields = R"("id":"m","provider":"p","label":"L","detail":"D")";
        QTest::newRow("all keys") << "{" + fields + R"(,"context":128000})" << true << 128000LL;
        QTest::newRow("context absent") << "{" + fields + "}" << true << -1LL;
        QTest::newRow("context null") << "{" + fields + R"(,"context":null})" << true << -1LL;
        QTest::newRow("unknown key ignored") << "{" + fields + R"(,"x":[1]})" << true << -1LL;
        QTest::newRow("context fraction") << "{" + fields + R"(,"context":1.5})" << false << -1LL;
        QTest::newRow("context text") << "{" + fields + R"(,"context":"8k"})" << false << -1LL;
        QTest::newRow("label missing")
            << QByteArray(R"({"id":"m","provider":"p","detail":"D"})") << false << -1LL;
        QTest::newRow("id a number")
            << QByteArray(R"({"id":7,"provider":"p","label":"L","detail":"D"})") << false << -1LL;
        QTest::newRow("detail null")
            << QByteArray(R"({"id":"m","provider":"p","label":"L","detail":null})") << false
            << -1LL;
        QTest::newRow("not an object") << QByteArray(R"(["m"])") << false << -1LL;
    }

    void fromJson()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, valid);
        QFETCH(qint64, context);
        const QJsonDocument document = QJsonDocument::fromJson(json);
        const QJsonValue value =
            document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
        const std::optional<AgentModel> decoded = AgentModel::fromJson(value);
        QCOMPARE(decoded.has_value(), valid);
        if (valid) {
            QCOMPARE(*decoded,
                     (AgentModel{"m", "p", "L", "D",
                                 context < 0 ? std::nullopt : std::optional<qint64>(context)}));
        }
    }
};

QTEST_GUILESS_MAIN(tst_AgentModel)
#include "tst_AgentModel.moc"
