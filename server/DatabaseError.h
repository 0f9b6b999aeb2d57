#pragma once

#include <stdexcept>

#include <QString>

// A failed SQLite call; route handlers turn it into a 500 answer.
class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const QString &message)
        : std::runtime_error(message.toStdString())
    {
    }
};
