#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

// Tells when the files of the skin on screen change on disk, so that an author sees an edit
// without touching the window. One `changed` per burst of changes: an editor's save is often a
// truncate, several writes and a rename, and each of those is a change of its own.
//
// It watches the skin folder, the folder that holds it (so a folder removed and put back is
// seen), and the files a layout reads. Nothing runs while nothing changes: the kernel's watches
// wake nobody, and the two timers run only during a burst.
class SkinWatcher : public QObject {
    Q_OBJECT
public:
    // A burst ends after this much quiet, or at the latest this long after it began, so that a
    // change shows within half a second even while another program keeps writing.
    static constexpr int kQuietMs = 150;
    static constexpr int kLongestWaitMs = 400;

    explicit SkinWatcher(QObject* parent = nullptr);

    // Watches folder instead of what was watched before; nothing happens if it is the same.
    void watch(const QString& folder);

signals:
    void changed();

private:
    void noteChange();
    void endBurst();
    // Watches again what is there now: a file replaced by a rename is a new file to the kernel.
    void rearm();

    QFileSystemWatcher watcher;
    QTimer quiet;
    QTimer longest;
    QString folder;
};
