#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <chrono>
#include <memory>
#include <vector>

class TempHome;

// The benchmarks' home: a temporary home folder whose installed qir skin holds a 3840x2160
// background with real structure (gradients, shapes, fine texture) and a labels.plist of 20
// entries. The pictures are drawn and encoded once per run.
class BenchHome {
public:
    static constexpr int kLabelCount = 20;

    // The one instance of the run, made on first use (the application object must exist).
    static BenchHome& instance();
    ~BenchHome();

    QString skinFolder() const;
    QString picturePath() const;
    // Two encodings of different 4K pictures; variant 0 is what the skin holds at first.
    const QByteArray& pictureBytes(int variant) const { return pngs[variant % 2]; }
    // Replaces the skin's picture with variant the way an editor saves: a new file renamed over
    // the old one (new inode, new modification time).
    void replacePicture(int variant) const;
    // A file for the log, inside the home.
    QString logPath() const;

private:
    BenchHome();
    std::unique_ptr<TempHome> home;
    QByteArray pngs[2];
};

// A 3840x2160 picture (no alpha, as skins are drawn) with gradients, shapes and texture.
QImage drawSkinPicture(int variant);
QByteArray labelsPlist(int count);

// Small statistics over samples in nanoseconds.
using Nanos = std::chrono::nanoseconds;
double percentileMs(std::vector<Nanos> samples, double fraction);
inline double medianMs(const std::vector<Nanos>& samples) {
    return percentileMs(samples, 0.5);
}
inline Nanos since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<Nanos>(std::chrono::steady_clock::now() - start);
}
