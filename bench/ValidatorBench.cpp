// The string validators on the strings that cost them most: long, and shaped to make the
// patterns backtrack, up to 64 KiB (65,536 characters).

#include "BenchFixture.h"
#include "text/StringValidators.h"

#include <benchmark/benchmark.h>

#include <functional>

namespace {
using Clock = std::chrono::steady_clock;

QString repeated(const QString& unit, qsizetype length) {
    QString s;
    s.reserve(length + unit.size());
    while (s.size() < length) s += unit;
    s.truncate(length);
    return s;
}

// Each probe: a prefix, a unit repeated to fill the length, a suffix.
QList<QString> probes() {
    struct Shape {
        const char16_t* prefix;
        const char16_t* unit;
        const char16_t* suffix;
    };
    static const Shape kShapes[] = {
        {u"", u"a", u""},
        {u"1", u"3", u""},
        {u"13", u"\u0661", u""},
        {u"", u"a", u"@"},
        {u"a@", u"a", u""},
        {u"a@", u"a.", u""},
        {u"a@", u"a.aa", u"!"},
        {u"a@", u".-", u".a"},
        {u"", u"a.%+", u"@b.c"},
        {u"", u"@", u""},
        {u"http://", u"a", u""},
        {u"http://", u"a.", u""},
        {u"http://", u"a.", u"!"},
        {u"http://", u"aa-.", u"a!"},
        {u"https://", u"\u00e9.", u"/x"},
        {u"http://a.b/", u"x", u"#"},
        {u"http://a.b/", u"%&= ./?", u"#"},
        {u"http://", u"a.", u"b/?/?/?#"},
        {u"", u"\U0001F600", u""},
    };
    static const qsizetype kLengths[] = {64, 1024, 4095, 4096, 4097, 16384, 65536};
    QList<QString> list;
    for (const Shape& shape : kShapes) {
        const QString prefix = QString::fromUtf16(shape.prefix);
        const QString unit = QString::fromUtf16(shape.unit);
        const QString suffix = QString::fromUtf16(shape.suffix);
        for (qsizetype length : kLengths) {
            const qsizetype fill = length - prefix.size() - suffix.size();
            if (fill > 0) list.append(prefix + repeated(unit, fill) + suffix);
        }
    }
    return list;
}

// The slowest probe's median time over a few calls.
void worstCase(benchmark::State& state, const std::function<bool(const QString&)>& validator) {
    const QList<QString> all = probes();
    for (auto _ : state) {
        double worst = 0;
        qsizetype worstLength = 0;
        for (const QString& probe : all) {
            std::vector<Nanos> samples;
            for (int i = 0; i < 5; ++i) {
                const auto start = Clock::now();
                benchmark::DoNotOptimize(validator(probe));
                samples.push_back(since(start));
            }
            const double ms = medianMs(samples);
            if (ms > worst) {
                worst = ms;
                worstLength = probe.size();
            }
        }
        state.counters["worst_ms"] = worst;
        state.counters["worst_length"] = static_cast<double>(worstLength);
        state.counters["probes"] = static_cast<double>(all.size());
    }
}

void BM_ValidatorTel(benchmark::State& state) {
    worstCase(state, StringValidators::checkTelNumber);
}
void BM_ValidatorEmail(benchmark::State& state) {
    worstCase(state, StringValidators::validateEmail);
}
void BM_ValidatorUrl(benchmark::State& state) {
    worstCase(state, StringValidators::checkURL);
}
}  // namespace

BENCHMARK(BM_ValidatorTel)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ValidatorEmail)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ValidatorUrl)->Iterations(1)->Unit(benchmark::kMillisecond);
