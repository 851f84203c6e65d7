#include "skin/PicturePrefetch.h"

#include "platform/Bundle.h"
#include "skin/PictureChoice.h"

#include <QImageReader>

#include <mutex>
#include <thread>

namespace {
struct Prefetch {
    std::mutex mutex;
    QString path;
    std::optional<FileIdentity> identity;
    QImage image;
    std::jthread worker;  // joined at exit if nobody took the picture
};

Prefetch& prefetch() {
    static Prefetch state;
    return state;
}
}  // namespace

void PicturePrefetch::start(const QString& path) {
    Prefetch& p = prefetch();
    const std::lock_guard lock(p.mutex);
    if (p.worker.joinable()) return;
    p.path = path;
    p.identity = FileIdentity::of(path);
    if (!p.identity) return;
    p.worker = std::jthread([&p, path] {
        QImageReader reader(path);
        p.image = reader.read();  // read by take() only after joining this thread
    });
}

void PicturePrefetch::startForSkin(const QString& bundle, const QString& skin, const QSizeF& size,
                                   Device::Idiom idiom) {
    const std::unique_ptr<Bundle> installed = Bundle::initWithPath(bundle);
    if (!installed) return;
    const QString path = installed->pathForResource(backgroundResourceName(idiom, size),
                                                    QStringLiteral("png"), skin);
    if (!path.isNull()) start(path);
}

std::optional<QImage> PicturePrefetch::take(const QString& path, const FileIdentity& identity) {
    Prefetch& p = prefetch();
    const std::lock_guard lock(p.mutex);
    if (!p.worker.joinable() || p.path != path) return std::nullopt;
    p.worker.join();
    p.worker = std::jthread();
    std::optional<QImage> image;
    if (p.identity == identity) image = std::move(p.image);
    p.image = QImage();
    p.path.clear();
    return image;
}

PicturePrefetch::Finish::~Finish() {
    Prefetch& p = prefetch();
    const std::lock_guard lock(p.mutex);
    if (p.worker.joinable()) p.worker.join();
    p.image = QImage();
    p.path.clear();
}
