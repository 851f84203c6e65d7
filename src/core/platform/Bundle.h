#pragma once

#include <QString>

#include <memory>

// A folder opened for resource lookup, the way the skins are stored: a resource is a file named
// "<name>.<type>" inside one sub-folder.
class Bundle {
public:
    // Null when nothing readable is at path or it is not a folder.
    static std::unique_ptr<Bundle> initWithPath(const QString& path);

    const QString& bundlePath() const { return path; }

    // The full path of directory/name.type inside the bundle, or a null string when there is no
    // such regular file (a folder of that name does not count).
    QString pathForResource(const QString& name, const QString& type,
                            const QString& directory) const;

    // The skin bundle that ships with the application, found next to the executable
    // (<prefix>/bin/../share/vell-thermo/skin.bundle) in the build tree and once installed.
    static QString packagedSkinBundlePath();
    // Tests and tools point the lookup elsewhere; an empty path restores the default.
    static void setPackagedSkinBundlePath(const QString& path);

private:
    explicit Bundle(QString path) : path(std::move(path)) {}
    QString path;
};
