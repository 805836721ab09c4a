#pragma once
// The user's name, behind a replaceable source so tests can fix it.
#include <QString>
#include <functional>

namespace platform {

// The full-name field of the user's passwd entry (text before the first comma); empty
// when there is none.
QString passwdFullName();
// The full name in a passwd comment field ("Ann Smith,Room 1,,"): the text before the
// first comma, decoded as UTF-8 or else CP932.
QString fullNameFromGecos(const QByteArray& gecos);

// The name the program addresses the user by: passwdFullName(), or "親分".
QString ReadUserName();
void SetUserNameSource(std::function<QString()> source); // tests; null restores the real one

} // namespace platform
