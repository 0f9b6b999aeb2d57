#include <QRandomGenerator>
#include <QStringList>
#include <QTest>

#include "core/cut/CutBeat.h"
#include "core/cut/CutCamera.h"
#include "core/cut/CutEntityName.h"
#include "core/cut/CutScene.h"
#include "core/cut/CutVideoModel.h"
#include "core/cut/ShotsOutline.h"
#include "core/cut/ShotsOutlineCache.h"

Q_DECLARE_METATYPE(CutCamera)
Q_DECLARE_METATYPE(CutBeat)

namespace {

// The example outline a new project's deliverable is written in.
const QString kitchenOutline = QStringLiteral(R"(defaults:
  video_model: seedance-2.5
scenes:
  - id: s1
    slugline: INT. KITCHEN - NIGHT
    shots:
      - id: s1-01
        duration: 4
        intent: Establish the kitchen
        cast:
          - ref: characters/ada
            state: tired
        camera:
          framing: wide
          subject: characters/ada
        beats:
          - at: 0
            action: Ada enters
          - at: 2
            character: characters/ada
            text: Hello?
            offscreen: true
  - insert: deliverables/ep2
)");

const QString kitchenDump =
    QStringLiteral("scene id='s1' slugline='INT. KITCHEN - NIGHT'\n"
                   "  shot id='s1-01' duration=4 intent='Establish the kitchen'\n"
                   "    cast ref='characters/ada' state='tired'\n"
                   "    camera framing='wide' subject='characters/ada'\n"
                   "    beat at=0 action='Ada enters'\n"
                   "    beat at=2 character='characters/ada' line='Hello?' offscreen\n"
                   "scene id='insert-1-deliverables/ep2' insert='deliverables/ep2'");

QString field(const char *name, const std::optional<QString> &value)
{
    return value ? QStringLiteral(" %1='%2'").arg(QLatin1String(name), *value) : QString();
}

// One line per scene, shot and shot detail; absent fields are left out, so an empty value and a
// missing one read differently.
QString dump(const QList<CutScene> &scenes)
{
    QStringList out;
    for (const CutScene &scene : scenes) {
        out << QStringLiteral("scene") + field("id", scene.id) + field("slugline", scene.slugline) +
                   field("insert", scene.insert);
        for (const CutShot &shot : scene.shots) {
            out << QStringLiteral("  shot") + field("id", shot.id) +
                       " duration=" + QString::number(shot.duration) + field("intent", shot.intent);
            for (const CutCastMember &member : shot.cast)
                out << QStringLiteral("    cast") + field("ref", member.ref) +
                           field("state", member.state);
            if (const auto &camera = shot.camera)
                out << QStringLiteral("    camera") + field("framing", camera->framing) +
                           field("angle", camera->angle) + field("movement", camera->movement) +
                           field("subject", camera->subject);
            for (const CutBeat &beat : shot.beats)
                out << QStringLiteral("    beat") +
                           (beat.at ? " at=" + QString::number(*beat.at) : QString()) +
                           field("action", beat.action) + field("character", beat.character) +
                           field("line", beat.line) +
                           (beat.offscreen ? QStringLiteral(" offscreen") : QString());
        }
    }
    return out.join(u'\n');
}

QString lines(std::initializer_list<const char *> pieces)
{
    QStringList out;
    for (const char *piece : pieces)
        out << QString::fromUtf8(piece);
    return out.join(u'\n');
}

// A scene "s" with one shot "a" whose shot-level lines are `shotBody` (indented by 6).
QString oneShot(const QString &shotBody)
{
    return QStringLiteral("scenes:\n  - id: s\n    shots:\n      - id: a\n") + shotBody;
}

} // namespace

class TestShotsOutline : public QObject {
    Q_OBJECT

private slots:
    void parseKitchenRecords();
    void parse_data();
    void parse();
    void crlfReadsLikeLf();
    void duration_data();
    void duration();
    void parseNeverFails();

    void entityName_data();
    void entityName();
    void cameraLabel_data();
    void cameraLabel();
    void beatLabel_data();
    void beatLabel();
    void videoModelCases();

