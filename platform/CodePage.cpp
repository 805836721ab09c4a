#include "platform/CodePage.h"

#include "platform/TextCodec.h"

namespace platform {

bool codePageKnown(int codePage) {
    return zelmo_cp_known(codePage) != 0;
}

bool isLeadByte(int codePage, unsigned char b) {
    return zelmo_cp_lead_byte(codePage, b) != 0;
}

QString decodeCodePage(const QByteArray& bytes, int codePage) {
    return decodeBytes(bytes, codePageKnown(codePage) ? codePage : ZELMO_CP_1252, ZELMO_CP_REPLACE);
}

} // namespace platform
