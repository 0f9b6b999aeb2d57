// Organisations, the agent model catalogue, and project creation, templates and deletion.
#include <QDirIterator>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QtTest>

#include "TestGit.h"
#include "TestHttp.h"
#include "core/cut/ShotsOutline.h"
#include "core/project/ProjectLoader.h"
#include "core/project/ShowYaml.h"
#include "support/ServerProcess.h"

namespace {

const QString demoToken = u"demo-token-1"_qs;
const QString otherToken = u"other-token-1"_qs;

QJsonObject projectBody(const QString &org, const QString &slug, const QString &title,
                        const QString &type)
{
    return {{u"org"_qs, org}, {u"slug"_qs, slug}, {u"title"_qs, title}, {u"type"_qs, type}};
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The description of a skill's front matter, read the way the client reads it.
QString skillDescription(const QString &text)
{
    if (!text.startsWith(u"---"_qs))
        return {};
    const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line == u"---")
            return {};
        if (line.startsWith(u"description:"_qs))
            return line.mid(12).trimmed();
    }
    return {};
}

// Every entry below <data>/git and <data>/tmp, to show a refused request left nothing behind.
QStringList storedEntries(const QString &dataDir)
{
    QStringList entries;
    for (const QString &sub : {u"/git"_qs, u"/tmp"_qs}) {
        QDirIterator it(dataDir + sub, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            entries.append(it.next());
    }
    return entries;
}

} // namespace

class tst_ServerProjects : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void listsOrganisations();
    void listsAgentModels();
    void createsFromTemplate_data();
    void createsFromTemplate();
    void refusesBadProject_data();
    void refusesBadProject();
    void refusesDuplicate();
    void concurrentCreationsMakeOneProject();
    void deletesProjectAndRepository();
    void keepsUsersApart();

private:
    TestHttp http(const QString &token) const
    {
        TestHttp client(m_server.baseUrl());
        client.setToken(token);
        return client;
    }
    QJsonArray projects(const QString &token) const
    {
        return http(token).get(u"v1/projects"_qs).json().value(u"projects"_qs).toArray();
    }

    ServerProcess m_server;
};

void tst_ServerProjects::initTestCase()
{
    QVERIFY2(m_server.start(
                 {u"--user"_qs, u"demo="_qs + demoToken, u"--user"_qs, u"other="_qs + otherToken}),
             qPrintable(m_server.errorString()));
}

void tst_ServerProjects::cleanup()
{
    // Each test starts without projects.
    for (const QString &token : {demoToken, otherToken}) {
        for (const QJsonValue &value : projects(token)) {
            const QJsonObject p = value.toObject();
            http(token).del(u"v1/projects/"_qs + p.value(u"org"_qs).toString() + u'/' +
                            p.value(u"slug"_qs).toString());
        }
    }
}

void tst_ServerProjects::listsOrganisations()
{
    const auto reply = http(demoToken).get(u"v1/orgs"_qs);
    QCOMPARE(reply.status, 200);
    const QJsonArray orgs = reply.json().value(u"orgs"_qs).toArray();
    QCOMPARE(orgs.size(), 2);
    QCOMPARE(orgs.at(0).toObject(), (QJsonObject{{u"slug"_qs, u"demo"_qs},
                                                 {u"personal"_qs, true},
                                                 {u"name"_qs, u"Demo Director"_qs}}));
    QCOMPARE(orgs.at(1).toObject(), (QJsonObject{{u"slug"_qs, u"harbour-pictures"_qs},
                                                 {u"personal"_qs, false},
                                                 {u"name"_qs, u"Harbour Pictures"_qs}}));

    const QJsonArray others =
        http(otherToken).get(u"v1/orgs"_qs).json().value(u"orgs"_qs).toArray();
    QCOMPARE(others.size(), 1);
    QCOMPARE(others.first().toObject().value(u"slug"_qs).toString(), u"other"_qs);
}

void tst_ServerProjects::listsAgentModels()
{
    const auto reply = http(demoToken).get(u"v1/agent/models"_qs);
    QCOMPARE(reply.status, 200);
    const QJsonArray models = reply.json().value(u"models"_qs).toArray();
    QVERIFY(!models.isEmpty());
    for (const QJsonValue &value : models) {
        const QJsonObject model = value.toObject();
        for (const QString &key : {u"id"_qs, u"provider"_qs, u"label"_qs, u"detail"_qs})
            QVERIFY2(!model.value(key).toString().isEmpty(), qPrintable(key));
        QVERIFY(model.value(u"context"_qs).toInteger() > 0);
    }
}

