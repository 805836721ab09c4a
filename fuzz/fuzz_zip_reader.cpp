// libFuzzer target: the own ZIP directory reader on any bytes. Every member it gives
// must have a terminated name of at most 256 bytes, and the walk must end.
#include "archive/ZipReader.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    archive::ZipReader reader;
    if (!reader.open(archive::memorySource(
            QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)))))
        std::abort();
    ArchiveMemberInfo info;
    int members = 0;
    for (int rc = reader.findFirst(&info); rc == 0; rc = reader.findNext(&info)) {
        if (::strnlen(info.fileName, sizeof info.fileName) > archive::ZipReader::kMaxNameBytes ||
            ++members > int(size / 46) + 1)
            std::abort();
    }
    return 0;
}
