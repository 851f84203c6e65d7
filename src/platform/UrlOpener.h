#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// Hands URLs to the desktop (the browser, the mail program, the file manager).
class UrlOpener {
public:
    using Handler = std::function<void(const QUrl&)>;

    static void open(const QUrl& url);

    // Tests catch what would open; an empty handler restores the desktop.
    static void setHandler(Handler handler);

    // A link from a skin opens only as http, https, mailto or tel: a shared skin must not be
    // able to start local files and programs through the desktop's handlers with one click.
    static bool isOpenableLink(const QString& text);
};
