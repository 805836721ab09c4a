#include "platform/Shell.h"

#include "platform/DesktopEntry.h"
#include "platform/DetachedProcess.h"
#include "platform/FileProbe.h"
#include "platform/FsName.h"

#include <QDir>
#include <QMimeDatabase>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <cerrno>

namespace platform {

namespace {
ShellRecorder* g_recorder = nullptr;

QString fileNamePart(const QString& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

bool isExplorer(const QString& file) {
    const QString name = fileNamePart(file);
    return name.compare(QLatin1String("explorer"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("explorer.exe"), Qt::CaseInsensitive) == 0;
}

// The folder to show for a target: the target itself, the folder of a file, or the
// nearest folder above something that no longer exists.
QString nearestFolder(const QString& target) {
    if (target.isEmpty())
        return QDir::homePath();
    QString p = absolutePath(target);
    if (pathIsFile(p))
        p = EntryFolder(p);
    while (!p.isEmpty() && !pathIsDirectory(p)) {
        const QString up = EntryFolder(p);
        if (up == p)
            break;
        p = up;
    }
    return p.isEmpty() || !pathIsDirectory(p) ? QDir::homePath() : p;
}

// A bare program name is looked for in the working directory, then on PATH, the way
// the shell finds "notepad"; anything else is taken against our current directory.
QString resolveFile(const QString& file, const QString& directory) {
    if (file.contains('/'))
        return absolutePath(file);
    if (!directory.isEmpty()) {
        const QString inDir = absolutePath(directory + '/' + file);
        if (pathExists(inDir))
            return inDir;
    }
    const QString onPath = QStandardPaths::findExecutable(file);
    if (!onPath.isEmpty())
        return onPath;
    return absolutePath(file);
}

ShellPlan openWith(const DesktopServices& services, const QString& target,
                   const QString& directory) {
    ShellPlan plan;
    if (services.opener.isEmpty()) {
        plan.result = kShellNoAssociation;
        return plan;
    }
    plan.program = services.opener.first();
    plan.arguments = services.opener.mid(1);
    plan.arguments += target;
    plan.workingDirectory = directory;
    return plan;
}

ShellPlan planDesktopEntry(const QString& file, const QString& parameters, const QString& directory,
                           const DesktopServices& services) {
    ShellPlan plan;
    const auto content = readWholeFile(file, 1 << 20);
    const auto entry = content ? parseDesktopEntry(*content) : std::nullopt;
    if (!entry) {
        plan.result = kShellNoAssociation;
        return plan;
    }
    if (entry->type == QLatin1String("Link")) {
        if (entry->url.isEmpty()) {
            plan.result = kShellNoAssociation;
            return plan;
        }
        return openWith(services, entry->url, directory);
    }
    auto argv = expandDesktopExec(*entry, SplitCommandLine(parameters), file);
    if (!argv) {
        plan.result = kShellNoAssociation;
        return plan;
    }
    QString program = argv->takeFirst();
    if (!program.contains('/'))
        program = QStandardPaths::findExecutable(program);
    if (program.isEmpty() || !pathIsExecutable(program)) {
        // The application it names is gone, like a shortcut whose target was deleted.
        plan.result = kShellFileNotFound;
        return plan;
    }
    if (entry->terminal) {
        const QString term = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
        if (!term.isEmpty()) {
            argv->prepend(program);
            argv->prepend(QStringLiteral("-e"));
            program = term;
        }
    }
    plan.program = program;
    plan.arguments = *argv;
    plan.workingDirectory = entry->path.isEmpty() ? directory : entry->path;
    return plan;
}

bool documentHasApplication(const QString& file, const DesktopServices& services) {
    if (!services.hasApplication)
        return true;
    static const QMimeDatabase db;
    const QMimeType type =
        db.mimeTypeForFileNameAndData(fileNamePart(file), readFileHead(file, 4096));
    if (services.hasApplication(type.name()))
        return true;
    for (const QString& parent : type.allAncestors()) {
        if (parent != QLatin1String("application/octet-stream") && services.hasApplication(parent))
            return true;
    }
    return false;
}

QString runQuiet(const QString& program, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished(1000);
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}
} // namespace

QString EntryFolder(const QString& path) {
    const qsizetype i = path.lastIndexOf('/');
    if (i < 0)
        return {};
    if (i == 0)
        return QStringLiteral("/");
    return path.left(i);
}

QStringList SplitCommandLine(const QString& s) {
    QStringList args;
    QString cur;
    bool inArg = false, inQuote = false;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s.at(i);
        if (!inQuote && (c == ' ' || c == '\t')) {
            if (inArg)
                args.append(cur);
            cur.clear();
            inArg = false;
            ++i;
            continue;
        }
        inArg = true;
        if (c == '\\') {
            qsizetype j = i;
            while (j < n && s.at(j) == '\\')
                ++j;
            const qsizetype count = j - i;
            if (j < n && s.at(j) == '"') {
                cur += QString(count / 2, '\\');
                if (count % 2) {
                    cur += '"';
                    i = j + 1;
                } else {
                    i = j; // the quote groups, handled next
                }
            } else {
                cur += QString(count, '\\');
                i = j;
            }
            continue;
        }
        if (c == '"') {
            if (inQuote && i + 1 < n && s.at(i + 1) == '"') {
                cur += '"';
                i += 2;
                continue;
            }
            inQuote = !inQuote;
            ++i;
            continue;
        }
        cur += c;
        ++i;
    }
    if (inArg)
        args.append(cur);
    return args;
}

QString QuoteArgument(const QString& arg) {
    QString out(QLatin1Char('"'));
    qsizetype slashes = 0;
    for (QChar c : arg) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        if (c == '"') {
            out += QString(2 * slashes + 1, '\\');
            out += '"';
        } else {
            out += QString(slashes, '\\');
            out += c;
        }
        slashes = 0;
    }
    out += QString(2 * slashes, '\\');
    out += '"';
    return out;
}

QString ExplorerTarget(const QString& parameters) {
    static const QLatin1String switches[] = {QLatin1String("/n,"), QLatin1String("/e,"),
                                             QLatin1String("/root,"), QLatin1String("/select,")};
    QString s = parameters.trimmed();
    for (bool again = true; again;) {
        again = false;
        for (const auto& sw : switches) {
            if (s.startsWith(sw, Qt::CaseInsensitive)) {
                s = s.mid(sw.size());
                again = true;
            }
        }
    }
    if (s.compare(QLatin1String("/n"), Qt::CaseInsensitive) == 0 ||
        s.compare(QLatin1String("/e"), Qt::CaseInsensitive) == 0)
        return {};
    if (s.size() >= 2 && s.startsWith('"') && s.endsWith('"'))
        s = s.mid(1, s.size() - 2);
    return s;
}

DesktopServices systemDesktopServices() {
    DesktopServices s;
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (!xdgOpen.isEmpty())
        s.opener = {xdgOpen};
    else if (!gio.isEmpty())
        s.opener = {gio, QStringLiteral("open")};
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (!xdgMime.isEmpty()) {
        s.hasApplication = [xdgMime](const QString& mime) {
            return !runQuiet(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), mime})
                        .trimmed()
                        .isEmpty();
        };
    } else if (!gio.isEmpty()) {
        s.hasApplication = [gio](const QString& mime) {
            return runQuiet(gio, {QStringLiteral("mime"), mime})
                .startsWith(QLatin1String("Default application for"));
        };
    }
    return s;
}

