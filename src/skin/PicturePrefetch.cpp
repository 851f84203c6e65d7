#include "skin/PicturePrefetch.h"

#include "platform/Bundle.h"
#include "skin/PictureChoice.h"

#include <mutex>
#include <system_error>
#include <thread>

namespace {
struct Prefetch {
    std::mutex mutex;
    QString path;
    std::optional<FileIdentity> identity;
    std::optional<DecodedPicture> image;
    std::jthread worker;  // joined at exit if nobody took the picture
};

Prefetch& prefetch() {
    static Prefetch state;
    return state;
}
}  // namespace

void PicturePrefetch::start(const QString& path, const QSize& cover) {
    Prefetch& p = prefetch();
    const std::lock_guard lock(p.mutex);
    if (p.worker.joinable()) return;
    p.path = path;
    p.identity = FileIdentity::of(path);
    if (!p.identity) return;
    try {
        p.worker = std::jthread([&p, path, cover] {
            p.image = PictureDecoder::readPng(path, cover);  // read by take() only after a join
        });
    } catch (const std::system_error&) {
        p.path.clear();  // no thread to be had: the first layout decodes as any other
    }
}

void PicturePrefetch::startForSkin(const QString& bundle, const QString& skin, const QSize& size,
                                   Device::Idiom idiom) {
    const std::unique_ptr<Bundle> installed = Bundle::initWithPath(bundle);
    if (!installed) return;
    const QString path = installed->pathForResource(backgroundResourceName(idiom, QSizeF(size)),
                                                    QStringLiteral("png"), skin);
    if (!path.isNull()) start(path, size);
}

std::optional<DecodedPicture> PicturePrefetch::take(const QString& path,
                                                    const FileIdentity& identity) {
    Prefetch& p = prefetch();
    const std::lock_guard lock(p.mutex);
    if (!p.worker.joinable() || p.path != path) return std::nullopt;
    p.worker.join();
    p.worker = std::jthread();
    std::optional<DecodedPicture> image;
    if (p.identity == identity) image = std::move(p.image);
    p.image.reset();
    p.path.clear();
    return image;
}

bool PicturePrefetch::pending(const QString& path) {
    Prefetch& p = prefetch();
    const std::lock_guard lock(p.mutex);
    return p.worker.joinable() && p.path == path;
}

PicturePrefetch::Finish::~Finish() {
    Prefetch& p = prefetch();
    const std::lock_guard lock(p.mutex);
    if (p.worker.joinable()) p.worker.join();
    p.image.reset();
    p.path.clear();
}
