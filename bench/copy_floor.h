#pragma once
/* The floor under a large copy (see copy_floor.c). 0 when the copy is whole and named. */
#ifdef __cplusplus
extern "C" {
#endif
int copy_floor(const char* source, const char* folder, const char* name);
#ifdef __cplusplus
}
#endif