    void videoModel_data();
    void videoModel();
    void settingVideoModel_data();
    void settingVideoModel();
    void settingVideoModelTwice_data() { settingVideoModel_data(); }
    void settingVideoModelTwice();

    void cacheParsesOnlyChangedText();
};

void TestShotsOutline::parseKitchenRecords()
{
    CutShot shot;
    shot.id = QStringLiteral("s1-01");
    shot.duration = 4;
    shot.intent = QStringLiteral("Establish the kitchen");
    shot.cast = {{QStringLiteral("characters/ada"), QStringLiteral("tired")}};
    CutCamera camera;
    camera.framing = QStringLiteral("wide");
    camera.subject = QStringLiteral("characters/ada");
    shot.camera = camera;
    CutBeat enters;
    enters.at = 0;
    enters.action = QStringLiteral("Ada enters");
    CutBeat hello;
    hello.at = 2;
    hello.character = QStringLiteral("characters/ada");
    hello.line = QStringLiteral("Hello?");
    hello.offscreen = true;
    shot.beats = {enters, hello};

    CutScene kitchen{
        QStringLiteral("s1"), QStringLiteral("INT. KITCHEN - NIGHT"), {shot}, std::nullopt};
    CutScene insert{QStringLiteral("insert-1-deliverables/ep2"),
                    std::nullopt,
                    {},
                    QStringLiteral("deliverables/ep2")};

    const QList<CutScene> scenes = ShotsOutline::parse(kitchenOutline);
    QCOMPARE(scenes, (QList<CutScene>{kitchen, insert}));
    QCOMPARE(qHash(scenes.at(0)), qHash(kitchen));
}

