#pragma once

#include "platform/Device.h"

#include <QSizeF>
#include <QString>

// What --check-skins and --check-skin ask for.
struct SkinCheckRequest {
    QString home;    // the installed skins of this home, when folder is empty
    QString folder;  // one skin folder anywhere
    QSizeF size;
    Device::Idiom idiom = Device::Idiom::Mac;
    bool json = false;
    bool strict = false;
};

// Prints the skin report on standard output, with no window and no sensor. Returns the exit
// status: 1 for what the window would log, and with strict for warnings too; 0 otherwise.
int runSkinCheck(int& argc, char* argv[], const SkinCheckRequest& request);
