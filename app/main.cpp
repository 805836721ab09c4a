#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel l("Zelmo32");
    l.show();
    return app.exec();
}
