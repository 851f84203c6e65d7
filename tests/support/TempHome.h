#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh home directory for one test, made the application's home while it lives.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    QString path() const { return dir.path(); }
    QString installedBundle() const;
    // Writes data to a file under the home (folders made as needed); returns its path.
    QString write(const QString& relative, const QByteArray& data) const;

private:
    QTemporaryDir dir;
};
