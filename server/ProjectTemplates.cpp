#include "ProjectTemplates.h"

#include "core/project/ProjectType.h"

namespace {

struct Deliverable {
    QString slug;
    QString kind;
    QString title;
    QString numbering; // extra manifest lines of the entry
    QString sceneOne;  // sluglines
    QString sceneTwo;
};

Deliverable deliverableOf(ProjectType type)
{
    switch (type) {
    case ProjectType::Series:
        return {u"s1e01"_qs,
                u"episode"_qs,
                u"Pilot"_qs,
                u"    season: 1\n    number: 1\n"_qs,
                u"INT. HARBOUR OFFICE - NIGHT"_qs,
                u"EXT. QUAYSIDE - DAWN"_qs};
    case ProjectType::Film:
        return {u"feature"_qs,
                u"feature"_qs,
                u"Feature"_qs,
                {},
                u"INT. HARBOUR OFFICE - NIGHT"_qs,
                u"EXT. QUAYSIDE - DAWN"_qs};
    case ProjectType::Campaign:
        break;
    }
    return {u"spot-01"_qs,
            u"spot"_qs,
            u"Launch Spot"_qs,
            {},
            u"INT. HARBOUR OFFICE - DAY"_qs,
            u"EXT. QUAYSIDE - GOLDEN HOUR"_qs};
}

QString manifest(ProjectType type, const QString &title, const Deliverable &d)
{
    return u"type: "_qs + ProjectTypes::rawValue(type) + u"\ntitle: "_qs +
           ProjectTemplates::quoted(title) + u"\ndeliverables:\n  - slug: "_qs + d.slug +
           u"\n    kind: "_qs + d.kind + u"\n    title: "_qs + d.title + u'\n' + d.numbering;
}

QString bible(const QString &title)
{
    return u"# "_qs + title +
           u"\n\n"
           u"## Logline\n\n"
           u"A harbour master who keeps the port's secrets finds one she cannot keep.\n\n"
           u"## Tone\n\n"
           u"Quiet, salt-worn, warm under the cold. Long looks, short lines.\n\n"
           u"## World\n\n"
           u"A working harbour town at the edge of the map: fog, cranes, night shifts and the "
           u"one café that never closes.\n"_qs;
}

const char *characterBio = "# Mara Quinn\n\n"
                           "Harbour master, forties. Knows every ship by its engine note. Says "
                           "less than she knows and knows more than she should.\n";

const char *appearance = "description: >-\n"
                         "  Woman in her forties, weathered face, short grey-streaked hair,\n"
                         "  navy pea coat over a wool jumper, brass whistle on a cord.\n"
                         "age: 45\n"
                         "build: wiry\n"
                         "wardrobe: navy pea coat, wool jumper, work boots\n";

const char *voice = "description: Low, even, a coastal burr; slows down when she is angry.\n"
                    "accent: coastal\n"
                    "pitch: low\n"
                    "pace: measured\n";

const char *location = "description: >-\n"
                       "  Cramped harbour office above the quay: charts on every wall, a radio\n"
                       "  crackling, rain on the windows, one green desk lamp.\n"
                       "time_of_day: night\n"
                       "palette: sodium orange, bottle green, wet black\n";

QString script(const QString &title, const Deliverable &d)
{
    return u"Title: "_qs + title + u" — "_qs + d.title + u"\n\n"_qs + d.sceneOne +
           u"\n\n"
           u"Rain streaks the window. MARA QUINN (45) listens to the radio hiss.\n\n"
           u"MARA\n"
           u"Harbour control. Say again your name.\n\n"
           u"RADIO (V.O.)\n"
           u"No name. Just open the boom.\n\n"_qs +
           d.sceneTwo +
           u"\n\n"
           u"Fog lifts off the water. An unlit trawler sits at the quay that was empty.\n\n"
           u"MARA\n"
           u"(to herself)\n"
           u"You were never here.\n"_qs;
}

QString shots(const Deliverable &d)
{
    return u"# Shot list: two scenes, four shots.\n"
           u"defaults:\n"
           u"  video_model: seedance-2.5\n"
           u"scenes:\n"
           u"  - id: sc01\n"
           u"    slugline: "_qs +
           d.sceneOne +
           u"\n"
           u"    shots:\n"
           u"      - id: sc01-sh01\n"
           u"        duration: 4\n"
           u"        intent: Establish the office and Mara alone with the radio\n"
           u"        cast:\n"
           u"          - ref: characters/mara-quinn\n"
           u"            state: tired\n"
           u"        camera:\n"
           u"          framing: wide\n"
           u"          angle: eye level\n"
           u"          movement: slow push in\n"
           u"          subject: characters/mara-quinn\n"
           u"        beats:\n"
           u"          - at: 0\n"
           u"            action: Rain runs down the window\n"
           u"          - at: 2\n"
           u"            character: characters/mara-quinn\n"
           u"            text: Harbour control. Say again your name.\n"
           u"      - id: sc01-sh02\n"
           u"        duration: 3\n"
           u"        intent: The voice on the radio refuses\n"
           u"        cast:\n"
           u"          - ref: characters/mara-quinn\n"
           u"        camera:\n"
           u"          framing: close-up\n"
           u"          subject: characters/mara-quinn\n"
           u"        beats:\n"
           u"          - at: 0\n"
           u"            text: No name. Just open the boom.\n"
           u"            offscreen: true\n"
           u"  - id: sc02\n"
           u"    slugline: "_qs +
           d.sceneTwo +
           u"\n"
           u"    shots:\n"
           u"      - id: sc02-sh01\n"
           u"        duration: 5\n"
           u"        intent: The trawler appears out of the fog\n"
           u"        camera:\n"
           u"          framing: extreme wide\n"
           u"          movement: static\n"
           u"        beats:\n"
           u"          - at: 1\n"
           u"            action: Fog lifts off the water\n"
           u"      - id: sc02-sh02\n"
           u"        duration: 3\n"
           u"        intent: Mara decides to keep the secret\n"
           u"        cast:\n"
           u"          - ref: characters/mara-quinn\n"
           u"            state: resolved\n"
           u"        camera:\n"
           u"          framing: medium\n"
           u"          angle: low\n"
           u"          subject: characters/mara-quinn\n"
           u"        beats:\n"
           u"          - at: 1\n"
           u"            character: characters/mara-quinn\n"
           u"            text: You were never here.\n"_qs;
}

const char *rule = "# House style\n\n"
                   "- Keep dialogue short: no line longer than two sentences.\n"
                   "- Sluglines in capitals: INT./EXT., place, time of day.\n"
                   "- Every shot in shots.yaml has a duration and an intent.\n";

const char *loglineSkill = "---\n"
                           "description: Write three loglines for the project from its bible\n"
                           "---\n"
                           "Read the bible and write three one-sentence loglines, each under 30 "
                           "words, each with a different emphasis (character, world, stakes).\n";

const char *shotListSkill = "---\n"
                            "description: Break the current scene of the script into shots\n"
                            "---\n"
                            "Read the active deliverable's script.fountain and add the missing "
                            "shots to its shots.yaml: an id, a duration, an intent, the cast and "
                            "the camera for each.\n";

TemplateFile file(const QString &path, const QString &text)
{
    return {path, text.toUtf8()};
}

} // namespace

