#include "skin/PictureDecoder.h"

#include "skin/PictureCache.h"

#include <QFile>
#include <QImageReader>

#include <png.h>

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {
// Blocks of at most 16 x 16 pixels: a column's sum over 16 rows fits 16 bits, and a view small
// enough to allow more is painted from a picture a little larger than it needs.
constexpr int kMaxReduction = 16;

// libpng reports errors with longjmp. The two functions that call setjmp, and everything they
// call, hold plain data only, so that the jump skips nothing that needed destroying.
[[noreturn]] void jumpOut(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void ignoreWarning(png_structp, png_const_charp) {}

struct Header {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int channels = 3;  // 3 for RGB rows, 4 for RGBA
    bool interlaced = false;
};

// Reads the header and asks libpng for 8-bit RGB or RGBA whatever the file holds.
bool readHeader(png_structp png, png_infop info, Header* header) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    int depth = 0;
    int colour = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &header->width, &header->height, &depth, &colour, &interlace, nullptr,
                 nullptr);
    header->interlaced = interlace != PNG_INTERLACE_NONE;
    const bool alpha =
        (colour & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    header->channels = alpha ? 4 : 3;
    png_set_expand(png);  // palette to RGB, grey to 8 bits, transparency to alpha
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    return true;
}

// Rows straight into the image (direct), in Qt's byte order with the alpha byte always there;
// otherwise as they are, RGB or RGBA, for the sums.
bool startRows(png_structp png, png_infop info, const Header& header, bool direct) {
    if (setjmp(png_jmpbuf(png))) return false;
    if (direct) {
        png_set_bgr(png);
        if (header.channels == 3) png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    }
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) ==
           size_t{header.width} * (direct ? 4u : unsigned(header.channels));
}

// Where the sums go: plain pointers into buffers that the caller owns.
struct Sink {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int channels = 3;
    int k = 1;
    quint16* columns = nullptr;  // per column and channel, the sum over the block's rows
    uchar* bits = nullptr;       // the output image
    qsizetype stride = 0;
};

// Rows handed from the thread that reads them (libpng's inflate and filters, the larger part)
// to the one that sums them, so that the two run side by side.
class RowQueue {
public:
    // Room for up to 32 rows, and for at least 2 of any width, in at most 8 MiB beyond that.
    explicit RowQueue(size_t rowBytes)
        : rowBytes(rowBytes),
          slotCount(quint32(std::clamp<size_t>((size_t{8} << 20) / rowBytes, 2, 32))),
          batch(std::max(1u, slotCount / 4)),
          buffer(slotCount * rowBytes) {}

    // The reader's side: a free slot to read the next row into, then push(), and finish() after
    // the last.
    png_bytep nextFree() {
        const quint32 at = produced.load(std::memory_order_relaxed);
        if (at - consumed.load() == slotCount) {
            produced.notify_one();  // the summer must be awake to make room
            for (quint32 done = consumed.load(); at - done == slotCount; done = consumed.load())
                consumed.wait(done);
        }
        return slot(at);
    }
    void push() {
        // Waking the other side for every row would cost more than the rows: it is woken for
        // every few, and whenever it must be.
        if (produced.fetch_add(1) % batch == batch - 1) produced.notify_one();
    }
    void finish() { produced.notify_one(); }
    // No more rows will come: the reader failed.
    void abort() {
        aborted = true;
        produced.fetch_add(1);
        produced.notify_one();
    }

    // The summer's side: the next row, or null once the reader failed; then pop().
    const png_byte* nextFull() {
        const quint32 at = consumed.load(std::memory_order_relaxed);
        for (quint32 ready = produced.load(); ready == at; ready = produced.load())
            produced.wait(ready);
        return aborted ? nullptr : slot(at);
    }
    void pop() {
        // Every few, and never fewer than once while the queue drains from full.
        if (consumed.fetch_add(1) % batch == batch - 1) consumed.notify_one();
    }

private:
    png_bytep slot(quint32 n) { return buffer.data() + (n % slotCount) * rowBytes; }

