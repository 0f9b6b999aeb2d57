#pragma once

#include <optional>

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

// Everything one streamed agent turn sends, so that the demo agent and the test hook drive the
// same writer. A status other than 200 sends `body` whole and no lines.
//
// The test hook's JSON form:
//   {"status": 429, "body": "{\"error\":\"slow down\"}", "contentType": "application/json"}
//   {"steps": [{"pauseMs": 40, "event": {"delta": "Hi"}},   // "data: " + the compact object
//              {"line": "data: {not json"},                  // a raw line, sent as it stands
//              {"pauseMs": 5000},                            // a stall
//              {"drop": true}]}                              // close the connection mid-body
// A step pauses first, then writes its line or drops. After the last step the body ends; a
// `done` event is only sent when a step says so.
struct TurnScript {
    struct Step {
        int pauseMs = 0;
        std::optional<QByteArray> line; // without its line feed
        bool drop = false;
    };

    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
    QList<Step> steps;

    // `error` names the offending key when the object is not a script.
    static std::optional<TurnScript> fromJson(const QJsonObject &object, QString *error);

    void addEvent(const QJsonObject &event, int pauseMs);
};
