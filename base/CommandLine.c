/* The command-line rule of the archive libraries: see CommandLine.h. */
#include "base/CommandLine.h"

#include <stdlib.h>
#include <string.h>

static int isSeparator(char c) {
    return c == ' ' || c == '\t';
}

void zelmo_command_free(ZelmoCommand* command) {
    if (!command)
        return;
    for (int i = 0; i < command->count; ++i)
        free(command->args[i]);
    free(command->args);
    free(command->quoted);
    command->args = NULL;
    command->quoted = NULL;
    command->count = 0;
}

/* Appends one argument of len bytes, already unescaped. */
static int append(ZelmoCommand* out, const char* text, size_t len, int quoted) {
    char** args = realloc(out->args, sizeof(char*) * (size_t)(out->count + 1));
    if (!args)
        return -1;
    out->args = args;
    unsigned char* flags = realloc(out->quoted, (size_t)(out->count + 1));
    if (!flags)
        return -1;
    out->quoted = flags;
    char* copy = malloc(len + 1);
    if (!copy)
        return -1;
    memcpy(copy, text, len);
    copy[len] = '\0';
    out->args[out->count] = copy;
    out->quoted[out->count] = (unsigned char)quoted;
    out->count++;
    return 0;
}

int zelmo_command_parse(const char* command, ZelmoCommand* out) {
    out->count = 0;
    out->args = NULL;
    out->quoted = NULL;
    if (!command)
        return -1;
    /* An argument is never longer than the command itself. */
    char* scratch = malloc(strlen(command) + 1);
    if (!scratch)
        return -1;
    const char* p = command;
    int failed = 0;
    for (;;) {
        while (isSeparator(*p))
            ++p;
        if (*p == '\0')
            break;
        size_t len = 0;
        if (*p == '"') {
            ++p;
            for (;;) {
                if (*p == '\0') {
                    failed = 1; /* the quote is never closed */
                    break;
                }
                if (*p == '"')
                    break;
                if (*p == '\\' && (p[1] == '"' || p[1] == '\\'))
                    ++p;
                scratch[len++] = *p++;
            }
            if (failed)
                break;
            ++p; /* the closing quote */
            if (*p != '\0' && !isSeparator(*p)) {
                failed = 1; /* text glued to the closing quote */
                break;
            }
            if (append(out, scratch, len, 1) != 0) {
                failed = 1;
                break;
            }
        } else {
            const char* start = p;
            while (*p != '\0' && !isSeparator(*p))
                ++p;
            if (append(out, start, (size_t)(p - start), 0) != 0) {
                failed = 1;
                break;
            }
        }
    }
    free(scratch);
    if (failed) {
        zelmo_command_free(out);
        return -1;
    }
    return 0;
}

int zelmo_command_is_option(const ZelmoCommand* command, int i) {
    if (!command || i < 0 || i >= command->count)
        return 0;
    return !command->quoted[i] && command->args[i][0] == '-';
}

size_t zelmo_command_quote(const char* arg, size_t len, char* out, size_t cap) {
    size_t need = 0;
#define PUT(c)                                                                                     \
    do {                                                                                           \
        if (need + 1 < cap)                                                                        \
            out[need] = (c);                                                                       \
        ++need;                                                                                    \
    } while (0)
    PUT('"');
    for (size_t i = 0; i < len; ++i) {
        if (arg[i] == '"' || arg[i] == '\\')
            PUT('\\');
        PUT(arg[i]);
    }
    PUT('"');
#undef PUT
    if (cap > 0)
        out[need < cap ? need : cap - 1] = '\0';
    return need;
}
