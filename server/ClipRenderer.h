#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

// Makes the demo renderer's output: a short, playable H.264 MP4 (1280×720, yuv420p, faststart)
// with the shot id and the model drawn on it, by running ffmpeg.
namespace ClipRenderer {

inline constexpr int clipSeconds = 3;

// None when ffmpeg is missing or fails; `error` then says why.
std::optional<QByteArray> render(const QString &shotId, const QString &model, QString *error);

} // namespace ClipRenderer
