#pragma once
// A settings file of its own in a temporary folder, for tests of what is read from it
// and written to it.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class SettingsFileFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("zelmo32.INI"); }
    void write(const QByteArray& bytes) {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray readAll() const {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};
