#include "skin/SkinStore.h"

#include "FuzzSupport.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// Each input is decoded into a small folder tree under a fresh bundle folder: folders, files,
// fifos, symbolic links inside the tree, in loops and out of it, unreadable folders, and names
// of raw bytes (hidden, not UTF-8). The listing must return exactly the real folders made
// directly inside the bundle, and the tree is removed after each run.
namespace {
constexpr size_t kMaxSteps = 48;
constexpr size_t kMaxNameLength = 24;

fs::path scratch;

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data(data), size(size) {}
    bool atEnd() const { return position >= size; }
    uint8_t next() { return position < size ? data[position++] : 0; }

    std::string name() {
        std::string text;
        const size_t length = 1 + next() % kMaxNameLength;
        for (size_t i = 0; i < length && !atEnd(); ++i) {
            const char c = static_cast<char>(next());
            text += c == '/' || c == '\0' ? '_' : c;
        }
        if (text.empty() || text == "." || text == "..") text += 'x';
        return text;
    }

private:
    const uint8_t* data;
    size_t size;
    size_t position = 0;
};

// A file of that exact name (bytes, not text), unless something is there already.
void makeFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd >= 0) ::close(fd);
}

// Owner rights back on every folder, so that the tree can be removed whatever the input did.
void restoreRights(const fs::path& root) {
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(root, ec))) return;
    ::chmod(root.c_str(), 0700);
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0700);
    }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    silenceLog();
    std::string pattern = (fs::temp_directory_path() / "vell-fuzz-skins-XXXXXX").string();
    FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
    scratch = pattern;
    std::atexit([] {
        restoreRights(scratch);
        std::error_code ignored;
        fs::remove_all(scratch, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader input(data, size);
    const fs::path bundle = scratch / "skin.bundle";
    std::vector<fs::path> folders{bundle};
    std::vector<fs::path> made{bundle};
    std::vector<std::string> expected;

    // The bundle itself is mostly a folder, sometimes a file, a link or a loop.
    std::error_code ec;
    switch (input.next() % 8) {
        case 0:
            makeFile(bundle);
            break;
        case 1:
            fs::create_symlink(bundle, bundle, ec);
            break;
        case 2:
            fs::create_directory_symlink("/", bundle, ec);
            break;
        default:
            fs::create_directory(bundle, ec);
            break;
    }
    const bool bundleIsFolder = fs::is_directory(fs::symlink_status(bundle, ec));
    bool bundleReadable = bundleIsFolder;

    // Nothing is made below a bundle that is not a real folder: it may lead out of the scratch.
    for (size_t step = 0; bundleIsFolder && step < kMaxSteps && !input.atEnd(); ++step) {
        const uint8_t kind = input.next();
        const fs::path parent = folders[input.next() % folders.size()];
        const fs::path path = parent / input.name();
        switch (kind % 8) {
            case 0:
            case 1:
                if (fs::create_directory(path, ec) && !ec) {
                    folders.push_back(path);
                    if (parent == bundle) expected.push_back(path.filename().string());
                }
                break;
            case 2:
                makeFile(path);
                break;
            case 3:
                ::mkfifo(path.c_str(), 0600);
                break;
            case 4:
                fs::create_symlink(made[input.next() % made.size()], path, ec);
                break;
            case 5:  // a link to itself
                fs::create_symlink(path, path, ec);
                break;
            case 6:
                fs::create_symlink(kind & 0x80 ? "/" : "../../..", path, ec);
                break;
            case 7:
                // A folder without rights is still listed, as the listing never enters it; only
                // an unreadable bundle cannot be listed (except by root).
                ::chmod(parent.c_str(), kind & 0x80 ? 0 : 0300);
                if (parent == bundle) bundleReadable = false;
                break;
        }
        std::error_code ignored;
        if (fs::exists(fs::symlink_status(path, ignored))) made.push_back(path);
    }

    const QStringList names = SkinStore::skinNames(QString::fromStdString(bundle.string()));
    // Root reads any folder whatever its rights.
    if (bundleIsFolder && (bundleReadable || ::geteuid() == 0)) {
        QStringList wanted;
        for (const std::string& name : expected) wanted.append(QFile::decodeName(name.c_str()));
        QStringList listed = names;
        std::sort(wanted.begin(), wanted.end());
        std::sort(listed.begin(), listed.end());
        FUZZ_CHECK(listed == wanted);
    } else if (!bundleIsFolder) {
        FUZZ_CHECK(names.isEmpty() || fs::is_directory(bundle, ec));
    }

    restoreRights(bundle);
    fs::remove_all(bundle, ec);
    return 0;
}
