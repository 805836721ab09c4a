#pragma once
// File-name patterns with the rules of the old find-first service: "*" and "?",
// case-insensitive, "*.*" matching every name (also one without a dot), "*." matching
// names without a dot, "?" matching one character but never a dot, and a run of "?"
// before a dot or at the end also matching fewer characters. Names are matched as the
// user sees them: a name that is not valid UTF-8 as its CP932 text.
#include <QString>
#include <vector>

namespace platform {

class WildcardMask {
public:
    explicit WildcardMask(const QString& mask = QStringLiteral("*.*"));

    // name: the raw bytes of a file name; a name that is not valid UTF-8 is decoded as
    // CP932, so "?" takes one Shift-JIS character, not one byte.
    bool matches(const char* name, qsizetype length) const;
    // name: a file name as kept by platform::fromFsBytes.
    bool matches(const QString& name) const;

    bool matchesEverything() const { return kind_ == Kind::All; }
    const QString& mask() const { return mask_; }

private:
    enum class Kind { All, Suffix, General };
    bool matchGeneral(const std::vector<char32_t>& name) const;

    QString mask_;
    Kind kind_ = Kind::All;
    std::vector<char32_t> pattern_; // folded, with the DOS wildcards translated
    std::string suffix_;            // Kind::Suffix: ".ext" in upper-case ASCII
};

} // namespace platform
