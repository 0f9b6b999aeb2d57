#pragma once

#include <optional>

#include <QList>
#include <QString>

#include "core/cut/CutScene.h"

// Reader and one in-place editor of a deliverable's `shots.yaml`. Not a YAML library: a
// line-oriented reader of the one layout the outline uses, which skips whatever it does not
// understand and never fails. Lines end at line feeds; one carriage return before a line feed is
// dropped, so CR LF files read like LF files.
namespace ShotsOutline {

// The scenes in file order.
QList<CutScene> parse(const QString &text);

// The raw `video_model` value of the `defaults:` block.
std::optional<QString> videoModel(const QString &text);

// `text` with the `defaults:` block's `video_model` set to `rawValue`: the existing line is
// rewritten, or a new one is added at the end of the block. Every other byte is kept. Without a
// `defaults:` block the text comes back unchanged.
QString settingVideoModel(const QString &text, const QString &rawValue);

} // namespace ShotsOutline
