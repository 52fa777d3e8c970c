#pragma once
#include <QString>
#include <stdexcept>

// A failed statement or open; what() and message() carry the engine's text.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};
