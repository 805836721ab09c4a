/* libFuzzer target: the LZH library's memory extraction on any bytes. Each member the walk
 * finds (at most four) is read into a buffer of exactly the size asked for, so the address
 * sanitizer sees any byte written past it. One input in eight (the first byte's low three
 * bits all set) is also extracted whole with "x" into a fresh folder, which must end up
 * holding nothing but plain files and folders. */
#define _GNU_SOURCE
#include "base/CommandLine.h"
#include "outside/archive/Unlha32.h"

#include <ftw.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

int unlha_fuzz_file(const uint8_t* data, size_t size, char* path, size_t cap);

static int removeEntry(const char* path, const struct stat* st, int type, struct FTW* f) {
    (void)f;
    if (type == FTW_SL || (type == FTW_F && !S_ISREG(st->st_mode)))
        abort(); /* extraction made a link or a device */
    return remove(path);
}

static void extractWhole(const char* path) {
    char dir[] = "/tmp/fuzz-unlha-x-XXXXXX";
    if (!mkdtemp(dir))
        return;
    char command[256];
    size_t len = 2;
    memcpy(command, "x ", 2);
    len += zelmo_command_quote(path, strlen(path), command + len, sizeof command - len);
    command[len++] = ' ';
    zelmo_command_quote(dir, strlen(dir), command + len, sizeof command - len);
    char report[512];
    Unlha(NULL, command, report, sizeof report);
    nftw(dir, removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint32_t bufferSize = data[0] * 16u; /* 0 to 4080 bytes */
    char path[64];
    const int fd = unlha_fuzz_file(data + 1, size - 1, path, sizeof path);
    HARC h = UnlhaOpenArchive(NULL, path, UNLHA_OPEN_MODE);
    if (h) {
        ArchiveMemberInfo info;
        int n = 0;
        for (int rc = UnlhaFindFirst(h, "*.*", &info); rc == 0 && n < 4;
             rc = UnlhaFindNext(h, &info), ++n) {
            char command[2 * (64 + 2 * sizeof info.fileName) + 8];
            size_t len = zelmo_command_quote(path, strlen(path), command, sizeof command);
            command[len++] = ' ';
            zelmo_command_quote(info.fileName, strlen(info.fileName), command + len,
                                sizeof command - len);
            unsigned char* buffer = malloc(bufferSize ? bufferSize : 1);
            int32_t time;
            uint16_t attributes;
            uint32_t written = 0;
            if (UnlhaExtractMem(NULL, command, buffer, bufferSize, &time, &attributes, &written) ==
                    0 &&
                written > bufferSize)
                abort();
            free(buffer);
        }
        UnlhaCloseArchive(h);
        if ((data[0] & 7) == 7)
            extractWhole(path);
    }
    close(fd);
    return 0;
}
