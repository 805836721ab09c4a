#include "TreeTestFolders.h"
#include "platform/Drives.h"
#include "platform/FsName.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform;

namespace {
// A mountinfo excerpt as the kernel writes it: escaped blanks and backslashes, volumes
// under /media, /run/media and /mnt, a Shift-JIS label (raw bytes), an over-mount, and
// system mounts that are no drives.
const QByteArray kMountInfo =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "23 22 0:21 / /proc rw,nosuid shared:12 - proc proc rw\n"
    "24 22 0:22 / /sys rw,nosuid shared:7 - sysfs sysfs rw\n"
    "25 22 8:2 / /home rw,relatime shared:30 - ext4 /dev/sda2 rw\n"
    "40 22 8:17 / /media/ann/USB\\040STICK rw,nosuid - vfat /dev/sdb1 rw\n"
    "41 22 8:33 / /run/media/ann/Back\\134up\\011Disk rw - exfat /dev/sdc1 rw\n"
    "42 22 0:50 / /mnt rw - nfs srv:/export rw\n"
    "43 22 8:49 / /mnt/\x83\x65\x83\x58\x83\x67 rw - vfat /dev/sdd1 rw\n"
    "44 40 8:18 / /media/ann/USB\\040STICK rw - vfat /dev/sdb1 rw\n"
    "45 22 8:65 / /mediaX rw - ext4 /dev/sde1 rw\n"
    "46 22 0:60 / /run/user/1000 rw - tmpfs tmpfs rw\n"
    "\n";
} // namespace

TEST(Drives, MountInfoGivesRootHomeAndVolumesWithEscapesUndone) {
    const QStringList mounts = parseMountInfo(kMountInfo);
    ASSERT_EQ(mounts.size(), 11);
    EXPECT_EQ(mounts.at(4), QString("/media/ann/USB STICK"));
    EXPECT_EQ(mounts.at(5), QString("/run/media/ann/Back\\up\tDisk"));

    const QStringList drives = drivesFromMounts(mounts, QStringLiteral("/home/ann/"));
    const QString sjisVolume = fromFsBytes(QByteArray("/mnt/\x83\x65\x83\x58\x83\x67"));
    EXPECT_EQ(drives, QStringList({"/", "/home/ann", "/media/ann/USB STICK", "/mnt", sjisVolume,
                                   "/run/media/ann/Back\\up\tDisk"}));
    // The Shift-JIS label still names the same bytes and shows in Japanese.
    EXPECT_EQ(toFsBytes(drives.at(4)), QByteArray("/mnt/\x83\x65\x83\x58\x83\x67"));
    EXPECT_EQ(displayName(drives.at(4)), QString("/mnt/テスト"));

    // The same list from /proc/mounts, whose mount point is the second field.
    const QByteArray mountsText = "/dev/sda1 / ext4 rw 0 0\n"
                                  "/dev/sdb1 /media/ann/USB\\040STICK vfat rw 0 0\n"
                                  "proc /proc proc rw 0 0\n";
    EXPECT_EQ(drivesFromMounts(parseProcMounts(mountsText), QStringLiteral("/root")),
              QStringList({"/", "/root", "/media/ann/USB STICK"}));
    // A home that is "/" itself is not listed twice.
    EXPECT_EQ(drivesFromMounts({"/"}, QStringLiteral("/")), QStringList({"/"}));
}

TEST(Drives, UnescapeLeavesIncompleteSequencesAlone) {
    EXPECT_EQ(unescapeMountField("a\\040b\\134\\0"), QByteArray("a b\\\\0"));
    EXPECT_EQ(unescapeMountField("end\\04"), QByteArray("end\\04"));
    EXPECT_EQ(unescapeMountField("x\\089"), QByteArray("x\\089"));
}

TEST(Drives, PathBelongsToTheLongestRootPrefix) {
    const QStringList roots{"/", "/home/ann", "/media/ann/USB STICK", "/mnt"};
    EXPECT_EQ(driveOfPath("/home/ann/docs/a.txt", roots), QString("/home/ann"));
    EXPECT_EQ(driveOfPath("/home/ann", roots), QString("/home/ann"));
    EXPECT_EQ(driveOfPath("/home/ann/", roots), QString("/home/ann"));
    EXPECT_EQ(driveOfPath("/home/anna/x", roots), QString("/")); // whole components only
    EXPECT_EQ(driveOfPath("/media/ann/USB STICK/photos", roots), QString("/media/ann/USB STICK"));
    EXPECT_EQ(driveOfPath("/mntx", roots), QString("/"));
    EXPECT_EQ(driveOfPath("/", roots), QString("/"));
    EXPECT_EQ(driveOfPath("relative/path", roots), QString());
    EXPECT_EQ(driveOfPath("/home/ann/x", QStringList{"/home/ann/", "/home"}), QString("/home/ann"));

    EXPECT_EQ(driveRootPath("/"), QString("/"));
    EXPECT_EQ(driveRootPath("/home/ann"), QString("/home/ann/"));
    EXPECT_EQ(driveRootPath("/home/ann//"), QString("/home/ann/"));
    EXPECT_EQ(normalizeDriveRoot("//"), QString("/"));
}

TEST(Drives, ReplaceableSourceFreeSpaceAndReadiness) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString a = tmp.path() + "/driveA";
    const QString locked = tmp.path() + "/locked";
    ASSERT_TRUE(treetest::makeDir(a));
    ASSERT_TRUE(treetest::makeDir(locked));
    ::chmod(QFile::encodeName(tmp.path()).constData(), 0755);
    ::chmod(QFile::encodeName(locked).constData(), 0);

    SetDriveSource([&] { return QStringList{"/", a, locked}; });
    EXPECT_EQ(DriveList(), QStringList({"/", a, locked}));
    EXPECT_EQ(DriveOfPath(a + "/sub"), a);
    SetDriveSource(nullptr);
    EXPECT_EQ(DriveList().value(0), QString("/"));

    const auto space = GetDiskFreeSpace(a);
    ASSERT_TRUE(space.has_value());
    EXPECT_GT(space->totalBytes, 0u);
    EXPECT_LE(space->freeBytes, space->totalBytes);
    EXPECT_FALSE(GetDiskFreeSpace(tmp.path() + "/gone").has_value());

    EXPECT_TRUE(DriveReady(a));
    EXPECT_FALSE(DriveReady(tmp.path() + "/gone"));
    {
        treetest::AsOrdinaryUser user;
        EXPECT_TRUE(DriveReady(a));
        EXPECT_FALSE(DriveReady(locked));
    }
    ::chmod(QFile::encodeName(locked).constData(), 0755);
}
