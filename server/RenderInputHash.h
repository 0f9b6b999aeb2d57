#pragma once

#include <optional>

#include <QString>

// What a render of one shot depends on, as one hex SHA-256 digest:
//
//   SHA-256( catalogModel + "\n" + the shot's own lines, each + "\n" )
//
// The shot's own lines are its "- id: <shot>" list item in the `scenes:` list and every following
// line indented deeper than that item, up to the next line that is not. Blank and comment lines
// are left out, each line loses the item's indentation and its trailing spaces, so re-indenting
// the whole file or adding a comment does not make a shot dirty; any change of a value, of the
// shot's cast, camera or beats, or of the deliverable's video model does. The scene around the
// shot and its other shots do not count.
namespace RenderInputHash {

// The video model the outline renders with, as the render service names it: "seedance-2.5" in
// `defaults: video_model:` selects "fal/bytedance/seedance-2.5"; anything else, or no value,
// "fal/minimax/h3" (the same fallback the client's model picker shows).
QString catalogModel(const QString &shotsText);

// The shot's lines as hashed (without the model line); none when the outline has no such shot.
std::optional<QString> shotLines(const QString &shotsText, const QString &shotId);

// None when the outline has no such shot.
std::optional<QString> of(const QString &shotsText, const QString &shotId);

} // namespace RenderInputHash
