#include "pictures/PluginPictures.h"

#include "outside/spi/SusiePlugin.h"
#include "pictures/DibBitmap.h"
#include "pictures/PictureService.h"
#include "platform/AppPaths.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileProbe.h"
#include "platform/FsName.h"
#include "platform/LibraryDirs.h"

#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <memory>
#include <mutex>

namespace pictures {

namespace {

enum class Plugin { None, Gif, Jpeg };

Plugin PluginFor(const QString& path) {
    const QString ext = platform::upperExtension(path);
    if (ext == QLatin1String(".GIF"))
        return Plugin::Gif;
    if (ext == QLatin1String(".JPG") || ext == QLatin1String(".JPEG") ||
        ext == QLatin1String(".JPE"))
        return Plugin::Jpeg;
    return Plugin::None;
}

// Whether a plug-in lies in one of the program's own folders (built and installed with
// it), as opposed to one the user put in the plug-in folder or the system's.
bool IsOwnPlugin(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    const QString program = platform::executablePath();
    return (!program.isEmpty() && folder == QFileInfo(program).absolutePath()) ||
           folder == platform::programLibraryDirectory();
}

// One bound plug-in: its module and its entries. The blocks a plug-in hands out go back
// to its own free function, so a plug-in without one is not called at all. The scaled
// entry is optional.
struct BoundPlugin {
    platform::DynamicLibrary module;
    SpiGetPictureFn getPicture = nullptr;
    SpiGetPictureScaledFn getPictureScaled = nullptr;
    SpiBlockDataFn blockData = nullptr;
    SpiFreeBlockFn freeBlock = nullptr;
    // A plug-in of unknown origin may not be reentrant: one call at a time.
    bool serialize = true;
    std::mutex calls;

    void bind(const QString& path) {
        release();
        if (path.isEmpty() || !module.load(path))
            return;
        serialize = !IsOwnPlugin(path);
        blockData = reinterpret_cast<SpiBlockDataFn>(module.symbol(SPI_BLOCK_DATA_EXPORT));
        freeBlock = reinterpret_cast<SpiFreeBlockFn>(module.symbol(SPI_FREE_BLOCK_EXPORT));
        if (blockData && freeBlock) {
            getPicture = reinterpret_cast<SpiGetPictureFn>(module.symbol(SPI_GET_PICTURE_EXPORT));
            if (getPicture)
                getPictureScaled = reinterpret_cast<SpiGetPictureScaledFn>(
                    module.symbol(SPI_GET_PICTURE_SCALED_EXPORT));
        }
    }
    void release() {
        getPicture = nullptr;
        getPictureScaled = nullptr;
        blockData = nullptr;
        freeBlock = nullptr;
        module.unload();
    }
};

int cancelled(int, int, long userData) {
    return reinterpret_cast<const std::atomic<bool>*>(userData)->load() ? 1 : 0;
}

// Bound at start-up and released at shutdown on the GUI thread; only read in between.
struct Binding {
    BoundPlugin gif, jpeg;
};

Binding& binding() {
    static Binding b;
    return b;
}

} // namespace

bool IsPluginPicture(const QString& path) {
    return PluginFor(path) != Plugin::None;
}

QStringList PluginCandidateFolders() {
    const QString program = platform::executablePath();
    return {program.isEmpty() ? QString() : QFileInfo(program).absolutePath(),
            platform::userPluginDirectory(), platform::programLibraryDirectory(),
            platform::systemLibraryDirectory()};
}

PluginPaths LocatePlugins(const QStringList& folders) {
    auto find = [&folders](const QString& name) {
        for (const QString& folder : folders) {
            if (folder.isEmpty())
                continue; // never a file at the root in place of an unknown folder
            const QString path = folder + QLatin1Char('/') + name;
            if (platform::pathIsFile(path))
                return path;
        }
        return QString();
    };
    PluginPaths paths;
    paths.Jpeg = find(QStringLiteral("ifJpeg.spi"));
    paths.Gif = find(QStringLiteral("ifgif.spi"));
    return paths;
}

void BindPlugins(const PluginPaths& paths) {
    binding().gif.bind(paths.Gif);
    binding().jpeg.bind(paths.Jpeg);
}

void ReleasePlugins() {
    binding().gif.release();
    binding().jpeg.release();
}

bool GifPluginLoaded() {
    return binding().gif.module.isLoaded();
}

bool JpegPluginLoaded() {
    return binding().jpeg.module.isLoaded();
}

Picture PictureThroughPlugin(const QString& path, const PictureRequest& request) {
    const Plugin which = PluginFor(path);
    if (which == Plugin::None)
        return {};
    BoundPlugin& plugin = which == Plugin::Gif ? binding().gif : binding().jpeg;
    if (!plugin.getPicture)
        return {};

    // Our plug-ins are bounded and fuzzed; a fault inside one is not caught (there is no
    // safe way back from a fault in the middle of foreign code).
    std::unique_lock<std::mutex> oneAtATime(plugin.calls, std::defer_lock);
    if (plugin.serialize)
        oneAtATime.lock();
    SpiHandle info = nullptr, bits = nullptr;
    const QByteArray file = platform::toFsBytes(path);
    const SpiProgressCallback progress = request.cancel ? &cancelled : nullptr;
    const long userData = request.cancel ? reinterpret_cast<long>(request.cancel) : 0;
    const QSize max = request.maxSize;
    long ownWidth = 0, ownHeight = 0;
    int result = SPI_OK;
    if (plugin.getPictureScaled) {
        const unsigned flags =
            SPI_INPUT_FILE | (request.fit == Fit::KeepAspect ? SPI_SCALE_KEEP_ASPECT : 0u);
        result =
            plugin.getPictureScaled(file.constData(), 0, flags, max.isEmpty() ? 0 : max.width(),
                                    max.isEmpty() ? 0 : max.height(), &info, &bits, &ownWidth,
                                    &ownHeight, progress, userData);
    } else {
        result = plugin.getPicture(file.constData(), 0, SPI_INPUT_FILE, &info, &bits, progress,
                                   userData);
    }
    if (result != SPI_OK)
        return {};
    std::size_t infoSize = 0, bitsSize = 0;
    const void* infoBytes = plugin.blockData(info, &infoSize);
    const void* bitsBytes = plugin.blockData(bits, &bitsSize);
    Picture picture;
    picture.image = ImageFromDib(infoBytes, infoSize, bitsBytes, bitsSize, kMaxImageBytes);
    plugin.freeBlock(info);
    plugin.freeBlock(bits);
    if (oneAtATime.owns_lock())
        oneAtATime.unlock();
    if (picture.image.isNull())
        return {};
    if (plugin.getPictureScaled) {
        picture.size = QSize(int(ownWidth), int(ownHeight));
        // The plug-in answers for its own reduction; a size it did not keep is not shown.
        if (picture.size.isEmpty() ||
            picture.image.size() != ReducedSize(picture.size, request.maxSize, request.fit))
            return {};
    } else {
        picture.size = picture.image.size();
        picture.image = Reduced(picture.image, request.maxSize, request.fit);
    }
    return picture;
}

bool LoadImageThroughPlugin(const QString& path, QImage& image) {
    Picture picture = PictureThroughPlugin(path, {});
    if (picture.image.isNull())
        return false;
    image = picture.image;
    return true;
}

bool LoadPictureThroughPlugin(const QString& path, QPixmap& bitmap) {
    QImage image;
    if (!LoadImageThroughPlugin(path, image))
        return false;
    bitmap = QPixmap::fromImage(image);
    return true;
}

} // namespace pictures
