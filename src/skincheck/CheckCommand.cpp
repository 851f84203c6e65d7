#include "skincheck/CheckCommand.h"

#include "platform/SystemLog.h"
#include "skincheck/SkinReport.h"

#include <QGuiApplication>

#include <cstdio>

int runSkinCheck(int& argc, char* argv[], const SkinCheckRequest& request) {
    // Fonts are resolved as the window would, which needs a GUI application but no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    SystemLog::installDefaultPattern();
    const QGuiApplication app(argc, argv);
    const SkinReport report =
        request.folder.isEmpty()
            ? SkinReport::build(request.home, request.size, request.idiom)
            : SkinReport::buildForFolder(request.folder, request.size, request.idiom);
    const QByteArray out = request.json ? report.toJson() : report.toText().toUtf8();
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    return report.hasProblems() || (request.strict && report.hasWarnings()) ? 1 : 0;
}
