#pragma once

#include <exception>

#include <QByteArray>
#include <QString>

// Base of every error the client shows to the user: the message is the text shown, verbatim.
class UserFacingError : public std::exception {
public:
    explicit UserFacingError(QString message)
        : m_message(std::move(message))
        , m_utf8(m_message.toUtf8())
    {
    }

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