void tst_ServerProjects::createsFromTemplate_data()
{
    QTest::addColumn<QString>("org");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("deliverable");
    QTest::newRow("series") << u"demo"_qs << u"series"_qs << u"Harbour Lights"_qs << u"s1e01"_qs;
    QTest::newRow("film in the team org")
        << u"harbour-pictures"_qs << u"film"_qs << u"Night \"Tide\": a film"_qs << u"feature"_qs;
    QTest::newRow("campaign") << u"demo"_qs << u"campaign"_qs << u"Launch # Week"_qs
                              << u"spot-01"_qs;
}

void tst_ServerProjects::createsFromTemplate()
{
    QFETCH(QString, org);
    QFETCH(QString, type);
    QFETCH(QString, title);
    QFETCH(QString, deliverable);

    const auto reply =
        http(demoToken).postJson(u"v1/projects"_qs, projectBody(org, u"pilot-2"_qs, title, type));
    QCOMPARE(reply.status, 201);
    const QJsonObject project = reply.json();
    QVERIFY(!project.value(u"id"_qs).toString().isEmpty());
    QCOMPARE(project.value(u"org"_qs).toString(), org);
    QCOMPARE(project.value(u"slug"_qs).toString(), u"pilot-2"_qs);
    QCOMPARE(project.value(u"type"_qs).toString(), type);
    QCOMPARE(project.value(u"title"_qs).toString(), title);
    const QString cloneUrl = project.value(u"cloneUrl"_qs).toString();
    QCOMPARE(cloneUrl, m_server.baseUrl().toString() + u"/git/"_qs + org + u"/pilot-2.git"_qs);
    QCOMPARE(projects(demoToken), QJsonArray{project});

    QTemporaryDir scratch;
    const QString clone = scratch.filePath(u"clone"_qs);
    const auto cloned = TestGit::run(
        {u"clone"_qs, TestGit::withCredentials(cloneUrl, u"token"_qs, demoToken), clone});
    QVERIFY2(cloned.ok(), cloned.err.constData());
    QCOMPARE(TestGit::run({u"rev-parse"_qs, u"--abbrev-ref"_qs, u"HEAD"_qs}, clone).out.trimmed(),
             QByteArray("main"));

    const ShowManifest manifest = ShowYaml::parse(readText(clone + u"/slatebox.yaml"_qs));
    QCOMPARE(ProjectTypes::rawValue(manifest.type), type);
    QCOMPARE(manifest.title, title);
    QCOMPARE(manifest.deliverables.size(), 1);
    QCOMPARE(manifest.deliverables.first().slug, deliverable);

    const QString folder = clone + u"/deliverables/"_qs + deliverable;
    QVERIFY(!readText(folder + u"/script.fountain"_qs).isEmpty());
    const QList<CutScene> scenes = ShotsOutline::parse(readText(folder + u"/shots.yaml"_qs));
    QCOMPARE(scenes.size(), 2);
    qsizetype shots = 0;
    for (const CutScene &scene : scenes) {
        QVERIFY(scene.slugline.has_value());
        for (const CutShot &shot : scene.shots) {
            ++shots;
            QVERIFY(shot.duration > 0);
            QVERIFY(shot.intent.has_value());
            for (const CutCastMember &member : shot.cast)
                QVERIFY2(QFile::exists(clone + u'/' + member.ref + u"/appearance.yaml"_qs),
                         qPrintable(member.ref));
        }
    }
    QCOMPARE(shots, 4);
    QCOMPARE(ShotsOutline::videoModel(readText(folder + u"/shots.yaml"_qs)),
             std::optional<QString>(u"seedance-2.5"_qs));

    // The client's loader reads the clone as a whole and opens on the deliverable's script.
    const LoadedProject loaded = ProjectLoader::read(clone, org, u"pilot-2"_qs);
    QCOMPARE(loaded.title, title);
    QCOMPARE(loaded.openingTab,
             std::optional<QString>(u"deliverables/"_qs + deliverable + u"/script.fountain"_qs));
    for (const QString &path :
         {u"characters/mara-quinn/voice.yaml"_qs, u".slatebox/skills/logline.md"_qs,
          u".slatebox/rules/house-style.md"_qs})
        QVERIFY2(loaded.loadedContents.contains(path), qPrintable(path));

    QVERIFY(!readText(clone + u"/bible/overview.md"_qs).isEmpty());
    QVERIFY(QFile::exists(clone + u"/characters/mara-quinn/appearance.yaml"_qs));
    QVERIFY(QFile::exists(clone + u"/characters/mara-quinn/voice.yaml"_qs));
    QVERIFY(QFile::exists(clone + u"/locations/harbour-office/appearance.yaml"_qs));
    QVERIFY(!QDir(clone + u"/.slatebox/rules"_qs).entryList(QDir::Files).isEmpty());
    const QStringList skills = QDir(clone + u"/.slatebox/skills"_qs).entryList({u"*.md"_qs});
    QCOMPARE(skills.size(), 2);
    for (const QString &skill : skills)
        QVERIFY2(!skillDescription(readText(clone + u"/.slatebox/skills/"_qs + skill)).isEmpty(),
                 qPrintable(skill));
}

