#pragma once

#include "platform/UrlOpener.h"

#include <QList>

// The URLs the program hands to the desktop while this lives, caught instead of opened.
struct OpenedUrls : QList<QUrl> {
    OpenedUrls() {
        UrlOpener::setHandler([this](const QUrl& url) { append(url); });
    }
    ~OpenedUrls() { UrlOpener::setHandler({}); }
};
