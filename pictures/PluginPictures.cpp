#include "pictures/PluginPictures.h"

#include "outside/spi/SusiePlugin.h"
#include "pictures/DibBitmap.h"
#include "platform/AppPaths.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileProbe.h"
#include "platform/FsName.h"
#include "platform/LibraryDirs.h"

#include <QFileInfo>
#include <QImage>
#include <QPixmap>

namespace pictures {

namespace {

enum class Plugin { None, Gif, Jpeg };

Plugin PluginFor(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return Plugin::None;
    const QString ext = path.mid(dot).toUpper();
    if (ext == QLatin1String(".GIF"))
        return Plugin::Gif;
    if (ext == QLatin1String(".JPG") || ext == QLatin1String(".JPEG") ||
        ext == QLatin1String(".JPE"))
        return Plugin::Jpeg;
    return Plugin::None;
}

// One bound plug-in: its module and its entries. The blocks a plug-in hands out go back
// to its own free function, so a plug-in without one is not called at all.
struct BoundPlugin {
    platform::DynamicLibrary module;
    SpiGetPictureFn getPicture = nullptr;
    SpiBlockDataFn blockData = nullptr;
    SpiFreeBlockFn freeBlock = nullptr;

    void bind(const QString& path) {
        release();
        if (path.isEmpty() || !module.load(path))
            return;
        blockData = reinterpret_cast<SpiBlockDataFn>(module.symbol(SPI_BLOCK_DATA_EXPORT));
        freeBlock = reinterpret_cast<SpiFreeBlockFn>(module.symbol(SPI_FREE_BLOCK_EXPORT));
        if (blockData && freeBlock)
            getPicture = reinterpret_cast<SpiGetPictureFn>(module.symbol(SPI_GET_PICTURE_EXPORT));
    }
    void release() {
        getPicture = nullptr;
        blockData = nullptr;
        freeBlock = nullptr;
        module.unload();
    }
};

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

bool LoadImageThroughPlugin(const QString& path, QImage& image) {
    const Plugin which = PluginFor(path);
    if (which == Plugin::None)
        return false;
    const BoundPlugin& plugin = which == Plugin::Gif ? binding().gif : binding().jpeg;
    if (!plugin.getPicture)
        return false;

    // The plug-ins are our own, bounded and fuzzed; a fault inside one is not caught
    // (there is no safe way back from a fault in the middle of foreign code).
    SpiHandle info = nullptr, bits = nullptr;
    const QByteArray file = platform::toFsBytes(path);
    if (plugin.getPicture(file.constData(), 0, SPI_INPUT_FILE, &info, &bits, nullptr, 0) != SPI_OK)
        return false;
    std::size_t infoSize = 0, bitsSize = 0;
    const void* infoBytes = plugin.blockData(info, &infoSize);
    const void* bitsBytes = plugin.blockData(bits, &bitsSize);
    const QByteArray bmp = BitmapFromDib(infoBytes, infoSize, bitsBytes, bitsSize);
    plugin.freeBlock(info);
    plugin.freeBlock(bits);

    QImage read;
    if (bmp.isEmpty() || !read.loadFromData(bmp, "BMP"))
        return false;
    image = read;
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
