#pragma once

#include "platform/Device.h"
#include "skin/SkinFileCache.h"

#include <QImage>
#include <QString>

#include <optional>

// Decodes the first skin picture on a thread of its own while the program builds its window, so
// that the first layout finds it decoded.
class PicturePrefetch {
public:
    // Starts decoding the picture at path; at most one prefetch runs at a time.
    static void start(const QString& path);
    // The same for the picture that skin of the installed bundle shows at size and idiom, if
    // the bundle is installed already.
    static void startForSkin(const QString& bundle, const QString& skin, const QSizeF& size,
                             Device::Idiom idiom);

    // The picture prefetched for path, waiting for its decode, when the file is still the one
    // decoded; nothing otherwise. Each prefetch is taken once.
    static std::optional<QImage> take(const QString& path, const FileIdentity& identity);

    // Waits for a prefetch nobody took, and drops it, when it goes: the decode must not outlive
    // the application object.
    struct Finish {
        Finish() = default;
        ~Finish();
        Finish(const Finish&) = delete;
        Finish& operator=(const Finish&) = delete;
    };
};
