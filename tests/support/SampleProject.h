#pragma once

#include <QByteArray>

// The sample series the project and session tests share: "Harbour Lights", whose manifest lists
// the pilot s1e01 and s1e02 "The Ferry" as episodes 1 and 2 of season 1.
namespace SampleProject {

// The manifest's text. `pilotFields` and `ferryFields` are further lines of either episode's
// entry (indented by four spaces, each ending in a newline); `moreDeliverables` are entries
// listed after them.
inline QByteArray harbourManifest(const QByteArray &pilotFields = {},
                                  const QByteArray &ferryFields = {},
                                  const QByteArray &moreDeliverables = {})
{
    return "type: series\n"
           "title: Harbour Lights\n"
           "deliverables:\n"
           "  - slug: s1e01\n"
           "    kind: episode\n"
           "    title: Pilot\n"
           "    season: 1\n"
           "    number: 1\n" +
           pilotFields +
           "  - slug: s1e02\n"
           "    kind: episode\n"
           "    title: The Ferry\n"
           "    season: 1\n"
           "    number: 2\n" +
           ferryFields + moreDeliverables;
}

} // namespace SampleProject
