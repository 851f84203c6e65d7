// The floor that the application's start-up and memory are measured against: a bare Qt Widgets
// program that decodes one picture and shows it covering a window, and nothing else. It writes
// one line to standard error once its first frame is painted, as the application does with
// VELL_REPORT_FIRST_PAINT set.
//
//   vell-floor PICTURE [WxH]

#include <QApplication>
#include <QImageReader>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace {
class PictureWindow : public QWidget {
public:
    explicit PictureWindow(QImage image) : picture(std::move(image)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (!picture.isNull()) {
            // Covering the window, centred, as the application's background does.
            const qreal scale =
                std::max(width() / qreal(picture.width()), height() / qreal(picture.height()));
            const QSizeF shown(width() / scale, height() / scale);
            const QRectF source(QPointF((picture.width() - shown.width()) / 2,
                                        (picture.height() - shown.height()) / 2),
                                shown);
            painter.drawImage(QRectF(rect()), picture, source);
        }
        if (!reported) {
            reported = true;
            QTimer::singleShot(0, this, [] {
                std::fputs("vell-floor: first frame painted\n", stderr);
                std::fflush(stderr);
            });
        }
    }

private:
    QImage picture;
    bool reported = false;
};
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: vell-floor PICTURE [WxH]\n", stderr);
        return 2;
    }
    QSize size(1024, 768);
    if (argc > 2) {
        const QStringList parts = QString::fromLocal8Bit(argv[2]).split(QLatin1Char('x'));
        if (parts.size() == 2) size = QSize(parts[0].toInt(), parts[1].toInt());
    }
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    PictureWindow window(reader.read());
    window.resize(size);
    window.show();
    return app.exec();
}
