/* The command lines of the archive libraries, one rule for the program that writes them
 * and for the libraries that read them.
 *
 * A command is a NUL-terminated byte string: texts are UTF-8, file names the file
 * system's own bytes. Arguments are separated by spaces or tabs.
 *  - An argument that starts with a double quote is quoted. It runs to the next double
 *    quote that is not escaped; inside it, \" stands for a double quote and \\ for one
 *    backslash, and every other byte (a lone backslash, a line break) for itself. The
 *    closing quote must be followed by a space, a tab or the end of the command.
 *  - Any other argument runs to the next space or tab and is taken as it is. A bare
 *    argument that starts with "-" is an option; a quoted one never is.
 *
 * zelmo_command_quote escapes every backslash and double quote, so a quoted name comes
 * back byte for byte and can never turn into an option or a second argument. A command
 * whose quote is not closed, or whose closing quote is glued to more text, is refused as
 * a whole. */
#ifndef ZELMO_COMMAND_LINE_H
#define ZELMO_COMMAND_LINE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ZelmoCommand {
    int count;
    char** args;           /* count NUL-terminated arguments, unescaped */
    unsigned char* quoted; /* count flags: 1 when the argument was quoted */
} ZelmoCommand;

/* 0 with *out filled (free it with zelmo_command_free); -1 for a malformed command or
 * when memory runs out, with *out empty. */
int zelmo_command_parse(const char* command, ZelmoCommand* out);
void zelmo_command_free(ZelmoCommand* command);
/* 1 when argument i is an option (bare and starting with "-"). */
int zelmo_command_is_option(const ZelmoCommand* command, int i);

/* Writes the quoted form of the len bytes at arg into out (NUL-terminated when cap > 0,
 * cut to fit) and returns its full length without the NUL; cap 0 measures. */
size_t zelmo_command_quote(const char* arg, size_t len, char* out, size_t cap);

#ifdef __cplusplus
}
#endif

#endif
