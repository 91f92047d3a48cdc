// A client window for the Wayland tests: app-id. Shows one toplevel whose
// app id is the argument and waits to be ended.

#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>

namespace {

class Window final : public QRasterWindow {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(QRect(QPoint(), size()), Qt::white); }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    qputenv("QT_QPA_PLATFORM", "wayland");
    qputenv("QT_WAYLAND_DISABLE_WINDOWDECORATION", "1");
    QGuiApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QString::fromLocal8Bit(argv[1]));
    Window window;
    window.setTitle(QString::fromLocal8Bit(argv[1]));
    window.resize(320, 240);
    window.show();
    return app.exec();
}
