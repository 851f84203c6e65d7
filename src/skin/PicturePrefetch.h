#pragma once

#include "platform/Device.h"
#include "skin/PictureDecoder.h"
#include "skin/SkinFileCache.h"

#include <QImage>
#include <QString>

#include <optional>

// Decodes the first skin picture on a thread of its own, from before the application object
// exists, while the program connects to the display and builds its window, so that the first
// layout finds it decoded.
class PicturePrefetch {
public:
    // Starts decoding the picture at path to cover a view of cover pixels; at most one prefetch
    // runs at a time.
    static void start(const QString& path, const QSize& cover);
    // The same for the picture that skin of the installed bundle shows in a window of size and
    // idiom, if the bundle is installed already.
    static void startForSkin(const QString& bundle, const QString& skin, const QSize& size,
                             Device::Idiom idiom);

    // The picture prefetched for path, waiting for its decode, when the file is still the one
    // decoded and PictureDecoder could read it; nothing otherwise. Each prefetch is taken once.
    static std::optional<DecodedPicture> take(const QString& path, const FileIdentity& identity);

    // Whether a prefetch of path was started and not taken yet, finished or not. Never waits.
    static bool pending(const QString& path);

    // Waits for a prefetch nobody took, and drops it, when it goes: the decode must not outlive
    // the application object.
    struct Finish {
        Finish() = default;
        ~Finish();
        Finish(const Finish&) = delete;
        Finish& operator=(const Finish&) = delete;
    };
};
