#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// Base of every exception the system raises. It carries the message shown to
// the user; each unit derives its own class so callers can tell them apart.
class EVocabrixError : public std::exception {
public:
    explicit EVocabrixError(QString message) : FMessage(std::move(message)), FUtf8(FMessage.toUtf8()) {}
    const QString& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMessage;
    QByteArray FUtf8;
};

// Declares an exception class of a unit: VOCABRIX_ERROR(ELangFileError, EVocabrixError).
#define VOCABRIX_ERROR(Name, Base)                                                                 \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
    }