QString ProjectTemplates::deliverableSlug(ProjectType type)
{
    return deliverableOf(type).slug;
}

QString ProjectTemplates::quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(u'"', u"\\\""_qs);
    return u'"' + escaped + u'"';
}

QList<TemplateFile> ProjectTemplates::files(ProjectType type, const QString &title)
{
    const Deliverable d = deliverableOf(type);
    const QString folder = u"deliverables/"_qs + d.slug + u'/';
    return {
        file(u"slatebox.yaml"_qs, manifest(type, title, d)),
        file(u"bible/overview.md"_qs, bible(title)),
        file(u"characters/mara-quinn/bio.md"_qs, QString::fromUtf8(characterBio)),
        file(u"characters/mara-quinn/appearance.yaml"_qs, QString::fromUtf8(appearance)),
        file(u"characters/mara-quinn/voice.yaml"_qs, QString::fromUtf8(voice)),
        file(u"locations/harbour-office/appearance.yaml"_qs, QString::fromUtf8(location)),
        file(folder + u"script.fountain"_qs, script(title, d)),
        file(folder + u"shots.yaml"_qs, shots(d)),
        file(u".slatebox/rules/house-style.md"_qs, QString::fromUtf8(rule)),
        file(u".slatebox/skills/logline.md"_qs, QString::fromUtf8(loglineSkill)),
        file(u".slatebox/skills/shot-list.md"_qs, QString::fromUtf8(shotListSkill)),
    };
}