void tst_ServerProjects::refusesBadProject_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    const auto body = [](const QString &org, const QString &slug, const QString &title,
                         const QString &type) {
        return QJsonDocument(projectBody(org, slug, title, type)).toJson(QJsonDocument::Compact);
    };
    QTest::newRow("malformed JSON") << QByteArray("{\"org\":\"demo\",") << 400;
    QTest::newRow("not an object") << QByteArray("\"demo\"") << 400;
    QTest::newRow("missing slug") << QByteArray(
                                         "{\"org\":\"demo\",\"title\":\"T\",\"type\":\"film\"}")
                                  << 400;
    QTest::newRow("slug a number")
        << QByteArray("{\"org\":\"demo\",\"slug\":5,\"title\":\"T\",\"type\":\"film\"}") << 400;
    QTest::newRow("upper-case slug") << body(u"demo"_qs, u"Pilot"_qs, u"T"_qs, u"film"_qs) << 400;
    QTest::newRow("slug climbing out")
        << body(u"demo"_qs, u"../../etc"_qs, u"T"_qs, u"film"_qs) << 400;
    QTest::newRow("slug with slash") << body(u"demo"_qs, u"a/b"_qs, u"T"_qs, u"film"_qs) << 400;
    QTest::newRow("slug leading hyphen") << body(u"demo"_qs, u"-a"_qs, u"T"_qs, u"film"_qs) << 400;
    QTest::newRow("slug with dot") << body(u"demo"_qs, u"a.git"_qs, u"T"_qs, u"film"_qs) << 400;
    QTest::newRow("unknown org") << body(u"nowhere"_qs, u"p"_qs, u"T"_qs, u"film"_qs) << 404;
    QTest::newRow("someone else's org") << body(u"other"_qs, u"p"_qs, u"T"_qs, u"film"_qs) << 404;
    QTest::newRow("org climbing out") << body(u".."_qs, u"p"_qs, u"T"_qs, u"film"_qs) << 404;
    QTest::newRow("type capitalised") << body(u"demo"_qs, u"p"_qs, u"T"_qs, u"Film"_qs) << 400;
    QTest::newRow("empty title") << body(u"demo"_qs, u"p"_qs, u"  "_qs, u"film"_qs) << 400;
    QTest::newRow("title on two lines") << body(u"demo"_qs, u"p"_qs, u"a\nb"_qs, u"film"_qs) << 400;
}

void tst_ServerProjects::refusesBadProject()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    const QStringList before = storedEntries(m_server.dataDir());
    const auto reply = http(demoToken).post(u"v1/projects"_qs, body);
    QCOMPARE(reply.status, status);
    QVERIFY(!reply.error().isEmpty());
    QCOMPARE(projects(demoToken).size(), 0);
    QCOMPARE(storedEntries(m_server.dataDir()), before);
}

