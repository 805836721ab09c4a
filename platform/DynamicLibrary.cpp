#include "platform/DynamicLibrary.h"

#include "platform/FsName.h"

#include <dlfcn.h>

namespace platform {

bool DynamicLibrary::load(const QString& absolutePath) {
    unload();
    error_.clear();
    if (!absolutePath.startsWith(QLatin1Char('/'))) {
        error_ = absolutePath + QStringLiteral(": not an absolute path");
        return false;
    }
    const QByteArray bytes = toFsBytes(absolutePath);
    ::dlerror(); // only this load's failure is reported
    handle_ = ::dlopen(bytes.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = ::dlerror();
        error_ = why ? QString::fromUtf8(why) : QStringLiteral("cannot be loaded");
    }
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
