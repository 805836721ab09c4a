#pragma once
// Loading code at run time: a shared object opened by its full path (never a bare name,
// which the loader would look up in places of its own) and its exported entries.
#include <QString>

namespace platform {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary() { unload(); }
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Opens the shared object at an absolute path; false (and nothing held) when the path
    // is empty or relative or the object does not load.
    bool load(const QString& absolutePath);
    void unload();
    bool isLoaded() const { return handle_ != nullptr; }
    // The exported entry, or null.
    void* symbol(const char* name) const;
    // Why the last load failed, in the loader's words; empty after a load that succeeded.
    const QString& errorText() const { return error_; }

private:
    void* handle_ = nullptr;
    QString error_;
};

} // namespace platform