void TestShotsOutline::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("no scenes line") << "defaults:\n  video_model: x\nshots:\n  - id: a\n"
                                    << QString();
    QTest::newRow("kitchen") << kitchenOutline << kitchenDump;

    QTest::newRow("scene items at indentation 0")
        << "scenes:\n- id: s1\n  shots:\n  - id: a\n    duration: 3\n"
        << QString();
    QTest::newRow("tab indentation counts as 0") << "scenes:\n\t- id: s1\n\t  shots:\n"
                                                 << QString();
    QTest::newRow("other top-level key ends the scenes")
        << "scenes:\n  - id: s1\nnotes: x\n  - id: s2\n"
        << "scene id='s1'";
    QTest::newRow("top-level comment does not end the scenes")
        << "scenes:\n  - id: s1\n# aside\n\n  - id: s2\n"
        << "scene id='s1'\nscene id='s2'";
    QTest::newRow("second scenes list keeps the scene indentation")
        << "scenes:\n  - id: s1\nother:\nscenes:\n    - id: deeper\n  - id: s2\n"
        << "scene id='s1'\nscene id='s2'";

    QTest::newRow("insert scenes count the scenes before them")
        << "scenes:\n  - insert: deliverables/cold-open\n  - id: s1\n  - insert: deliverables/ep2\n"
        << lines({"scene id='insert-0-deliverables/cold-open' insert='deliverables/cold-open'",
                  "scene id='s1'",
                  "scene id='insert-2-deliverables/ep2' insert='deliverables/ep2'"});
    QTest::newRow("slugline with colons, other scene keys ignored")
        << "scenes:\n  - id: s1\n    title: nope\n    slugline: INT. HOUSE - 10:30\n"
        << "scene id='s1' slugline='INT. HOUSE - 10:30'";
    QTest::newRow("slugline after shots is not the scene's")
        << "scenes:\n  - id: s1\n    shots:\n      - id: a\n    slugline: late\n"
        << "scene id='s1'\n  shot id='a' duration=0";

    QTest::newRow("id item at another indentation inside shots is a shot")
        << "scenes:\n  - id: s1\n    shots:\n      - id: a\n   - id: b\n"
        << "scene id='s1'\n  shot id='a' duration=0\n  shot id='b' duration=0";
    QTest::newRow("id item at another indentation before shots is nothing")
        << "scenes:\n  - id: s1\n    - id: b\n    shots:\n"
        << "scene id='s1'";
    QTest::newRow("insert item at another indentation is nothing")
        << "scenes:\n  - id: s1\n    shots:\n      - insert: x\n"
        << "scene id='s1'";
    QTest::newRow("shot keys before the first shot")
        << "scenes:\n  - id: s1\n    shots:\n      duration: 4\n      cast:\n        - ref: a\n"
        << "scene id='s1'";
    QTest::newRow("keys before the first scene")
        << "scenes:\n  slugline: x\n  shots:\n  - id: a\n    duration: 2\n"
        << "scene id='a'";
    QTest::newRow("a new scene closes the shots list")
        << "scenes:\n  - id: s1\n    shots:\n      - id: a\n  - id: s2\n      - id: b\n"
        << "scene id='s1'\n  shot id='a' duration=0\nscene id='s2'";
    QTest::newRow("shot key at scene indentation changes the last shot")
        << oneShot("      - id: b\n    duration: 9\n")
        << "scene id='s'\n  shot id='a' duration=0\n  shot id='b' duration=9";

    QTest::newRow("flow-style cast is no cast") << oneShot("      cast: [a, b]\n        - ref: c\n")
                                                << "scene id='s'\n  shot id='a' duration=0";
    QTest::newRow("cast members and states")
        << oneShot("      cast:\n        - ref: characters/ada\n          state: tired\n"
                   "        - ref: characters/bo\n")
        << lines({"scene id='s'", "  shot id='a' duration=0",
                  "    cast ref='characters/ada' state='tired'", "    cast ref='characters/bo'"});
    QTest::newRow("state without a member above")
        << oneShot("      cast:\n          state: lost\n        - name: x\n")
        << "scene id='s'\n  shot id='a' duration=0";

    QTest::newRow("id item inside beats starts a shot")
        << oneShot("      beats:\n        - at: 1\n        - id: b\n          action: x\n")
        << lines({"scene id='s'", "  shot id='a' duration=0", "    beat at=1",
                  "  shot id='b' duration=0"});
    QTest::newRow("id item inside cast starts a shot")
        << oneShot("      cast:\n        - ref: r\n        - id: b\n        - ref: q\n")
        << lines({"scene id='s'", "  shot id='a' duration=0", "    cast ref='r'",
                  "  shot id='b' duration=0"});
    QTest::newRow("every beats item starts a beat")
        << oneShot("      beats:\n        - note: x\n          text: Hi\n        - at: soon\n"
                   "          offscreen: True\n        - offscreen: true\n")
        << lines({"scene id='s'", "  shot id='a' duration=0", "    beat line='Hi'", "    beat",
                  "    beat offscreen"});
    QTest::newRow("later beat keys replace earlier ones")
        << oneShot("      beats:\n        - at: 1\n          at: x\n          action: a\n"
                   "          action: b\n")
        << lines({"scene id='s'", "  shot id='a' duration=0", "    beat action='b'"});

    QTest::newRow("second camera block merges")
        << oneShot("      camera:\n        framing: wide\n        angle: low\n      beats:\n"
                   "      camera:\n        angle: high\n        movement: dolly\n")
        << lines({"scene id='s'", "  shot id='a' duration=0",
                  "    camera framing='wide' angle='high' movement='dolly'"});
    QTest::newRow("any key inside camera makes a camera")
        << oneShot("      camera:\n        lens: 35mm\n")
        << lines({"scene id='s'", "  shot id='a' duration=0", "    camera"});
    QTest::newRow("camera with a value is no block")
        << oneShot("      camera: wide\n        framing: close\n")
        << "scene id='s'\n  shot id='a' duration=0";
    QTest::newRow("a line at the block's indentation ends it")
        << oneShot("      camera:\n        framing: wide\n      intent: Go\n        angle: low\n")
        << lines({"scene id='s'", "  shot id='a' duration=0 intent='Go'",
                  "    camera framing='wide'"});
    QTest::newRow("blocks belong to the shot above")
        << oneShot("      cast:\n        - ref: r\n      - id: b\n        state: s\n")
        << lines({"scene id='s'", "  shot id='a' duration=0", "    cast ref='r'",
                  "  shot id='b' duration=0"});

    QTest::newRow("escaped quotes in a quoted value")
        << oneShot("      intent: \"She says \\\"hi\\\" twice\"\n")
        << "scene id='s'\n  shot id='a' duration=0 intent='She says \"hi\" twice'";
    QTest::newRow("single quotes stay")
        << oneShot("      intent: 'as is'\n")
        << "scene id='s'\n  shot id='a' duration=0 intent=''as is''";
    QTest::newRow("a lone quote stays")
        << oneShot("      intent: \"\n") << "scene id='s'\n  shot id='a' duration=0 intent='\"'";
    QTest::newRow("comments and hashes in values")
        << oneShot("      # duration: 9\n        #intent: no\n      intent: take #2\n")
        << "scene id='s'\n  shot id='a' duration=0 intent='take #2'";
    QTest::newRow("empty values and ids")
        << "scenes:\n  - id:\n    shots:\n      - id:\n        intent:\n"
        << "scene id=''\n  shot id='' duration=0 intent=''";

    QTest::newRow("malformed lines")
        << "scenes:\n  -\n  - \n  -id: x\n  - :\n  - \"\n  :\n  - id\n    shots\n  - id: s\n"
           "    shots:\n      - id: a\n      - :\n      cast:\n        -\n        - ref\n"
           "        state\n      duration\n      beats:\n        - :\n        :\n"
        << lines({"scene id='s'", "  shot id='a' duration=0", "    beat"});
}

