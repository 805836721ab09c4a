/* The members of an LZH archive for extraction; see LzhMembers.h. */
#include "outside/archive/LzhMembers.h"

#include <archive_entry.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

int zelmo_lzh_open(ZelmoLzhMembers* m, const char* path) {
    memset(m, 0, sizeof *m);
    if (lha_walk_open(&m->walk, path) != 0)
        return -1;
    m->entry = archive_entry_new();
    if (!m->entry) {
        lha_walk_close(&m->walk);
        return -1;
    }
    return 0;
}

void zelmo_lzh_close(ZelmoLzhMembers* m) {
    lha_data_close(m->data);
    m->data = NULL;
    if (m->entry)
        archive_entry_free(m->entry);
    m->entry = NULL;
    lha_walk_close(&m->walk);
}

/* Fills the member's fields from the header just read. */
static void prepare(ZelmoLzhMembers* m) {
    const LhaHeader* h = &m->header;
    m->why = NULL;
    if (lha_walk_name(h, m->name, sizeof m->name) != 0) {
        snprintf(m->name, sizeof m->name, "(header at %llu)", (unsigned long long)h->offset);
        m->why = "name too long";
    }
    m->kind = lha_member_kind(h);
    archive_entry_clear(m->entry);
    archive_entry_set_filetype(m->entry, m->kind == ZELMO_MEMBER_FOLDER ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(m->entry, h->hasUnixMode ? (h->unixMode & 07777) : 0644);
    archive_entry_set_mtime(m->entry, (time_t)lha_member_time(h), 0);
    if (m->kind != ZELMO_MEMBER_FILE || m->why)
        return;
    if (!lha_data_supported(h)) {
        snprintf(m->whyText, sizeof m->whyText, "unsupported method (%.5s)", h->method);
        for (char* p = m->whyText; *p; ++p)
            if ((unsigned char)*p < 0x20 || (unsigned char)*p >= 0x7F)
                *p = '?';
        m->why = m->whyText;
        return;
    }
    const char* why = NULL;
    m->data = lha_data_open(m->walk.fd, h, &why);
    if (!m->data) {
        m->why = why;
        return;
    }
    uint64_t size = h->original;
    lha_data_macbinary_size(m->data, &size);
    archive_entry_set_size(m->entry, (la_int64_t)size);
}

int zelmo_lzh_next(ZelmoLzhMembers* m, uint64_t* damaged) {
    lha_data_close(m->data);
    m->data = NULL;
    *damaged = UINT64_MAX;
    const int rc = lha_walk_next(&m->walk, &m->header);
    if (m->walk.damaged != m->damagedSeen) {
        m->damagedSeen = m->walk.damaged;
        *damaged = m->walk.damagedAt;
    }
    if (rc != LHA_WALK_MEMBER)
        return rc == LHA_WALK_END ? 0 : -1;
    prepare(m);
    return 1;
}

int zelmo_lzh_at(ZelmoLzhMembers* m, uint64_t offset) {
    lha_walk_seek(&m->walk, offset);
    uint64_t damaged;
    const int rc = zelmo_lzh_next(m, &damaged);
    return rc == 1 && m->header.offset == offset ? 1 : -1;
}

ssize_t zelmo_lzh_read(void* members, void* buf, size_t n) {
    ZelmoLzhMembers* m = members;
    if (!m->data)
        return 0;
    const ssize_t got = lha_data_read(m->data, buf, n);
    if (got < 0)
        m->why = lha_data_fault(m->data);
    return got;
}
