#pragma once

#include "platform/Device.h"

#include <QSizeF>
#include <QString>

#include <functional>

// What --check-skins and --check-skin ask for.
struct SkinCheckRequest {
    QString home;    // the installed skins of this home, when folder is empty
    QString folder;  // one skin folder anywhere
    QSizeF size;     // the window's
    // The view a window of that size has, as the window lays it out; without it, the same size.
    std::function<QSizeF(const QSize&)> viewFor;
    Device::Idiom idiom = Device::Idiom::Mac;
    bool json = false;
    bool strict = false;
};

// Prints the skin report on standard output, with no window shown and no sensor. Returns the exit
// status: 1 for what the window would log, and with strict for warnings too; 0 otherwise.
int runSkinCheck(int& argc, char* argv[], const SkinCheckRequest& request);
