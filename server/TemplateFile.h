#pragma once

#include <QByteArray>
#include <QString>

// One file of a new project: its path inside the clone and its bytes.
struct TemplateFile {
    QString path;
    QByteArray contents;

    bool operator==(const TemplateFile &) const = default;
};