void tst_ServerProjects::refusesDuplicate()
{
    const QJsonObject body = projectBody(u"demo"_qs, u"twin"_qs, u"Twin"_qs, u"film"_qs);
    QCOMPARE(http(demoToken).postJson(u"v1/projects"_qs, body).status, 201);
    const auto again = http(demoToken).postJson(u"v1/projects"_qs, body);
    QCOMPARE(again.status, 409);
    QVERIFY(again.error().contains(u"already exists"_qs));
    QCOMPARE(projects(demoToken).size(), 1);
    // The same slug in another organisation is another project.
    QCOMPARE(http(demoToken)
                 .postJson(u"v1/projects"_qs,
                           projectBody(u"harbour-pictures"_qs, u"twin"_qs, u"Twin"_qs, u"film"_qs))
                 .status,
             201);
}

void tst_ServerProjects::concurrentCreationsMakeOneProject()
{
    // Several clients ask for the same project at the same moment: one gets it, the others are
    // told it exists, and the one repository is whole.
    QNetworkAccessManager manager;
    QList<QNetworkReply *> replies;
    const QByteArray body =
        QJsonDocument(projectBody(u"demo"_qs, u"race"_qs, u"Race"_qs, u"series"_qs))
            .toJson(QJsonDocument::Compact);
    for (int i = 0; i < 6; ++i) {
        QNetworkRequest request(QUrl(m_server.baseUrl().toString() + u"/v1/projects"_qs));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        request.setRawHeader("Authorization", "Bearer " + demoToken.toUtf8());
        replies.append(manager.post(request, body));
    }
    QMap<int, int> statuses;
    for (QNetworkReply *reply : replies) {
        if (!reply->isFinished())
            QVERIFY(QTest::qWaitFor([reply] { return reply->isFinished(); }, 30000));
        ++statuses[reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt()];
        reply->deleteLater();
    }
    QCOMPARE(statuses.value(201), 1);
    QCOMPARE(statuses.value(409), 5);
    QCOMPARE(projects(demoToken).size(), 1);
    QTemporaryDir scratch;
    const auto cloned = TestGit::run(
        {u"clone"_qs,
         TestGit::withCredentials(m_server.baseUrl().toString() + u"/git/demo/race.git"_qs,
                                  u"token"_qs, demoToken),
         scratch.filePath(u"race"_qs)});
    QVERIFY2(cloned.ok(), cloned.err.constData());
    QVERIFY(QFile::exists(scratch.filePath(u"race/deliverables/s1e01/shots.yaml"_qs)));
}

void tst_ServerProjects::deletesProjectAndRepository()
{
    const QJsonObject body = projectBody(u"demo"_qs, u"short-lived"_qs, u"Short"_qs, u"series"_qs);
    QCOMPARE(http(demoToken).postJson(u"v1/projects"_qs, body).status, 201);
    const QString repository = m_server.dataDir() + u"/git/demo/short-lived.git"_qs;
    QVERIFY(QFileInfo(repository).isDir());

    const auto deleted = http(demoToken).del(u"v1/projects/demo/short-lived"_qs);
    QCOMPARE(deleted.status, 200);
    QVERIFY(projects(demoToken).isEmpty());
    QVERIFY(!QFileInfo::exists(repository));
    QVERIFY(QDir(m_server.dataDir() + u"/tmp"_qs).isEmpty());

    const auto again = http(demoToken).del(u"v1/projects/demo/short-lived"_qs);
    QCOMPARE(again.status, 404);
    QVERIFY(!again.error().isEmpty());
    QCOMPARE(http(demoToken).del(u"v1/projects/demo/..%2F..%2Fetc"_qs).status, 404);

    // The slug is free again, and the new project starts from the template, not the old one.
    QCOMPARE(http(demoToken).postJson(u"v1/projects"_qs, body).status, 201);
}

void tst_ServerProjects::keepsUsersApart()
{
    QCOMPARE(http(demoToken)
                 .postJson(u"v1/projects"_qs,
                           projectBody(u"demo"_qs, u"private"_qs, u"Mine"_qs, u"film"_qs))
                 .status,
             201);
    QVERIFY(projects(otherToken).isEmpty());
    QCOMPARE(http(otherToken).del(u"v1/projects/demo/private"_qs).status, 404);
    QCOMPARE(projects(demoToken).size(), 1);
}

QTEST_GUILESS_MAIN(tst_ServerProjects)
#include "tst_ServerProjects.moc"
