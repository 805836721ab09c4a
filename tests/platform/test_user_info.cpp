#include "platform/UserInfo.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

using namespace platform;

TEST(UserInfo, FullNameIsTheCommentFieldBeforeTheFirstComma) {
    EXPECT_EQ(fullNameFromGecos("Ann Smith,Room 12,555-1234,"), QStringLiteral("Ann Smith"));
    EXPECT_EQ(fullNameFromGecos("Ann Smith"), QStringLiteral("Ann Smith"));
    EXPECT_EQ(fullNameFromGecos(",,,"), QString());
    EXPECT_EQ(fullNameFromGecos(""), QString());
    EXPECT_EQ(fullNameFromGecos("山田 太郎,"), QStringLiteral("山田 太郎"));
    // A comment field written in Shift-JIS still reads as Japanese.
    EXPECT_EQ(fullNameFromGecos("\x83\x5b\x83\x8b,x"), QStringLiteral("ゼル"));
}

TEST(UserInfo, RealEntryMatchesThePasswdDatabase) {
    const passwd* pw = getpwuid(getuid());
    const QString expected = pw && pw->pw_gecos ? fullNameFromGecos(pw->pw_gecos) : QString();
    EXPECT_EQ(passwdFullName(), expected);
}

TEST(UserInfo, ReadUserNameFallsBackToOyabun) {
    SetUserNameSource([] { return QStringLiteral("Ann"); });
    EXPECT_EQ(ReadUserName(), QStringLiteral("Ann"));
    SetUserNameSource([] { return QString(); });
    EXPECT_EQ(ReadUserName(), QStringLiteral("親分"));
    SetUserNameSource(nullptr);
    const QString real = passwdFullName();
    EXPECT_EQ(ReadUserName(), real.isEmpty() ? QStringLiteral("親分") : real);
}
