// Thumbnails that other programs left in the shared thumbnail cache.
#include "pictures/PictureService.h"
#include "pictures/SharedThumbnails.h"
#include "platform/FsName.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

using namespace pictures;

// The URIs and names below were computed once with the desktop library's own
// g_filename_to_uri and an MD5 of its result.
TEST(SharedThumbnails, UriAndNameAsTheDesktopLibraryMakesThem) {
    struct Case {
        QByteArray path, uri, name;
    };
    const Case cases[] = {
        {"/tmp/a b/x#y;[1]%$+,&=:@!~*'().jpg",
         "file:///tmp/a%20b/x%23y%3B%5B1%5D%25$+,&=:@!~*'().jpg",
         "26422c180eaccd9e4aeaacf83081356d.png"},
        // Shift-JIS bytes, UTF-8 and the characters a path may not keep.
        {"/tmp/\x83"
         "e\x83X\x83g/\xe5\x86\x99\xe7\x9c\x9f?{}^`|\"<>\\.jpg",
         "file:///tmp/%83e%83X%83g/%E5%86%99%E7%9C%9F%3F%7B%7D%5E%60%7C%22%3C%3E%5C.jpg",
         "cd5efb426a40635dc8c20decd578db9d.png"},
        {"/t/\x01\x7f\n.jpg", "file:///t/%01%7F%0A.jpg", "62f166ff5cbd98432ff607db548d16ce.png"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileUri(c.path), c.uri) << c.path.toStdString();
        EXPECT_EQ(SharedThumbnailName(FileUri(c.path)), c.name) << c.path.toStdString();
    }
}

