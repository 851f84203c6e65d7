// Layout of the background view: with unchanged skin files, right after the picture was
// replaced, and through a live resize of the whole window. Each is set against decoding the
// picture, timed in between the layouts so that both see the same machine.

#include "AppRig.h"
#include "BenchFixture.h"
#include "screen/ViewController.h"
#include "shell/MainWindow.h"
#include "skin/PictureReader.h"
#include "skinview/ImageView.h"
#include "skinview/UIBackGroundView.h"
#include "widgets/UILinkLabel.h"

#include <QCoreApplication>
#include <QImageReader>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {
using Clock = std::chrono::steady_clock;
const QSize kPictureSize(3840, 2160);

Nanos timeDecode(const QString& path, QImage* out = nullptr) {
    const auto start = Clock::now();
    QImageReader reader(path);
    QImage image = reader.read();
    const Nanos took = since(start);
    benchmark::DoNotOptimize(image.constBits());
    if (out != nullptr) *out = image;
    return took;
}

// What a layout leaves to the event loop: deleting the labels it replaced.
void finishLayout() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

qsizetype linkLabels(const QWidget* view) {
    return view->findChildren<UILinkLabel*>(Qt::FindDirectChildrenOnly).size();
}

// The layout's own read of a new picture for the view: the reference of a layout after a change.
Nanos timeRead(const QString& path, const QSize& view) {
    const auto start = Clock::now();
    const ReadPicture read = PictureReader::read(path, view);
    const Nanos took = since(start);
    benchmark::DoNotOptimize(read.image.constBits());
    return took;
}

void setSeconds(benchmark::State& state, Nanos took) {
    state.SetIterationTime(static_cast<double>(took.count()) / 1e9);
}

// The background view alone, in a shown window, laid out once.
struct BackgroundRig {
    static constexpr QSize kSize{1440, 900};

    BackgroundRig() {
        BenchHome::instance().replacePicture(0);
        window.resize(kSize);
        UIBackGroundView::expectWindowSize(kSize);
        view = UIBackGroundView::initWithSkin(QStringLiteral("qir")).release();
        if (view == nullptr) return;
        view->setParent(&window);
        view->setFrame(QRectF(QPointF(0, 0), QSizeF(kSize)));
        view->show();
        window.show();
        spinEvents(50);
    }

    // Empty when the view shows the benchmark skin as it should.
    const char* problem() const {
        if (view == nullptr) return "no background view";
        // Read no larger than the view needs.
        if (view->pictureView()->image().size() != PictureReader::shownSize(kPictureSize, kSize))
            return "no 4K picture shown";
        if (linkLabels(view) != BenchHome::kLabelCount) return "not 20 labels";
        return nullptr;
    }

    QWidget window;
    UIBackGroundView* view = nullptr;
};

void BM_Decode4K(benchmark::State& state) {
    BenchHome::instance().replacePicture(0);
    const QString path = BenchHome::instance().picturePath();
    std::vector<Nanos> samples;
    for (auto _ : state) {
        QImage image;
        samples.push_back(timeDecode(path, &image));
        setSeconds(state, samples.back());
        if (image.size() != kPictureSize) state.SkipWithError("the picture does not decode");
    }
    state.counters["median_ms"] = medianMs(samples);
}

void BM_LayoutUnchanged(benchmark::State& state) {
    BackgroundRig rig;
    if (const char* problem = rig.problem()) return state.SkipWithError(problem);
    const QRectF frame = rig.view->frame();
    const QString path = BenchHome::instance().picturePath();
    std::vector<Nanos> samples;
    std::vector<Nanos> decodes;
    for (auto _ : state) {
        const auto start = Clock::now();
        rig.view->setFrame(frame);
        finishLayout();
        samples.push_back(since(start));
        setSeconds(state, samples.back());
        if (samples.size() % 25 == 0) decodes.push_back(timeDecode(path));
    }
    if (const char* problem = rig.problem()) return state.SkipWithError(problem);
    state.counters["median_ms"] = medianMs(samples);
    state.counters["p90_ms"] = percentileMs(samples, 0.9);
    state.counters["decode_ms"] = medianMs(decodes);
}

void BM_LayoutAfterReplace(benchmark::State& state) {
    BackgroundRig rig;
    if (const char* problem = rig.problem()) return state.SkipWithError(problem);
    const QRectF frame = rig.view->frame();
    const QString path = BenchHome::instance().picturePath();
    std::vector<Nanos> samples;
    std::vector<Nanos> decodes;
    int variant = 0;
    for (auto _ : state) {
        variant = 1 - variant;
        BenchHome::instance().replacePicture(variant);
        const qint64 before = rig.view->pictureView()->image().cacheKey();
        const auto start = Clock::now();
        rig.view->setFrame(frame);
        finishLayout();
        samples.push_back(since(start));
        setSeconds(state, samples.back());
        if (rig.view->pictureView()->image().cacheKey() == before)
            state.SkipWithError("the replaced picture was not shown");
        decodes.push_back(timeRead(path, BackgroundRig::kSize));
    }
    if (const char* problem = rig.problem()) return state.SkipWithError(problem);
    state.counters["median_ms"] = medianMs(samples);
    state.counters["decode_ms"] = medianMs(decodes);
}

// A drag of the window's corner: 100 sizes from 1024x640 out to 1920x1200 and back, each step
// laid out (the resize events) and painted (the whole window), several sweeps.
QSize dragSize(int step) {
    const double t = (step % 100) / 50.0;
    const double out = t <= 1 ? t : 2 - t;
    return QSize(1024 + static_cast<int>(std::lround(896 * out)),
                 640 + static_cast<int>(std::lround(560 * out)));
}

void BM_LiveResize(benchmark::State& state) {
    BenchHome::instance().replacePicture(0);
    AppRig app;
    if (!app.laidOut()) return state.SkipWithError("the window was not laid out");
    const QString path = BenchHome::instance().picturePath();
    MainWindow& window = app.window();
    std::vector<Nanos> samples;
    std::vector<Nanos> decodes;
    int step = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        window.resize(dragSize(step++));
        QCoreApplication::processEvents();
        window.repaint();
        finishLayout();
        samples.push_back(since(start));
        setSeconds(state, samples.back());
        if (step % 100 == 0) {
            // Between sweeps: the reference decodes, then the pause's smooth repaint.
            decodes.push_back(timeDecode(path));
            decodes.push_back(timeDecode(path));
            spinEvents(ImageView::kSettleMs + 50);
        }
    }
    if (!app.laidOut()) return state.SkipWithError("the background did not follow the window");
    state.counters["median_ms"] = medianMs(samples);
    state.counters["p90_ms"] = percentileMs(samples, 0.9);
    state.counters["max_ms"] = percentileMs(samples, 1.0);
    state.counters["decode_ms"] = medianMs(decodes);
}
}  // namespace

BENCHMARK(BM_Decode4K)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayoutUnchanged)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LayoutAfterReplace)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiveResize)->UseManualTime()->Iterations(400)->Unit(benchmark::kMillisecond);
