// The reading pipeline: a record handed over on the link's thread, shown on the label and
// written to the log (a file, as when standard error is redirected), in the application's own
// window. A fake transport stands in for the sensor.

#include "AppRig.h"
#include "BenchFixture.h"
#include "platform/MainThread.h"
#include "platform/SystemLog.h"
#include "screen/ViewController.h"
#include "sensor/StatusCodes.h"
#include "widgets/FitLabel.h"

#include <QFile>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>
#include <atomic>
#include <cstdio>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;

qint64 nowNs() {
    return std::chrono::duration_cast<Nanos>(Clock::now().time_since_epoch()).count();
}

// Shared by the benchmark, the transport on the link's thread and the screen's signal.
struct Feed {
    std::chrono::microseconds period{0};  // 0: as fast as the screen takes them
    std::atomic<qint64> shownAtNs{0};     // set on the main thread as each reading shows
    std::atomic<bool> recording{false};   // past the warm-up
    std::vector<Nanos> hops;              // the link thread's; read once the link has stopped
};

// A sensor that sends a new record on every turn of the link thread's loop, either at once or
// on a fixed schedule, and times each hand-over until the screen has shown it.
class PushTransport final : public LumoTransport {
public:
    explicit PushTransport(std::shared_ptr<Feed> feed) : feed(std::move(feed)) {
        // Every record differs from the one before, so each changes the label.
        for (int i = 0; i < 1000; ++i)
            records.append(QStringLiteral("Temp:%1.%2 Hum:%3.%4")
                               .arg(20 + i % 10)
                               .arg(i % 100, 2, 10, QLatin1Char('0'))
                               .arg(40 + i / 100)
                               .arg(i / 7 % 100, 2, 10, QLatin1Char('0'))
                               .toLatin1());
    }

    void start(const LinkSettings&, LinkSink& linkSink) override {
        sink = &linkSink;
        sink->status(StatusCode::Ready);
        next = Clock::now();
        connect(&timer, &QTimer::timeout, this, [this] { step(); });
        timer.start(0);
    }

private:
    void step() {
        // Made ahead, so that the sensor side costs what a real one does: handing bytes over.
        const QByteArray& record = records[count++ % records.size()];
        const bool paced = feed->period.count() > 0;
        if (paced) {
            next += feed->period;
            std::this_thread::sleep_until(next);
        }
        const qint64 handed = nowNs();
        sink->result(record);
        if (paced && feed->recording.load())
            feed->hops.push_back(Nanos(feed->shownAtNs.load() - handed));
    }

    std::shared_ptr<Feed> feed;
    LinkSink* sink = nullptr;
    QTimer timer;
    Clock::time_point next;
    QList<QByteArray> records;
    qsizetype count = 0;
};

// Sends standard error, and so the log, to a file while it lives.
class LogToFile {
public:
    explicit LogToFile(const QString& path) {
        std::fflush(stderr);
        saved = ::dup(STDERR_FILENO);
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::dup2(fd, STDERR_FILENO);
            ::close(fd);
        }
    }
    ~LogToFile() {
        std::fflush(stderr);
        if (saved >= 0) {
            ::dup2(saved, STDERR_FILENO);
            ::close(saved);
        }
    }
    LogToFile(const LogToFile&) = delete;
    LogToFile& operator=(const LogToFile&) = delete;

private:
    int saved = -1;
};

qsizetype countLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    return file.readAll().count('\n');
}

struct PipelineRun {
    qint64 shown = 0;  // readings shown in the measured window
    double seconds = 0;
    qsizetype logLines = 0;
    bool labelFollowed = false;
    std::shared_ptr<Feed> feed;
};

PipelineRun runPipeline(std::chrono::microseconds period, int warmupMs, int measureMs) {
    PipelineRun run;
    run.feed = std::make_shared<Feed>();
    run.feed->period = period;
    const QString logPath = BenchHome::instance().logPath();
    {
        LogToFile log(logPath);
        AppRig app([feed = run.feed] { return std::make_unique<PushTransport>(feed); });
        QString last;
        QObject::connect(&app.screen(), &ViewController::readingShown, &app.screen(),
                         [&](const QString& text) {
                             run.feed->shownAtNs = nowNs();
                             ++run.shown;
                             last = text;
                         });
        spinEvents(warmupMs);
        run.feed->recording = true;
        run.shown = 0;
        const auto start = Clock::now();
        spinEvents(measureMs);
        const qint64 shown = run.shown;
        run.feed->recording = false;
        run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        app.screen().gotoSystem();  // the link has stopped once this returns
        run.shown = shown;
        run.labelFollowed = !last.isEmpty() && app.screen().readingLabel()->text() == last;
    }
    run.logLines = countLines(logPath);
    return run;
}

// The blocking hop alone: a thread handing empty work to the main thread's loop and waiting for
// it, as the link does with each record. What the pipeline can reach with nothing to show.
void BM_HopFloor(benchmark::State& state) {
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::atomic<qint64> hops{0};
        std::thread link([&] {
            const MainThread::Scope scope(std::make_shared<HopGate>());
            while (!stop.load()) {
                MainThread::dispatchSync([] {});
                ++hops;
            }
        });
        spinEvents(200);
        const qint64 before = hops.load();
        const auto start = Clock::now();
        spinEvents(1500);
        const qint64 done = hops.load() - before;
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        stop = true;
        spinEvents(20);  // runs the last hop, so the thread can finish
        link.join();
        state.counters["hops_per_s"] = static_cast<double>(done) / seconds;
    }
}

void BM_PipelineThroughput(benchmark::State& state) {
    for (auto _ : state) {
        const PipelineRun run = runPipeline(std::chrono::microseconds(0), 300, 2500);
        if (!run.labelFollowed) state.SkipWithError("the label did not show the last reading");
        if (run.logLines < run.shown) state.SkipWithError("fewer log lines than readings");
        state.counters["records_per_s"] = static_cast<double>(run.shown) / run.seconds;
        state.counters["log_lines"] = static_cast<double>(run.logLines);
    }
}

void BM_PipelineHopAt1000(benchmark::State& state) {
    for (auto _ : state) {
        const PipelineRun run = runPipeline(std::chrono::microseconds(1000), 300, 3000);
        const std::vector<Nanos>& hops = run.feed->hops;
        if (hops.size() < 1000) return state.SkipWithError("too few paced readings");
        state.counters["records_per_s"] = static_cast<double>(run.shown) / run.seconds;
        state.counters["hops"] = static_cast<double>(hops.size());
        state.counters["p50_ms"] = percentileMs(hops, 0.5);
        state.counters["p99_ms"] = percentileMs(hops, 0.99);
        state.counters["max_ms"] = percentileMs(hops, 1.0);
    }
}
}  // namespace

// Two cores shared with whatever else runs: each is run three times and the median reported.
BENCHMARK(BM_HopFloor)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_PipelineThroughput)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_PipelineHopAt1000)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);
