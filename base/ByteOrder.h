/* Little-endian numbers in byte buffers, as archive headers store them. */
#ifndef ZELMO_BYTE_ORDER_H
#define ZELMO_BYTE_ORDER_H

#include <stdint.h>

static inline uint16_t zelmo_le16(const unsigned char* p) {
    return (uint16_t)(p[0] | (p[1] << 8));
}
static inline uint32_t zelmo_le32(const unsigned char* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
static inline uint64_t zelmo_le64(const unsigned char* p) {
    return (uint64_t)zelmo_le32(p) | ((uint64_t)zelmo_le32(p + 4) << 32);
}

#endif
