// The floor of starting a Qt Widgets program: one empty titled window, shown at once.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle("Empty window");
    window.resize(800, 600);
    window.show();
    return application.exec();
}
