#include "skincheck/CheckCommand.h"

#include "platform/SystemLog.h"
#include "skincheck/SkinReport.h"

#include <QApplication>

#include <cstdio>

int runSkinCheck(int& argc, char* argv[], const SkinCheckRequest& request) {
    // Fonts are resolved and the menu bar measured as the window would, with no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    SystemLog::installDefaultPattern();
    const QApplication app(argc, argv);
    const QSizeF view = request.viewFor ? request.viewFor(request.size.toSize()) : request.size;
    SkinReport report = request.folder.isEmpty()
                            ? SkinReport::build(request.home, view, request.idiom)
                            : SkinReport::buildForFolder(request.folder, view, request.idiom);
    report.size = request.size;
    const QByteArray out = request.json ? report.toJson() : report.toText().toUtf8();
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    return report.hasProblems() || (request.strict && report.hasWarnings()) ? 1 : 0;
}
