/* One member's data through lhasa's decoders; see LhaData.h. */
#include "outside/unlha32/LhaData.h"

#include "outside/unlha32/LhaWalk.h"

#include <errno.h>
#include <lha_decoder.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

/* Compressed bytes read from the file at a time. */
#define LHA_DATA_CHUNK (64u * 1024u)
/* Seconds from 1904, the Mac's epoch, to 1970. */
#define MAC_EPOCH_OFFSET INT64_C(2082844800)

struct LhaData {
    int fd;
    int stored;        /* a method that stores the data as it is: no decoder */
    uint16_t crcSoFar; /* of a stored member's bytes read */
    uint64_t pos, end; /* compressed bytes still to read: [pos, end) of the file */
    LHADecoder* decoder;
    uint64_t original;  /* bytes the decoder gives in all */
    uint64_t decoded;   /* bytes taken from the decoder so far */
    uint64_t remaining; /* bytes read() still gives */
    uint16_t crc;
    int readFailed;
    const char* fault;
    /* The first bytes decoded when a MacBinary wrapper was looked for and not found:
     * handed out before anything else. */
    unsigned char head[LHA_MACBINARY_BYTES];
    size_t headLen, headAt;
    int macBinary;
    uint64_t forkSize;
    char why[64];
    unsigned char in[LHA_DATA_CHUNK];
    size_t inLen, inAt;
};

static size_t feed(void* buf, size_t len, void* user) {
    LhaData* d = user;
    if (d->inAt == d->inLen) {
        const uint64_t left = d->end - d->pos;
        const size_t want = left < sizeof d->in ? (size_t)left : sizeof d->in;
        if (want == 0)
            return 0;
        ssize_t n;
        do
            n = pread(d->fd, d->in, want, (off_t)d->pos);
        while (n < 0 && errno == EINTR);
        if (n <= 0) {
            d->readFailed = n < 0 ? errno : EIO;
            return 0;
        }
        d->pos += (uint64_t)n;
        d->inLen = (size_t)n;
        d->inAt = 0;
    }
    const size_t n = len < d->inLen - d->inAt ? len : d->inLen - d->inAt;
    memcpy(buf, d->in + d->inAt, n);
    d->inAt += n;
    return n;
}

/* CRC-16 (polynomial 0xA001, reflected) eight bytes at a step: stored members are read
 * at the speed of a copy. */
static uint16_t crcTable[8][256];
static pthread_once_t crcOnce = PTHREAD_ONCE_INIT;

static void makeCrcTable(void) {
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t c = (uint16_t)i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (uint16_t)((c >> 1) ^ 0xA001) : (uint16_t)(c >> 1);
        crcTable[0][i] = c;
    }
    for (unsigned i = 0; i < 256; ++i)
        for (int t = 1; t < 8; ++t)
            crcTable[t][i] =
                (uint16_t)((crcTable[t - 1][i] >> 8) ^ crcTable[0][crcTable[t - 1][i] & 0xFF]);
}

static uint16_t crc16(uint16_t crc, const unsigned char* p, size_t n) {
    for (; n >= 8; p += 8, n -= 8) {
        crc ^= (uint16_t)(p[0] | (p[1] << 8));
        crc = crcTable[7][crc & 0xFF] ^ crcTable[6][crc >> 8] ^ crcTable[5][p[2]] ^
              crcTable[4][p[3]] ^ crcTable[3][p[4]] ^ crcTable[2][p[5]] ^ crcTable[1][p[6]] ^
              crcTable[0][p[7]];
    }
    while (n--)
        crc = (uint16_t)((crc >> 8) ^ crcTable[0][(crc ^ *p++) & 0xFF]);
    return crc;
}

static int isStored(const LhaHeader* h) {
    return memcmp(h->method, "-lh0-", 5) == 0 || memcmp(h->method, "-lz4-", 5) == 0 ||
           memcmp(h->method, "-pm0-", 5) == 0;
}

/* A stored member's bytes straight from the file, as many as asked while there are any. */
static size_t readStored(LhaData* d, unsigned char* out, size_t len) {
    size_t got = 0;
    while (got < len && d->pos < d->end) {
        const uint64_t left = d->end - d->pos;
        const size_t want = len - got < left ? len - got : (size_t)left;
        const ssize_t n = pread(d->fd, out + got, want, (off_t)d->pos);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            d->readFailed = n < 0 ? errno : EIO;
            break;
        }
        d->pos += (uint64_t)n;
        got += (size_t)n;
    }
    d->crcSoFar = crc16(d->crcSoFar, out, got);
    return got;
}

static LHADecoderType* decoderFor(const LhaHeader* h) {
    char method[6];
    memcpy(method, h->method, 5);
    method[5] = '\0';
    return lha_decoder_for_name(method);
}

int lha_data_supported(const LhaHeader* h) {
    return h->directory || decoderFor(h) != NULL;
}

static uint32_t be32(const unsigned char* p) {
    return ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3];
}

static int allZero(const unsigned char* p, size_t len) {
    for (size_t i = 0; i < len; ++i)
        if (p[i])
            return 0;
    return 1;
}