    const size_t rowBytes;
    const quint32 slotCount;
    const quint32 batch;
    std::vector<png_byte> buffer;
    std::atomic<quint32> produced{0};
    std::atomic<quint32> consumed{0};
    std::atomic<bool> aborted{false};
};

// Rounded division by d, for dividends below 2^16, as one multiplication.
struct Divider {
    explicit Divider(quint32 d) : half(d / 2), magic((quint64{1} << 32) / d + 1) {}
    quint32 operator()(quint32 n) const { return quint32(((n + half) * magic) >> 32); }
    quint32 half;
    quint64 magic;
};

// Adds one row into the column sums, premultiplied when there is alpha.
template <int Channels>
void addRow(const Sink& s, const png_byte* in) {
    quint16* sum = s.columns;
    const size_t n = size_t{s.width} * Channels;
    if constexpr (Channels == 4) {
        for (size_t i = 0; i < n; i += 4) {
            const quint32 alpha = in[i + 3];
            for (size_t c = 0; c < 3; ++c) sum[i + c] += quint16((in[i + c] * alpha + 127) / 255);
            sum[i + 3] += quint16(alpha);
        }
    } else {
        for (size_t i = 0; i < n; ++i) sum[i] += in[i];
    }
}

// Writes output row y as the means of blocks rows high (fewer at the bottom edge) and k wide
// (fewer at the right edge), and clears the sums for the next.
template <int Channels>
void emitRow(const Sink& s, png_uint_32 y, quint32 rows) {
    auto* out = reinterpret_cast<quint32*>(s.bits + s.stride * qsizetype(y));
    const png_uint_32 k = png_uint_32(s.k);
    const Divider full(k * rows);
    const quint16* column = s.columns;
    for (png_uint_32 x = 0; x < s.width; x += k, ++out) {
        const png_uint_32 wide = std::min(k, s.width - x);
        const Divider mean = wide == k ? full : Divider(wide * rows);
        quint32 sum[4] = {0, 0, 0, 0};
        for (png_uint_32 i = 0; i < wide; ++i, column += Channels)
            for (int c = 0; c < Channels; ++c) sum[c] += column[c];
        const quint32 alpha = Channels == 4 ? mean(sum[3]) : 0xffu;
        *out = alpha << 24 | mean(sum[0]) << 16 | mean(sum[1]) << 8 | mean(sum[2]);
    }
    std::fill(s.columns, s.columns + size_t{s.width} * Channels, quint16{0});
}

// The summing thread: every row of the queue into the image, until the last or an abort.
template <int Channels>
void sumRows(RowQueue& queue, const Sink& s) {
    const png_uint_32 k = png_uint_32(s.k);
    for (png_uint_32 y = 0; y < s.height; ++y) {
        const png_byte* row = queue.nextFull();
        if (row == nullptr) return;
        addRow<Channels>(s, row);
        queue.pop();
        if ((y + 1) % k == 0 || y + 1 == s.height) emitRow<Channels>(s, y / k, y % k + 1);
    }
}

bool queueRows(png_structp png, RowQueue& queue, png_uint_32 height) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(png, queue.nextFree(), nullptr);
        queue.push();
    }
    queue.finish();
    return true;
}

bool copyRows(png_structp png, const Sink& s) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (png_uint_32 y = 0; y < s.height; ++y)
        png_read_row(png, s.bits + s.stride * qsizetype(y), nullptr);
    return true;
}

// The file, opened without blocking (a named pipe must not hang the reader) and only if it is a
// regular file.
class PictureFile {
public:
    explicit PictureFile(const QString& path) {
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) return;
        if (!(identity = FileIdentity::ofOpen(fd)) || (stream = ::fdopen(fd, "rb")) == nullptr)
            ::close(fd);
    }
    ~PictureFile() {
        if (stream != nullptr) std::fclose(stream);
    }
    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;
    FILE* stream = nullptr;
    std::optional<FileIdentity> identity;  // of what is read
};

