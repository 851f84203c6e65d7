#pragma once

#include "platform/Bundle.h"
#include "skin/SkinFileCache.h"
#include "skin/SkinLayout.h"
#include "skin/SkinWatcher.h"

#include <QRectF>
#include <QWidget>

#include <memory>

class ImageView;
struct PlacedLabel;

// The full-window view that shows one skin's background picture, read from the installed skin
// bundle in the home directory. Every setting of its frame lays the skin out afresh, and so
// does a change to the skin's files on disk.
class UIBackGroundView : public QWidget {
    Q_OBJECT
public:
    // Null, with a log line, for an empty skin name or when the skin bundle cannot be opened.
    // Installs the packaged skin bundle first when nothing is at its place.
    static std::unique_ptr<UIBackGroundView> initWithSkin(const QString& skin);
    // The same with the skin "default".
    static std::unique_ptr<UIBackGroundView> init();

    void setFrame(const QRectF& frame);
    QRectF frame() const;
    // Lays the skin out again at the current frame, reading whatever changed on disk.
    void relayout();

    // Five clicks: offers the installed skins when there are at least two.
    void gestureTapped();
    // A choice from the chooser: that skin, laid out at once at the current frame.
    void switchSkin(const QString& name);

    const QString& currentSkin() const { return skinName; }
    ImageView* pictureView() const { return backgroundImageView; }
    const Bundle& bundle() const { return *myBundle; }

    // How long a picture decoding at start-up may wait for the first paint before it is shown
    // (and its lines logged) anyway.
    static constexpr int kPendingPictureMs = 500;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    UIBackGroundView(std::unique_ptr<Bundle> bundle, QString skin);
    // Shows the pictures of the layouts made so far, waiting for one still decoding, and logs
    // their lines, in the order the layouts were made.
    void showPictures();
    void removeLinkLabels();
    void addLinkLabel(const PlacedLabel& placement);

    ImageView* backgroundImageView = nullptr;  // child widget, made after the first layout
    std::unique_ptr<Bundle> myBundle;
    QString skinName;
    SkinFileCache files;  // the current skin's decoded files, checked against the disk each layout
    SkinWatcher watcher;  // lays the skin out again when its files change
    // Layouts whose picture and lines are not shown yet: at start-up the first picture decodes
    // while the window is built, and is waited for when the picture is first painted.
    QList<SkinLayout> waiting;
};
