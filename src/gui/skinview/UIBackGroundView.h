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

// In Qt terms: a QWidget that paints the skin's picture and holds its link labels.
// The full-window view that shows one skin's background picture, read from the installed skin
// bundle in the home directory. Every setting of its frame lays the skin out afresh, and so
// does a change to the skin's files on disk.
class UIBackGroundView : public QWidget {
    Q_OBJECT
public:
    // Null, with a log line, for an empty skin name or when the skin bundle cannot be opened.
    // Installs the packaged skin bundle first when nothing is at its place.
    static std::unique_ptr<UIBackGroundView> initWithSkin(const QString& skin);
    // The same with the skin "default". Part of the view's interface; the window does not use it.
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

    // The size, in points, of the window the next view will be shown in. The view's first
    // layout is at the screen's size, but its picture is read reduced for this window, so that
    // the layout at the window's size finds it ready.
    static void expectWindowSize(const QSize& size);

private:
    UIBackGroundView(std::unique_ptr<Bundle> bundle, QString skin);
    void removeLinkLabels();
    void addLinkLabel(const PlacedLabel& placement);

    ImageView* backgroundImageView = nullptr;  // child widget, made after the first layout
    std::unique_ptr<Bundle> myBundle;
    QString skinName;
    SkinFileCache files;  // the current skin's decoded files, checked against the disk each layout
    SkinWatcher watcher;  // lays the skin out again when its files change
    QSize pictureFor;     // the window size the first layout reads its picture for
};