ShellPlan PlanShellStart(const QString& file, const QString& parameters, const QString& directory,
                         const DesktopServices& services) {
    if (isExplorer(file))
        return openWith(services, nearestFolder(ExplorerTarget(parameters)), QString());

    ShellPlan plan;
    if (file.isEmpty()) {
        plan.result = kShellFileNotFound;
        return plan;
    }
    const QString path = resolveFile(file, directory);
    if (!pathExists(path)) {
        plan.result = pathIsDirectory(EntryFolder(path)) ? kShellFileNotFound : kShellPathNotFound;
        return plan;
    }
    if (pathIsDirectory(path))
        return openWith(services, path, directory);

    const QByteArray head = readFileHead(path, 4);
    if ((head.startsWith("\x7f"
                         "ELF") ||
         head.startsWith("#!")) &&
        pathIsExecutable(path)) {
        plan.program = path;
        plan.arguments = SplitCommandLine(parameters);
        plan.workingDirectory = directory;
        return plan;
    }
    if (path.endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive))
        return planDesktopEntry(path, parameters, directory, services);
    if (!documentHasApplication(path, services)) {
        plan.result = kShellNoAssociation;
        return plan;
    }
    return openWith(services, path, directory);
}

int RunShellPlan(const ShellPlan& plan) {
    if (plan.result <= 32)
        return plan.result;
    QList<QByteArray> args;
    args.reserve(plan.arguments.size());
    for (const QString& a : plan.arguments)
        args.append(toFsBytes(a));
    const SpawnResult r =
        spawnDetached(toFsBytes(plan.program), args, toFsBytes(plan.workingDirectory));
    switch (r.stage) {
    case SpawnResult::Started:
        return kShellStarted;
    case SpawnResult::ForkFailed:
        return kShellOutOfResources;
    case SpawnResult::DirectoryFailed:
        return r.error == EACCES ? kShellAccessDenied : kShellPathNotFound;
    case SpawnResult::ExecFailed:
        return r.error == EACCES ? kShellAccessDenied : kShellBadFormat;
    }
    return kShellBadFormat;
}

int ShellStart(const QString& file, const QString& parameters, const QString& directory,
               int showCmd) {
    if (g_recorder)
        return g_recorder->record({file, parameters, directory, showCmd});
    return RunShellPlan(PlanShellStart(file, parameters, directory, systemDesktopServices()));
}

ShellRecorder::ShellRecorder() {
    g_recorder = this;
}
int ShellRecorder::record(const ShellCall& call) {
    calls_.append(call);
    return answers_.isEmpty() ? kShellStarted : answers_.takeFirst();
}
ShellRecorder::~ShellRecorder() {
    if (g_recorder == this)
        g_recorder = nullptr;
}

} // namespace platform