void TestShotsOutline::parse()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(dump(ShotsOutline::parse(text)), expected);
}

void TestShotsOutline::crlfReadsLikeLf()
{
    QString crlf = kitchenOutline;
    crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    QCOMPARE(ShotsOutline::parse(crlf), ShotsOutline::parse(kitchenOutline));
    QCOMPARE(ShotsOutline::videoModel(crlf), QStringLiteral("seedance-2.5"));

    // Only one carriage return belongs to the line end; others are text.
    QCOMPARE(dump(ShotsOutline::parse(oneShot("      intent: a\r\r\n"))),
             QStringLiteral("scene id='s'\n  shot id='a' duration=0 intent='a\r'"));
    QCOMPARE(dump(ShotsOutline::parse(oneShot("      intent: a\rb\n"))),
             QStringLiteral("scene id='s'\n  shot id='a' duration=0 intent='a\rb'"));
}

void TestShotsOutline::duration_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("whole") << "4" << qint64(4);
    QTest::newRow("plus sign") << "+4" << qint64(4);
    QTest::newRow("minus sign") << "-3" << qint64(-3);
    QTest::newRow("quoted") << "\"4\"" << qint64(4);
    QTest::newRow("fraction") << "4.5" << qint64(0);
    QTest::newRow("unit") << "4s" << qint64(0);
    QTest::newRow("empty") << "" << qint64(0);
    QTest::newRow("sign only") << "+" << qint64(0);
    QTest::newRow("two signs") << "+-4" << qint64(0);
    QTest::newRow("inner space") << "4 0" << qint64(0);
    QTest::newRow("hex") << "0x4" << qint64(0);
    QTest::newRow("non-ASCII digit") << QStringLiteral("４") << qint64(0);
    QTest::newRow("largest") << "9223372036854775807" << std::numeric_limits<qint64>::max();
    QTest::newRow("smallest") << "-9223372036854775808" << std::numeric_limits<qint64>::min();
    QTest::newRow("too large") << "9223372036854775808" << qint64(0);
    QTest::newRow("far too large") << "123456789012345678901234567890" << qint64(0);
}

// `duration` and a beat's `at` read numbers by the same rule; a bad duration keeps the old one.
void TestShotsOutline::duration()
{
    QFETCH(QString, value);
    QFETCH(qint64, expected);

    const QList<CutScene> scenes = ShotsOutline::parse(
        oneShot("      duration: " + value + "\n      beats:\n        - at: " + value + "\n"));
    QCOMPARE(scenes.at(0).shots.at(0).duration, expected);
    const std::optional<qint64> at = scenes.at(0).shots.at(0).beats.at(0).at;
    QCOMPARE(at.has_value(), expected != 0);
    QCOMPARE(at.value_or(0), expected);

    const QList<CutScene> kept =
        ShotsOutline::parse(oneShot("      duration: 7\n      duration: " + value + "\n"));
    QCOMPARE(kept.at(0).shots.at(0).duration, expected != 0 ? expected : 7);
}

