/* The member record that both archive libraries fill on their first/next-member calls and
 * that the program's own ZIP directory reader fills the same way: 558 bytes, packed,
 * little-endian. Texts are NUL-terminated bytes as stored in the archive. */
#ifndef ZELMO_ARCHIVE_MEMBER_INFO_H
#define ZELMO_ARCHIVE_MEMBER_INFO_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ARCHIVE_MEMBER_NAME_SIZE 513

#pragma pack(push, 1)
typedef struct ArchiveMemberInfo {
    uint32_t originalSize;   /* uncompressed size */
    uint32_t compressedSize; /* compressed size */
    uint32_t crc;
    uint32_t flag;
    uint32_t osType;
    uint16_t ratio; /* compressed per uncompressed size, in tenths of a percent */
    uint16_t date;  /* MS-DOS: bits 15..9 year - 1980, 8..5 month, 4..0 day */
    uint16_t time;  /* MS-DOS: bits 15..11 hour, 10..5 minute, 4..0 seconds / 2 */
    char fileName[ARCHIVE_MEMBER_NAME_SIZE]; /* may hold a directory part */
    char reserved[3];
    char attribute[8];
    char method[8];
} ArchiveMemberInfo;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(ArchiveMemberInfo) == 558, "the member record is 558 bytes");
#else
_Static_assert(sizeof(ArchiveMemberInfo) == 558, "the member record is 558 bytes");
#endif

#ifdef __cplusplus
}
#endif

#endif