class PngReader {
public:
    PngReader()
        : png(png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, jumpOut, ignoreWarning)),
          info(png != nullptr ? png_create_info_struct(png) : nullptr) {}
    ~PngReader() { png_destroy_read_struct(&png, &info, nullptr); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
    png_structp png;
    png_infop info;
};

// Everything libpng reads but interlaced pictures, from just before the signature.
std::optional<DecodedPicture> decodePng(FILE* stream, const QSize& cover) {
    png_byte signature[8] = {};
    if (std::fread(signature, 1, 8, stream) != 8 || png_sig_cmp(signature, 0, 8) != 0)
        return std::nullopt;
    const PngReader reader;
    if (reader.info == nullptr) return std::nullopt;
    // The chunks' CRCs already guard the compressed data; the checksum of the inflated data
    // costs a sixth of the decode and guards nothing more that a picture needs.
    png_set_option(reader.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_init_io(reader.png, stream);
    png_set_sig_bytes(reader.png, 8);
    Header header;
    if (!readHeader(reader.png, reader.info, &header) || header.interlaced ||
        !PictureDecoder::withinAllocationLimit(QSize(int(header.width), int(header.height))))
        return std::nullopt;
    const QSize size(int(header.width), int(header.height));
    const int k = PictureDecoder::reductionFor(size, cover);
    if (!startRows(reader.png, reader.info, header, k == 1)) return std::nullopt;

    const bool alpha = header.channels == 4;
    QImage image((size.width() + k - 1) / k, (size.height() + k - 1) / k,
                 !alpha ? QImage::Format_RGB32
                        : (k == 1 ? QImage::Format_ARGB32 : QImage::Format_ARGB32_Premultiplied));
    if (image.isNull()) return std::nullopt;
    Sink sink;
    sink.width = header.width;
    sink.height = header.height;
    sink.channels = header.channels;
    sink.k = k;
    sink.bits = image.bits();
    sink.stride = image.bytesPerLine();
    if (k == 1) {
        if (!copyRows(reader.png, sink)) return std::nullopt;
        return DecodedPicture{image, k, size};
    }
    const size_t samples = size_t{header.width} * size_t(header.channels);
    std::vector<quint16> columns(samples);
    sink.columns = columns.data();
    RowQueue queue(samples);
    std::jthread summer;
    try {
        summer = std::jthread([&queue, &sink] {
            sink.channels == 4 ? sumRows<4>(queue, sink) : sumRows<3>(queue, sink);
        });
    } catch (const std::system_error&) {
        return std::nullopt;  // no thread to be had: Qt's reader, on this one
    }
    const bool read = queueRows(reader.png, queue, header.height);
    if (!read) queue.abort();
    summer.join();
    if (!read) return std::nullopt;
    return DecodedPicture{image, k, size};
}
}  // namespace

bool PictureDecoder::withinAllocationLimit(const QSize& size) {
    const int limitMb = QImageReader::allocationLimit();
    return limitMb <= 0 ||
           qint64{size.width()} * size.height() * 4 <= qint64{limitMb} * 1024 * 1024;
}

int PictureDecoder::reductionFor(const QSize& picture, const QSize& cover) {
    if (cover.isEmpty() || picture.isEmpty()) return 1;
    const int k = std::min(picture.width() / cover.width(), picture.height() / cover.height());
    return std::clamp(k, 1, kMaxReduction);
}

std::optional<DecodedPicture> PictureDecoder::readPng(const QString& path, const QSize& cover) {
    const PictureFile file(path);
    if (file.stream == nullptr) return std::nullopt;
    if (std::optional<DecodedPicture> copy = PictureCache::load(path, *file.identity, cover))
        return copy;
    std::optional<DecodedPicture> decoded = decodePng(file.stream, cover);
    if (decoded) PictureCache::store(path, *file.identity, *decoded);
    return decoded;
}
