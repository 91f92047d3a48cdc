// A client window for the Wayland tests: app-id [times]. Shows one toplevel
// whose app id is the argument and waits to be ended; with `times`, first
// shows and closes that many windows of other app ids in turn.

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
    for (int i = 0; i < (argc > 2 ? QByteArray(argv[2]).toInt() : 0); ++i) {
        QGuiApplication::setDesktopFileName(QString::fromLocal8Bit(argv[1]) + QString("-%1").arg(i));
        Window shown;
        shown.show();
        // Exposed once configured, and drawn at once.
        while (!shown.isExposed()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    QGuiApplication::setDesktopFileName(QString::fromLocal8Bit(argv[1]));
    Window window;
    window.setTitle(QString::fromLocal8Bit(argv[1]));
    window.resize(320, 240);
    window.show();
    return app.exec();
}