namespace {

class CacheHome {
public:
    explicit CacheHome(const QString& path) : old_(qgetenv("XDG_CACHE_HOME")) {
        had_ = qEnvironmentVariableIsSet("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(path));
    }
    ~CacheHome() {
        if (had_)
            qputenv("XDG_CACHE_HOME", old_);
        else
            qunsetenv("XDG_CACHE_HOME");
    }

private:
    QByteArray old_;
    bool had_ = false;
};

constexpr qint64 kMtime = 1700000000;

// A thumbnail as the other programs write it: a PNG named after the file's URI with the
// URI and the modification time in its text chunks.
void writeThumbnail(const QString& cache, const char* folder, const QByteArray& uri, qint64 mtime,
                    QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    image.setText(QStringLiteral("Thumb::URI"), QString::fromLatin1(uri));
    image.setText(QStringLiteral("Thumb::MTime"), QString::number(mtime));
    const QString dir = cache + QStringLiteral("/thumbnails/") + QLatin1String(folder);
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(
        image.save(dir + QLatin1Char('/') + QString::fromLatin1(SharedThumbnailName(uri)), "PNG"));
}

} // namespace

TEST(SharedThumbnails, TakenOnlyWhenCurrentAndLargeEnough) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString cache = dir.path() + QStringLiteral("/cache");
    const CacheHome home(cache);
    // A name with a space and a byte that is not UTF-8: both escaped in the URI.
    const QByteArray fileBytes = QFile::encodeName(dir.path()) + "/photo \xff.jpg";
    const QString file = platform::fromFsBytes(fileBytes);
    {
        FILE* f = std::fopen(fileBytes.constData(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("not decoded here", f);
        std::fclose(f);
        const timeval times[2] = {{kMtime, 0}, {kMtime, 500000}};
        ASSERT_EQ(::utimes(fileBytes.constData(), times), 0);
    }
    const QByteArray uri = FileUri(fileBytes);
    ASSERT_TRUE(uri.endsWith("/photo%20%FF.jpg"));
    // A 16:9 photograph fitted into a box of 299 x 150: drawn at 267 x 150.
    const QSize picture(1920, 1080);
    const QSize drawn(267, 150);

    // Nothing in the cache.
    EXPECT_TRUE(LoadSharedThumbnail(file, picture, drawn).isNull());

    // Too small for the picture as drawn: not taken.
    writeThumbnail(cache, "normal", uri, kMtime, QSize(128, 72), Qt::green);
    EXPECT_TRUE(LoadSharedThumbnail(file, picture, drawn).isNull());
    // ... but taken for a smaller size it covers, scaled to it.
    const QImage small = LoadSharedThumbnail(file, picture, QSize(100, 56));
    ASSERT_FALSE(small.isNull());
    EXPECT_EQ(small.size(), QSize(100, 56));
    EXPECT_EQ(small.pixelColor(50, 28), QColor(Qt::green));

    // A stale one (the file changed since) is not taken.
    writeThumbnail(cache, "x-large", uri, kMtime - 1, QSize(512, 288), Qt::blue);
    EXPECT_TRUE(LoadSharedThumbnail(file, picture, drawn).isNull());
    // Nor one made for another file under this name.
    writeThumbnail(cache, "x-large", uri + "x", kMtime, QSize(512, 288), Qt::blue);
    QFile::rename(cache + "/thumbnails/x-large/" + SharedThumbnailName(uri + "x"),
                  cache + "/thumbnails/x-large/" + SharedThumbnailName(uri));
    EXPECT_TRUE(LoadSharedThumbnail(file, picture, drawn).isNull());

    // A current one that covers it is used, scaled to the size drawn.
    writeThumbnail(cache, "x-large", uri, kMtime, QSize(512, 288), Qt::red);
    const QImage used = LoadSharedThumbnail(file, picture, drawn);
    ASSERT_FALSE(used.isNull());
    EXPECT_EQ(used.size(), drawn);
    EXPECT_EQ(used.pixelColor(150, 28), QColor(Qt::red));
    // Nothing was written into the shared cache.
    EXPECT_EQ(QDir(cache + "/thumbnails").entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList({"normal", "x-large"}));

    // A link finds the thumbnail of its target.
    const QByteArray linkBytes = QFile::encodeName(dir.path()) + "/link.jpg";
    ASSERT_EQ(::symlink(fileBytes.constData(), linkBytes.constData()), 0);
    EXPECT_FALSE(LoadSharedThumbnail(platform::fromFsBytes(linkBytes), picture, drawn).isNull());
    ::unlink(linkBytes.constData());
    ::unlink(fileBytes.constData()); // the temporary folder cannot remove such names
}

// Each picture shape with thumbnails in one folder at a time, then in all three, at the
// list's box at scale 1 and 2 (and a wider box at scale 2): the smallest folder whose
// thumbnail holds the picture as drawn is used, a stale one never.
TEST(SharedThumbnails, SmallestFolderThatCoversThePictureAsDrawn) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString cache = dir.path() + QStringLiteral("/cache");
    const CacheHome home(cache);
    struct Shape {
        const char* name;
        QSize picture;
    };
    const Shape shapes[] = {{"wide", {1920, 1080}},
                            {"four-three", {1600, 1200}},
                            {"portrait", {1080, 1920}},
                            {"square", {1000, 1000}}};
    struct Folder {
        const char* name;
        int side;
        QRgb colour;
    };
    const Folder folders[] = {
        {"normal", 128, 0xff00ff00}, {"large", 256, 0xff0000ff}, {"x-large", 512, 0xffff0000}};
    // A list item's thumbnail rectangle in device pixels; the picture is drawn fitted
    // into it.
    struct Box {
        QSize device;
        // Per shape, whether only normal, only large is used (x-large always is), and
        // the folder used when all three are there.
        bool onlyNormal[4];
        bool onlyLarge[4];
        const char* all[4];
    };
    const Box boxes[] = {
        // Scale 1, the list's 108 x 76 box: normal holds every shape.
        {{108, 76}, {1, 1, 1, 1}, {1, 1, 1, 1}, {"normal", "normal", "normal", "normal"}},
        // Scale 2: 216 x 152 shows 216 x 122, 203 x 152, 86 x 152, 152 x 152.
        {{216, 152}, {0, 0, 0, 0}, {1, 1, 1, 1}, {"large", "large", "large", "large"}},
        // Scale 2 in a wide list: 400 x 152 shows 270 x 152 of a wide picture.
        {{400, 152}, {0, 0, 0, 0}, {0, 1, 1, 1}, {"x-large", "large", "large", "large"}},
    };
    for (int s = 0; s < 4; ++s) {
        const Shape& shape = shapes[s];
        const QByteArray fileBytes =
            QFile::encodeName(dir.path()) + "/" + shape.name + "\x83\x5c.jpg";
        const QString file = platform::fromFsBytes(fileBytes);
        FILE* f = std::fopen(fileBytes.constData(), "wb");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
        const timeval times[2] = {{kMtime, 0}, {kMtime, 0}};
        ASSERT_EQ(::utimes(fileBytes.constData(), times), 0);
        const QByteArray uri = FileUri(fileBytes);
        const QString name = QString::fromLatin1(SharedThumbnailName(uri));
        const auto thumbSize = [&](int side) {
            return shape.picture.scaled(side, side, Qt::KeepAspectRatio);
        };
        const auto clear = [&] {
            for (const Folder& folder : folders)
                QFile::remove(cache + "/thumbnails/" + folder.name + "/" + name);
        };
        // Which folder the thumbnail came from ("" none), by its colour.
        const auto used = [&](QSize device) -> std::string {
            const QSize drawn = ReducedSize(shape.picture, device, Fit::KeepAspect);
            const QImage image = LoadSharedThumbnail(file, shape.picture, drawn);
            if (image.isNull())
                return "";
            EXPECT_EQ(image.size(), drawn);
            for (const Folder& folder : folders)
                if (image.pixel(drawn.width() / 2, drawn.height() / 2) == folder.colour)
                    return folder.name;
            return "?";
        };
        for (const Box& box : boxes) {
            SCOPED_TRACE(std::string(shape.name) + " in " + std::to_string(box.device.width()) +
                         "x" + std::to_string(box.device.height()));
            for (const Folder& folder : folders) {
                clear();
                writeThumbnail(cache, folder.name, uri, kMtime, thumbSize(folder.side),
                               QColor::fromRgb(folder.colour));
                const bool covers = folder.side == 128   ? box.onlyNormal[s]
                                    : folder.side == 256 ? box.onlyLarge[s]
                                                         : true;
                EXPECT_EQ(used(box.device), covers ? folder.name : "");
                // Stale: the file changed after the thumbnail was made.
                writeThumbnail(cache, folder.name, uri, kMtime - 60, thumbSize(folder.side),
                               QColor::fromRgb(folder.colour));
                EXPECT_EQ(used(box.device), "");
            }
            clear();
            for (const Folder& folder : folders)
                writeThumbnail(cache, folder.name, uri, kMtime, thumbSize(folder.side),
                               QColor::fromRgb(folder.colour));
            EXPECT_EQ(used(box.device), box.all[s]);
        }
        clear();
        ::unlink(fileBytes.constData());
    }
}