/* Decodes up to len bytes, counting them; fewer only at the stream's end or damage. */
static size_t decode(LhaData* d, unsigned char* out, size_t len) {
    if (d->stored) {
        const uint64_t left = d->original - d->decoded;
        const size_t got = readStored(d, out, len < left ? len : (size_t)left);
        d->decoded += got;
        return got;
    }
    size_t got = 0;
    while (got < len) {
        const size_t n = lha_decoder_read(d->decoder, out + got, len - got);
        if (n == 0)
            break;
        got += n;
    }
    d->decoded += got;
    return got;
}

/* A wrapper the Mac archiver added: the old version byte and the reserved fields zero, the
 * header's own file name, the forks (with the wrapper, in 128-byte blocks) as long as the
 * member, and a modification time within a time zone of the header's. A MacBinary file
 * stored on purpose has a name of its own (".bin") and stays as it is. */
static int isMacBinary(const unsigned char* m, const LhaHeader* h) {
    const size_t nameLen = m[1];
    if (m[0] != 0 || m[0x4A] != 0 || m[0x52] != 0 || !allZero(m + 0x63, LHA_MACBINARY_BYTES - 0x63))
        return 0;
    if (nameLen == 0 || nameLen > 63 || h->wideName || nameLen != h->nameLen ||
        memcmp(m + 2, h->name, nameLen) != 0 || !allZero(m + 2 + nameLen, 63 - nameLen))
        return 0;
    const uint64_t forks = (uint64_t)be32(m + 0x53) + be32(m + 0x57) + LHA_MACBINARY_BYTES;
    if (((forks + 127) & ~(uint64_t)127) != h->original)
        return 0;
    const int64_t modified = (int64_t)be32(m + 0x5F) - MAC_EPOCH_OFFSET;
    const int64_t apart = modified - lha_member_time(h);
    return apart >= -14 * 3600 && apart <= 14 * 3600;
}

LhaData* lha_data_open(int fd, const LhaHeader* h, const char** why) {
    const char* dummy;
    if (!why)
        why = &dummy;
    *why = NULL;
    LHADecoderType* type = decoderFor(h);
    if (!type) {
        *why = "unsupported method";
        return NULL;
    }
    LhaData* d = calloc(1, sizeof *d);
    if (!d) {
        *why = "no memory";
        return NULL;
    }
    d->fd = fd;
    d->pos = h->offset + h->headerLength;
    d->end = d->pos + h->compressed;
    d->original = h->original;
    d->remaining = h->original;
    d->crc = h->crc;
    d->stored = isStored(h);
    if (d->stored)
        pthread_once(&crcOnce, makeCrcTable);
    else
        d->decoder = lha_decoder_new(type, feed, d, (size_t)h->original);
    if (!d->stored && !d->decoder) {
        free(d);
        *why = "no memory";
        return NULL;
    }
    if (h->os == 'm' && h->original >= LHA_MACBINARY_BYTES) {
        d->headLen = decode(d, d->head, LHA_MACBINARY_BYTES);
        if (d->headLen == LHA_MACBINARY_BYTES && isMacBinary(d->head, h)) {
            const uint32_t data = be32(d->head + 0x53), resource = be32(d->head + 0x57);
            d->macBinary = 1;
            d->forkSize = data > 0 ? data : resource;
            d->remaining = d->forkSize;
            d->headLen = 0;
        }
    }
    return d;
}

void lha_data_macbinary_size(LhaData* d, uint64_t* size) {
    if (d->macBinary)
        *size = d->forkSize;
}

static ssize_t fail(LhaData* d, const char* text) {
    if (d->readFailed) {
        snprintf(d->why, sizeof d->why, "cannot be read (%s)", strerror(d->readFailed));
        d->fault = d->why;
    } else {
        d->fault = text;
    }
    return -1;
}

ssize_t lha_data_read(LhaData* d, void* buf, size_t n) {
    if (d->fault)
        return -1;
    unsigned char* out = buf;
    size_t given = 0;
    if (d->headAt < d->headLen) {
        given = d->headLen - d->headAt < n ? d->headLen - d->headAt : n;
        memcpy(out, d->head + d->headAt, given);
        d->headAt += given;
        d->remaining -= given;
    }
    const uint64_t want = n - given < d->remaining ? n - given : d->remaining;
    const size_t got = decode(d, out + given, (size_t)want);
    d->remaining -= got;
    given += got;
    if (got < want)
        return fail(d, "damaged (data ends early)");
    if (d->remaining == 0 && given == 0) {
        /* The end: past a kept fork, the rest is decoded for the CRC. */
        unsigned char rest[4096];
        while (d->decoded < d->original && decode(d, rest, sizeof rest) > 0) {
        }
        if (d->decoded < d->original)
            return fail(d, "damaged (data ends early)");
        if ((d->stored ? d->crcSoFar : lha_decoder_get_crc(d->decoder)) != d->crc)
            return fail(d, "damaged (CRC)");
    }
    return (ssize_t)given;
}

const char* lha_data_fault(const LhaData* d) {
    return d->fault;
}

void lha_data_close(LhaData* d) {
    if (!d)
        return;
    if (d->decoder)
        lha_decoder_free(d->decoder);
    free(d);
}