// Fragments of the outline's grammar shuffled into random line soups: a crash or an assertion in
// the reader would end the test.
void TestShotsOutline::parseNeverFails()
{
    const QStringList pieces = {
        "scenes:",
        "defaults:",
        "- ",
        "-",
        "id:",
        "insert:",
        "shots:",
        "cast:",
        "camera:",
        "beats:",
        "ref: x",
        "state: y",
        "at: 3",
        "duration: 4",
        "intent: \"q\\\"\"",
        ":",
        "\"",
        "#",
        "\t",
        "\r",
        " ",
        "   ",
        "video_model: m",
        "- id: a",
        "- insert: b",
        "text: t",
        "offscreen: true",
        "framing: f",
        "-9223372036854775809",
        "é",
    };
    QRandomGenerator random(20261211);
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int lineCount = random.bounded(1, 24);
        for (int line = 0; line < lineCount; ++line) {
            text += QString(random.bounded(0, 9), u' ');
            const int pieceCount = random.bounded(0, 4);
            for (int piece = 0; piece < pieceCount; ++piece)
                text += pieces.at(random.bounded(pieces.size()));
            if (random.bounded(8) != 0)
                text += u'\n';
        }
        const QList<CutScene> scenes = ShotsOutline::parse(text);
        for (const CutScene &scene : scenes) {
            if (scene.insert)
                QVERIFY(scene.id.startsWith("insert-") && scene.id.endsWith(*scene.insert));
        }
        const QString rewritten = ShotsOutline::settingVideoModel(text, QStringLiteral("m"));
        if (rewritten != text)
            QCOMPARE(ShotsOutline::videoModel(rewritten).has_value(), true);
    }
}

void TestShotsOutline::entityName_data()
{
    QTest::addColumn<QString>("ref");
    QTest::addColumn<QString>("expected");

    QTest::newRow("path") << "characters/ada"
                          << "Ada";
    QTest::newRow("hyphenated") << "characters/old-tom"
                                << "Old Tom";
    QTest::newRow("upper case, trailing slash") << "characters/MARY--jane/"
                                                << "Mary Jane";
    QTest::newRow("bare name") << "ada"
                               << "Ada";
    QTest::newRow("underscore is no separator") << "locations/back_yard"
                                                << "Back_yard";
    QTest::newRow("stray hyphens") << "-x--y-"
                                   << "X Y";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("only slashes") << "///"
                                  << "";
}

void TestShotsOutline::entityName()
{
    QFETCH(QString, ref);
    QFETCH(QString, expected);
    QCOMPARE(cutEntityName(ref), expected);
}

void TestShotsOutline::cameraLabel_data()
{
    QTest::addColumn<CutCamera>("camera");
    QTest::addColumn<std::optional<QString>>("expected");

    QTest::newRow("nothing") << CutCamera{} << std::optional<QString>();
    QTest::newRow("all") << CutCamera{"wide", "low", "dolly in", "characters/old-tom"}
                         << std::optional<QString>("wide · low · dolly in · on Old Tom");
    QTest::newRow("subject only") << CutCamera{{}, {}, {}, "characters/ada"}
                                  << std::optional<QString>("on Ada");
    QTest::newRow("angle and movement")
        << CutCamera{{}, "high", "pan", {}} << std::optional<QString>("high · pan");
}

void TestShotsOutline::cameraLabel()
{
    QFETCH(CutCamera, camera);
    QFETCH(std::optional<QString>, expected);
    QCOMPARE(camera.label(), expected);
}

