#include "archive/CommandQuote.h"

#include "base/CommandLine.h"

namespace archive {

QByteArray QuoteArgument(const QByteArray& argument) {
    const size_t need =
        zelmo_command_quote(argument.constData(), size_t(argument.size()), nullptr, 0);
    QByteArray quoted(qsizetype(need) + 1, '\0');
    zelmo_command_quote(argument.constData(), size_t(argument.size()), quoted.data(),
                        size_t(quoted.size()));
    quoted.chop(1);
    return quoted;
}

} // namespace archive
