#pragma once
// The stubs that stand in an archive binding's slot until the library supplies the entry:
// one function per slot, made from the slot's own signature and the entry's name, so a
// stub takes exactly the arguments of the entry it replaces.
#include <algorithm>
#include <cstddef>

namespace archive::detail {

// An entry's name as a template argument.
template <std::size_t N> struct EntryName {
    constexpr EntryName(const char (&s)[N]) { std::copy_n(s, N, text); }
    char text[N];
};

// Report(name) runs in place of the entry; the stub then returns the result type's zero
// (Report may also raise instead of returning).
template <EntryName Name, typename Fn, void (*Report)(const char*)> struct Stub;

template <EntryName Name, typename R, typename... A, void (*Report)(const char*)>
struct Stub<Name, R (*)(A...), Report> {
    static R call(A...) {
        Report(Name.text);
        return R();
    }
};

} // namespace archive::detail
