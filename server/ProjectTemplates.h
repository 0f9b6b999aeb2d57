#pragma once

#include <QList>
#include <QString>

#include "TemplateFile.h"

enum class ProjectType;

// The files a new project starts with, per type: a manifest with one deliverable (series: the
// pilot "s1e01"; film: "feature"; campaign: "spot-01"), a bible page, one character with its
// appearance and voice, one location, the deliverable's script and a two-scene, four-shot
// `shots.yaml`, one rule and two skills.
namespace ProjectTemplates {

QList<TemplateFile> files(ProjectType type, const QString &title);

// The slug of the one deliverable a new project of `type` has.
QString deliverableSlug(ProjectType type);

// `text` as a double-quoted manifest value that reads back as `text`.
QString quoted(const QString &text);

} // namespace ProjectTemplates