void TestShotsOutline::beatLabel_data()
{
    QTest::addColumn<CutBeat>("beat");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << CutBeat{} << "";
    QTest::newRow("time only") << CutBeat{3, {}, {}, {}, false} << "at 3s:";
    QTest::newRow("action") << CutBeat{0, "Ada enters", {}, {}, false} << "at 0s: Ada enters";
    QTest::newRow("everything") << CutBeat{2, "Door slams", "characters/ada", "Hello?", true}
                                << QStringLiteral("at 2s: Door slams Ada (O.S.): “Hello?”");
    QTest::newRow("line without speaker")
        << CutBeat{{}, {}, {}, "Hi", false} << QStringLiteral(": “Hi”");
    QTest::newRow("offscreen without speaker")
        << CutBeat{{}, {}, {}, "Hi", true} << QStringLiteral(" (O.S.): “Hi”");
    QTest::newRow("speaker without line") << CutBeat{{}, {}, "characters/ada", {}, true} << "";
}

void TestShotsOutline::beatLabel()
{
    QFETCH(CutBeat, beat);
    QFETCH(QString, expected);
    QCOMPARE(beat.label(), expected);
}

void TestShotsOutline::videoModelCases()
{
    using namespace CutVideoModels;
    QCOMPARE(allCases.size(), size_t(2));
    QCOMPARE(rawValue(allCases[0]), QStringLiteral("seedance-2.5"));
    QCOMPARE(displayName(allCases[0]), QStringLiteral("Seedance 2.5"));
    QCOMPARE(rawValue(allCases[1]), QStringLiteral("minimax-h3"));
    QCOMPARE(displayName(allCases[1]), QStringLiteral("MiniMax H3"));
    QCOMPARE(fromRawValue(QStringLiteral("minimax-h3")), CutVideoModel::MinimaxH3);
    QCOMPARE(fromRawValue(QStringLiteral("Seedance-2.5")), std::nullopt);

    // The picker falls back to MiniMax H3 for anything but an exact raw value.
    QCOMPARE(fromOutline(std::nullopt), CutVideoModel::MinimaxH3);
    QCOMPARE(fromOutline(QStringLiteral("seedance-2.5")), CutVideoModel::Seedance25);
    QCOMPARE(fromOutline(QStringLiteral("seedance-2.5 ")), CutVideoModel::MinimaxH3);
    QCOMPARE(fromOutline(QStringLiteral("veo")), CutVideoModel::MinimaxH3);

    QCOMPARE(displayNameForCatalogId(QStringLiteral("fal/minimax/h3")),
             QStringLiteral("MiniMax H3"));
    QCOMPARE(displayNameForCatalogId(QStringLiteral("fal/bytedance/seedance-2.5")),
             QStringLiteral("Seedance 2.5"));
    QCOMPARE(displayNameForCatalogId(QStringLiteral("FAL/minimax/h3")),
             QStringLiteral("FAL/minimax/h3"));
    QCOMPARE(displayNameForCatalogId(QStringLiteral("minimax-h3")), QStringLiteral("minimax-h3"));
}

void TestShotsOutline::videoModel_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<QString>>("expected");

    const std::optional<QString> none;
    QTest::newRow("kitchen") << kitchenOutline << std::optional<QString>("seedance-2.5");
    QTest::newRow("empty") << QString() << none;
    QTest::newRow("no defaults") << "scenes:\n  video_model: x\nvideo_model: y\n" << none;
    QTest::newRow("quoted") << "defaults:\n  video_model: \"minimax-h3\"\n"
                            << std::optional<QString>("minimax-h3");
    QTest::newRow("any depth, first wins")
        << "defaults:\n  other:\n      video_model: a\n  video_model: b\n"
        << std::optional<QString>("a");
    QTest::newRow("after the block ends") << "defaults:\n  fps: 24\nscenes:\n  video_model: x\n"
                                          << none;
    QTest::newRow("comments skipped")
        << "defaults:\n# top\n  # video_model: a\n\n  video_model: b\n"
        << std::optional<QString>("b");
    QTest::newRow("tab-indented line ends the block") << "defaults:\n\tvideo_model: a\n" << none;
    QTest::newRow("empty value") << "defaults:\n  video_model:\n" << std::optional<QString>("");
}

void TestShotsOutline::videoModel()
{
    QFETCH(QString, text);
    QFETCH(std::optional<QString>, expected);
    QCOMPARE(ShotsOutline::videoModel(text), expected);
}

