// The start-up bench's baseline: a Qt program that shows one window of the tip window's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setObjectName("Bare");
    window.setWindowTitle("Bare");
    window.resize(506, 487);
    window.show();
    return app.exec();
}
