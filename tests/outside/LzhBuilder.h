// Writes LZH archives of stored (-lh0-) members with headers of level 0, 1 or 2, byte by
// byte, so that tests and benchmarks choose every field: raw CP932 names, folders, time
// stamps. Real compressed archives come from the lha tool instead.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace lzhtest {

inline uint16_t crc16(const std::string& data) {
    uint16_t crc = 0;
    for (unsigned char c : data) {
        crc ^= c;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

struct Member {
    std::string folder; // raw bytes, folders separated by "/" (written as 0xFF or "\")
    std::string name;   // raw bytes (CP932)
    std::string data;
    uint16_t dosDate = 0, dosTime = 0; // levels 0 and 1
    uint32_t unixTime = 0;             // level 2
    bool directory = false;
};

inline void put16(std::string& s, unsigned v) {
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}
inline void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

inline std::string withSeparator(std::string folder, char sep) {
    for (char& c : folder)
        if (c == '/')
            c = sep;
    if (!folder.empty() && folder.back() != sep)
        folder += sep;
    return folder;
}

inline std::string extension(unsigned char type, const std::string& data) {
    std::string e;
    put16(e, unsigned(data.size() + 3));
    e += char(type);
    e += data;
    return e; // the size written first is the previous extension's "next size"
}

// One member: header and data.
inline std::string member(const Member& m, int level) {
    const std::string method = m.directory ? "-lhd-" : "-lh0-";
    const uint32_t size = uint32_t(m.data.size());
    std::string h;
    if (level == 0) {
        const std::string name = withSeparator(m.folder, '\\') + m.name;
        h += method;
        put32(h, size);
        put32(h, size);
        put16(h, m.dosTime);
        put16(h, m.dosDate);
        h += char(0x20);
        h += char(0);
        h += char(name.size());
        h += name;
        put16(h, crc16(m.data));
    } else if (level == 1) {
        std::string exts;
        if (!m.folder.empty())
            exts += extension(0x02, withSeparator(m.folder, '\xFF'));
        h += method;
        put32(h, uint32_t(size + exts.size()));
        put32(h, size);
        put16(h, m.dosTime);
        put16(h, m.dosDate);
        h += char(0x20);
        h += char(1);
        h += char(m.name.size());
        h += m.name;
        put16(h, crc16(m.data));
        h += 'M';
        // The first "next size" closes the base header; each extension ends with the next.
        if (exts.empty()) {
            put16(h, 0);
        } else {
            h += exts.substr(0, 2);
            exts = exts.substr(2);
            put16(exts, 0);
        }
        unsigned sum = 0;
        for (unsigned char c : h)
            sum += c;
        return std::string(1, char(h.size())) + char(sum & 0xFF) + h + exts + m.data;
    } else {
        // The header's own CRC comes first: computed over the whole header with it zero.
        std::string exts = extension(0x00, std::string(2, '\0')) + extension(0x01, m.name);
        if (!m.folder.empty())
            exts += extension(0x02, withSeparator(m.folder, '\xFF'));
        put16(exts, 0);
        std::string t;
        t += method;
        put32(t, size);
        put32(t, size);
        put32(t, m.unixTime);
        t += char(0x20);
        t += char(2);
        put16(t, crc16(m.data));
        t += 'U';
        t += exts; // starts with the first extension's size
        std::string out;
        put16(out, unsigned(t.size() + 2));
        out += t;
        const uint16_t headerCrc = crc16(out);
        out[27] = char(headerCrc & 0xFF); // behind the fixed part and the extension's type
        out[28] = char(headerCrc >> 8);
        return out + m.data;
    }
    unsigned sum = 0;
    for (unsigned char c : h)
        sum += c;
    return std::string(1, char(h.size())) + char(sum & 0xFF) + h + m.data;
}

inline std::string archive(const std::vector<Member>& members, int level) {
    std::string out;
    for (const Member& m : members)
        out += member(m, level);
    out += '\0';
    return out;
}

inline bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(f);
}

} // namespace lzhtest