void TestShotsOutline::settingVideoModel_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QString kitchenMinimax = kitchenOutline;
    kitchenMinimax.replace(QStringLiteral("seedance-2.5"), QStringLiteral("minimax-h3"));
    QTest::newRow("kitchen") << kitchenOutline << kitchenMinimax;
    QTest::newRow("rewrites the line, dropping what else it held")
        << "# head\ndefaults:\n    video_model: \"x\"  # old\n\tkept\t\nscenes:\n"
        << "# head\ndefaults:\n    video_model: minimax-h3\n\tkept\t\nscenes:\n";
    QTest::newRow("block without children") << "defaults:\nscenes:\n"
                                            << "defaults:\n  video_model: minimax-h3\nscenes:\n";
    QTest::newRow("block at the end without a line feed")
        << "scenes:\ndefaults:"
        << "scenes:\ndefaults:\n  video_model: minimax-h3";
    QTest::newRow("inserted after the last child, at its indentation")
        << "defaults:\n  fps: 24\n    deep: 1\n  # note\n\nscenes:\n"
        << "defaults:\n  fps: 24\n    deep: 1\n    video_model: minimax-h3\n  # note\n\nscenes:\n";
    QTest::newRow("only the first defaults block")
        << "defaults:\n  fps: 24\ndefaults:\n  video_model: x\n"
        << "defaults:\n  fps: 24\n  video_model: minimax-h3\ndefaults:\n  video_model: x\n";
    QTest::newRow("indented defaults is no block") << "scenes:\n  defaults:\n    video_model: x\n"
                                                   << "scenes:\n  defaults:\n    video_model: x\n";
    QTest::newRow("no defaults") << "video_model: x\nscenes:\n"
                                 << "video_model: x\nscenes:\n";
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("CR LF rewrite") << "defaults:\r\n  video_model: x\r\nscenes:\r\n"
                                   << "defaults:\r\n  video_model: minimax-h3\r\nscenes:\r\n";
    QTest::newRow("CR LF insert")
        << "defaults:\r\n  fps: 24\r\nscenes:\r\n"
        << "defaults:\r\n  fps: 24\r\n  video_model: minimax-h3\r\nscenes:\r\n";
}

void TestShotsOutline::settingVideoModel()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(ShotsOutline::settingVideoModel(text, QStringLiteral("minimax-h3")), expected);
}

void TestShotsOutline::settingVideoModelTwice()
{
    QFETCH(QString, text);
    const QString once = ShotsOutline::settingVideoModel(text, QStringLiteral("minimax-h3"));
    QCOMPARE(ShotsOutline::settingVideoModel(once, QStringLiteral("minimax-h3")), once);
    if (once != text)
        QCOMPARE(ShotsOutline::videoModel(once), QStringLiteral("minimax-h3"));
}

void TestShotsOutline::cacheParsesOnlyChangedText()
{
    ShotsOutlineCache cache;
    QCOMPARE(cache.text(), std::nullopt);

    const QList<CutScene> first = cache.scenes(kitchenOutline);
    QCOMPARE(first, ShotsOutline::parse(kitchenOutline));
    QCOMPARE(cache.timeline(kitchenOutline).total(), 4.0);
    QCOMPARE(cache.videoModel(kitchenOutline), QStringLiteral("seedance-2.5"));
    // A fresh parse would build a new list; the same text hands back the stored one.
    QVERIFY(cache.scenes(QString(kitchenOutline)).isSharedWith(first));

    QString edited = kitchenOutline;
    edited.replace(QStringLiteral("duration: 4"), QStringLiteral("duration: 5"));
    QCOMPARE(cache.timeline(edited).total(), 5.0);
    QVERIFY(!cache.scenes(edited).isSharedWith(first));
    QCOMPARE(cache.scenes(edited).at(0).shots.at(0).duration, qint64(5));
    QCOMPARE(cache.text(), edited);

    QCOMPARE(cache.scenes(QString()), QList<CutScene>());
    QCOMPARE(cache.timeline(QString()).entries().size(), 0);
    QCOMPARE(cache.videoModel(QString()), std::nullopt);
}

QTEST_GUILESS_MAIN(TestShotsOutline)
#include "tst_ShotsOutline.moc"
