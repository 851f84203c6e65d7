#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// Hands URLs to the desktop (the browser, the mail program, the file manager).
class UrlOpener {
public:
    using Handler = std::function<void(const QUrl&)>;

    // On Linux through xdg-open, whose output goes to the log line by line, escaped; a failure
    // is logged and reported to the failure handler once the opener has given up.
    static void open(const QUrl& url);

    // Tests catch what would open; an empty handler restores the desktop.
    static void setHandler(Handler handler);
    // Called on the main thread with each URL that could not be opened.
    static void setFailureHandler(Handler handler);
    // What the log and the window say of a URL that could not be opened: a folder by its path,
    // so that the user can open it by hand.
    static QString failureNotice(const QUrl& url);

    // A link from a skin opens only as http, https, mailto or tel: a shared skin must not be
    // able to start local files and programs through the desktop's handlers with one click.
    static bool isOpenableLink(const QString& text);

    // The opener's output is logged in lines of at most this many bytes, and this many lines.
    static constexpr qint64 kMaxLineBytes = 500;
    static constexpr int kMaxLines = 50;
};
