// Shows the directory tree on a folder, for looking at it as a user would:
//   dirtree_demo ROOT [PATH-TO-SELECT]
// Prints each reported selection and the time the first rebuild took.
#include "browser/DirTreeViewS.h"
#include "platform/FsName.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: dirtree_demo ROOT [PATH]\n");
        return 2;
    }
    TDirTreeViewS tree;
    tree.setIndentation(20);
    tree.resize(193, 420);
    tree.OnChange = [](TDirTreeViewS*, const QString& path) {
        std::printf("OnChange %s\n", platform::toFsBytes(path).constData());
    };
    QElapsedTimer timer;
    timer.start();
    tree.SetDrive(platform::fromFsBytes(QByteArray(argv[1])));
    std::printf("rebuild: %lld ms, %d nodes\n", timer.elapsed(), tree.NodeCount());
    if (argc > 2)
        tree.SelectPath(platform::fromFsBytes(QByteArray(argv[2])));
    std::fflush(stdout);
    tree.show();
    return app.exec();
}
