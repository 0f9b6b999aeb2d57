#include "ClipRenderer.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "ChildProcess.h"

namespace {

constexpr auto fontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

bool writeText(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

// Texts come from files so that no character of a shot id needs escaping inside the filter
// graph; the folder's own path is made by QTemporaryDir and holds no filter syntax.
QString filterGraph(const QString &folder)
{
    const QString common = QStringLiteral(":fontfile=") + QString::fromLatin1(fontFile) +
                           QStringLiteral(":expansion=none:fontcolor=white:x=(w-text_w)/2");
    return QStringLiteral("drawtext=textfile=") + folder + QStringLiteral("/id.txt") + common +
           QStringLiteral(":fontsize=96:y=(h-text_h)/2-40,") +
           QStringLiteral("drawtext=textfile=") + folder + QStringLiteral("/model.txt") + common +
           QStringLiteral(":fontsize=36:y=h/2+60");
}

} // namespace

namespace ClipRenderer {

std::optional<QByteArray> render(const QString &shotId, const QString &model, QString *error)
{
    QTemporaryDir folder;
    if (!folder.isValid() || !writeText(folder.filePath(QStringLiteral("id.txt")), shotId) ||
        !writeText(folder.filePath(QStringLiteral("model.txt")), model)) {
        *error = QStringLiteral("could not prepare the render folder");
        return std::nullopt;
    }
    const QString output = folder.filePath(QStringLiteral("clip.mp4"));
    const QStringList arguments{
        QStringLiteral("-hide_banner"),
        QStringLiteral("-loglevel"),
        QStringLiteral("error"),
        QStringLiteral("-nostdin"),
        QStringLiteral("-y"),
        QStringLiteral("-f"),
        QStringLiteral("lavfi"),
        QStringLiteral("-i"),
        QStringLiteral("color=c=0x1d2b3a:s=1280x720:r=24:d=%1").arg(clipSeconds),
        QStringLiteral("-vf"),
        filterGraph(folder.path()),
        QStringLiteral("-c:v"),
        QStringLiteral("libx264"),
        QStringLiteral("-preset"),
        QStringLiteral("veryfast"),
        QStringLiteral("-pix_fmt"),
        QStringLiteral("yuv420p"),
        QStringLiteral("-movflags"),
        QStringLiteral("+faststart"),
        output};
    const QString program = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (program.isEmpty()) {
        *error = QStringLiteral("ffmpeg is not installed");
        return std::nullopt;
    }
    const ChildProcess::Result run =
        ChildProcess::run(program, arguments, {QStringLiteral("LC_ALL=C")});
    if (!run.ok()) {
        *error = run.started ? QStringLiteral("ffmpeg failed: ") +
                                   QString::fromUtf8(run.err + run.out).trimmed().left(500)
                             : QStringLiteral("ffmpeg could not be started: ") + run.error;
        return std::nullopt;
    }
    QFile clip(output);
    if (!clip.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("ffmpeg wrote no clip");
        return std::nullopt;
    }
    return clip.readAll();
}

} // namespace ClipRenderer
