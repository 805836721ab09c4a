#pragma once
// Starting a program that lives on after us, with the program, its arguments and its
// working directory handed over as the file system's own bytes (names that are not
// valid UTF-8 reach the program unchanged, which QProcess cannot promise).
#include <QByteArray>
#include <QList>

namespace platform {

struct SpawnResult {
    enum Stage { Started, ForkFailed, DirectoryFailed, ExecFailed };
    Stage stage = Started;
    int error = 0; // errno of the failing step
    bool ok() const { return stage == Started; }
};

// program must be a path (absolute or relative to the caller's current directory);
// directory empty keeps the caller's. argv[0] is the program itself. Reports exec
// failures, so a program that cannot run is never taken for a started one.
SpawnResult spawnDetached(const QByteArray& program, const QList<QByteArray>& arguments,
                          const QByteArray& directory);

} // namespace platform
