#include "platform/UrlOpener.h"

#include <QDesktopServices>

namespace {
UrlOpener::Handler& handler() {
    static UrlOpener::Handler h;
    return h;
}
}  // namespace

void UrlOpener::open(const QUrl& url) {
    if (handler())
        handler()(url);
    else
        QDesktopServices::openUrl(url);
}

void UrlOpener::setHandler(Handler h) {
    handler() = std::move(h);
}

bool UrlOpener::isOpenableLink(const QString& text) {
    if (text.isEmpty() || text.size() > 8192) return false;
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) return false;
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return !url.host().isEmpty();
    if (scheme == QLatin1String("mailto") || scheme == QLatin1String("tel"))
        return !url.path().isEmpty();
    return false;
}
