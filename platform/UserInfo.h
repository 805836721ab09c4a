#pragma once
// The user's name, behind a replaceable source so tests can fix it.
#include <QString>
#include <functional>

namespace platform {

// The full-name field of the user's passwd entry (text before the first comma); empty
// when there is none.
QString passwdFullName();

// The name the program addresses the user by: passwdFullName(), or "親分".
QString ReadUserName();
void SetUserNameSource(std::function<QString()> source); // tests; null restores the real one

} // namespace platform
