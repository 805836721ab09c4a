#pragma once
// Errors that travel up to the application's top-level handler, which shows their
// text in an error box and lets the program run on.
#include <QString>
#include <stdexcept>

class EZelmoError : public std::runtime_error {
public:
    explicit EZelmoError(const QString& text)
        : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

// A settings file (or other file) that cannot be written.
class EWriteError : public EZelmoError {
public:
    explicit EWriteError(const QString& path)
        : EZelmoError(QStringLiteral("%1 に書き込めません").arg(path)), path_(path) {}
    const QString& path() const { return path_; }

private:
    QString path_;
};
