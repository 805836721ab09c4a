#include "platform/DesktopEntry.h"

#include "platform/TextCodec.h"

namespace platform {

namespace {
// The escapes of a string value: \s \n \t \r \\.
QString unescapeValue(const QString& v) {
    QString out;
    out.reserve(v.size());
    for (qsizetype i = 0; i < v.size(); ++i) {
        QChar c = v.at(i);
        if (c == '\\' && i + 1 < v.size()) {
            QChar n = v.at(++i);
            switch (n.unicode()) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                out += '\\';
                out += n;
                break;
            }
        } else {
            out += c;
        }
    }
    return out;
}

// Splits Exec= into words by its own quoting rules; a quoted word keeps its field codes
// literal only where the rules say so, which we honour by marking such words.
struct ExecWord {
    QString text;
    bool quoted = false;
};

std::optional<QList<ExecWord>> splitExec(const QString& exec) {
    QList<ExecWord> words;
    ExecWord cur;
    bool inWord = false, inQuote = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        QChar c = exec.at(i);
        if (inQuote) {
            if (c == '"') {
                inQuote = false;
            } else if (c == '\\' && i + 1 < exec.size() &&
                       QStringLiteral("\"`$\\").contains(exec.at(i + 1))) {
                cur.text += exec.at(++i);
            } else {
                cur.text += c;
            }
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord)
                words.append(cur);
            cur = {};
            inWord = false;
        } else if (c == '"') {
            inQuote = true;
            inWord = true;
            cur.quoted = true;
        } else {
            cur.text += c;
            inWord = true;
        }
    }
    if (inQuote)
        return std::nullopt;
    if (inWord)
        words.append(cur);
    return words;
}
} // namespace

std::optional<DesktopEntry> parseDesktopEntry(const QByteArray& content) {
    const QString text = decodeText(content);
    DesktopEntry e;
    bool inGroup = false, found = false;
    for (QStringView line : QStringView(text).split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            if (found && inGroup)
                break; // only the first [Desktop Entry] group counts
            inGroup = line == QLatin1String("[Desktop Entry]");
            found = found || inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QStringView key = line.left(eq).trimmed();
        const QString value = unescapeValue(line.mid(eq + 1).trimmed().toString());
        if (key == QLatin1String("Type"))
            e.type = value;
        else if (key == QLatin1String("Name"))
            e.name = value;
        else if (key == QLatin1String("Exec"))
            e.exec = value;
        else if (key == QLatin1String("Path"))
            e.path = value;
        else if (key == QLatin1String("Icon"))
            e.icon = value;
        else if (key == QLatin1String("URL"))
            e.url = value;
        else if (key == QLatin1String("Terminal"))
            e.terminal = value == QLatin1String("true");
    }
    if (!found)
        return std::nullopt;
    return e;
}

std::optional<QStringList> expandDesktopExec(const DesktopEntry& entry, const QStringList& files,
                                             const QString& entryFile) {
    auto words = splitExec(entry.exec);
    if (!words || words->isEmpty())
        return std::nullopt;
    QStringList out;
    for (const ExecWord& w : *words) {
        // A field code standing alone may become several arguments or none.
        if (!w.quoted && w.text.size() == 2 && w.text.at(0) == '%') {
            switch (w.text.at(1).unicode()) {
            case 'f':
            case 'u':
                if (!files.isEmpty())
                    out += files.first();
                continue;
            case 'F':
            case 'U':
                out += files;
                continue;
            case 'i':
                if (!entry.icon.isEmpty())
                    out << QStringLiteral("--icon") << entry.icon;
                continue;
            default:
                break;
            }
        }
        QString arg;
        for (qsizetype i = 0; i < w.text.size(); ++i) {
            QChar c = w.text.at(i);
            if (c != '%' || i + 1 >= w.text.size()) {
                arg += c;
                continue;
            }
            QChar code = w.text.at(++i);
            switch (code.unicode()) {
            case '%':
                arg += '%';
                break;
            case 'f':
            case 'u':
                if (!files.isEmpty())
                    arg += files.first();
                break;
            case 'F':
            case 'U':
                arg += files.join(' ');
                break;
            case 'c':
                arg += entry.name;
                break;
            case 'k':
                arg += entryFile;
                break;
            case 'i':
                arg += entry.icon;
                break;
            default:
                break; // deprecated or unknown codes vanish
            }
        }
        out += arg;
    }
    if (out.first().isEmpty())
        return std::nullopt;
    return out;
}

} // namespace platform
