#include "platform/DynamicLibrary.h"

#include "platform/FsName.h"

#include <dlfcn.h>

namespace platform {

bool DynamicLibrary::load(const QString& absolutePath) {
    unload();
    if (!absolutePath.startsWith(QLatin1Char('/')))
        return false;
    const QByteArray bytes = toFsBytes(absolutePath);
    handle_ = ::dlopen(bytes.constData(), RTLD_NOW | RTLD_LOCAL);
    return handle_ != nullptr;
}

void DynamicLibrary::unload() {
    if (handle_)
        ::dlclose(handle_);
    handle_ = nullptr;
}

void* DynamicLibrary::symbol(const char* name) const {
    return handle_ ? ::dlsym(handle_, name) : nullptr;
}

} // namespace platform
