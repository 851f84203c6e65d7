// The in-process benchmarks, on Qt's offscreen platform, against a temporary home whose qir
// skin is the 4K benchmark skin.

#include "BenchFixture.h"
#include "platform/SystemLog.h"

#include <QApplication>

#include <benchmark/benchmark.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    SystemLog::installDefaultPattern();
    benchmark::AddCustomContext("qt", qVersion());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vell-thermo"));
    // The pictures are drawn before any timing starts.
    const BenchHome& home = BenchHome::instance();
    benchmark::AddCustomContext("skin_picture_bytes", QStringLiteral("%1 and %2")
                                                          .arg(home.pictureBytes(0).size())
                                                          .arg(home.pictureBytes(1).size())
                                                          .toStdString());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
