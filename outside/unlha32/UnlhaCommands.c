/* libunlha32.so: the commands. "x" and "e" extract a whole archive into a folder, with and
 * without the members' folders; UnlhaExtractMem reads one member into memory. Commands
 * follow the quoting rule of CommandLine.h, so a quoted name is always one argument and
 * never an option. */
#include "base/CommandLine.h"
#include "outside/archive/ArchiveExtract.h"
#include "outside/unlha32/UnlhaInternal.h"

#pragma GCC visibility push(default)
#include "outside/archive/Unlha32.h"
#pragma GCC visibility pop

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void report(char* out, uint32_t size, const char* text) {
    if (!out || size == 0)
        return;
    snprintf(out, size, "%s", text);
}

/* 1 when argument i names something: present, and not an option. */
static int isName(const ZelmoCommand* c, int i) {
    return i < c->count && !zelmo_command_is_option(c, i) && c->args[i][0] != '\0';
}

/* The destination without the one separator ("/" or "\\") the program appends; the root
 * "/" stays, and a folder whose own name ends in "\\" keeps it. NULL when memory runs out. */
static char* folderOf(const char* destination) {
    size_t len = strlen(destination);
    if (len > 1 && (destination[len - 1] == '/' || destination[len - 1] == '\\'))
        --len;
    return strndup(destination, len);
}

int Unlha(void* owner, const char* command, char* out, uint32_t size) {
    (void)owner;
    report(out, size, "");
    ZelmoCommand c;
    if (zelmo_command_parse(command, &c) != 0) {
        report(out, size, "malformed command\n");
        return UNLHA_ERR_COMMAND;
    }
    int flat = -1;
    if (c.count > 0 && !c.quoted[0]) {
        if (strcmp(c.args[0], "x") == 0 || strcmp(c.args[0], "X") == 0)
            flat = 0;
        else if (strcmp(c.args[0], "e") == 0 || strcmp(c.args[0], "E") == 0)
            flat = 1;
    }
    if (flat < 0 || c.count != 3 || !isName(&c, 1) || !isName(&c, 2)) {
        zelmo_command_free(&c);
        report(out, size, "usage: x|e archive destination\n");
        return UNLHA_ERR_COMMAND;
    }
    if (unlha_begin_running() != 0) {
        zelmo_command_free(&c);
        report(out, size, "another command is running\n");
        return UNLHA_ERR_RUNNING;
    }
    char* folder = folderOf(c.args[2]);
    const int rc =
        folder ? zelmo_extract_all(c.args[1], ZELMO_ARCHIVE_LZH, folder, flat, NULL, out, size)
               : UNLHA_ERR_NO_MEMORY;
    free(folder);
    unlha_end_running();
    zelmo_command_free(&c);
    return rc;
}

int UnlhaExtractMem(void* owner, const char* command, unsigned char* buffer, uint32_t size,
                    int32_t* time, uint16_t* attributes, uint32_t* written) {
    (void)owner;
    if (written)
        *written = 0;
    if (!buffer && size > 0)
        return UNLHA_ERR_BUFFER;
    ZelmoCommand c;
    if (zelmo_command_parse(command, &c) != 0)
        return UNLHA_ERR_COMMAND;
    if (c.count != 2 || !isName(&c, 0) || !isName(&c, 1)) {
        zelmo_command_free(&c);
        return UNLHA_ERR_COMMAND;
    }
    uint32_t count = 0;
    int64_t mtime = 0;
    uint16_t attr = 0;
    const int rc = zelmo_extract_member(c.args[0], ZELMO_ARCHIVE_LZH, c.args[1], buffer, size,
                                        &count, &mtime, &attr);
    zelmo_command_free(&c);
    if (rc != 0)
        return rc;
    if (written)
        *written = count > size ? size : count;
    if (time)
        *time = mtime < INT32_MIN ? INT32_MIN : mtime > INT32_MAX ? INT32_MAX : (int32_t)mtime;
    if (attributes)
        *attributes = attr;
    return 0;
}
