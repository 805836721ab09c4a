/* The data of one LZH member, decoded by lhasa's decoders (every method it knows: -lh0-,
 * -lh1-, -lh4- to -lh7-, -lhx-, -lz4-, -lz5-, -lzs-, -pm0- to -pm2-) from the member's
 * bytes in the file, its CRC checked at the end. A MacBinary wrapper that a Mac archiver
 * put around a file (its name, sizes and time matching the header) is taken off: the
 * data fork is the member's data. */
#ifndef ZELMO_LHA_DATA_H
#define ZELMO_LHA_DATA_H

#include "outside/unlha32/LhaHeader.h"

#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

#define LHA_MACBINARY_BYTES 128

typedef struct LhaData LhaData;

/* 1 when a decoder knows the header's method (directories have no data to decode). */
int lha_data_supported(const LhaHeader* h);

/* The member's data, read from fd at the header's offset. NULL when the method is unknown,
 * the data cannot be read or memory runs out; *why (may be NULL) then says which. */
LhaData* lha_data_open(int fd, const LhaHeader* h, const char** why);
/* Up to n bytes of data: the count, 0 at the end (the CRC checked), -1 when the data is
 * damaged, cut short or fails its CRC (lha_data_fault says which). */
ssize_t lha_data_read(LhaData* d, void* buf, size_t n);
const char* lha_data_fault(const LhaData* d);
/* The size of the data read() gives: the data fork's for a MacBinary wrapper. */
void lha_data_macbinary_size(LhaData* d, uint64_t* size);
void lha_data_close(LhaData* d);

#ifdef __cplusplus
}
#endif

#endif
