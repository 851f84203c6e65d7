#include "skinview/UIBackGroundView.h"

#include "platform/Device.h"
#include "platform/HomeDirectory.h"
#include "platform/SystemLog.h"
#include "skin/SkinLayout.h"
#include "skin/SkinStore.h"
#include "skinview/ImageView.h"
#include "skinview/SkinChooser.h"
#include "text/FontLookup.h"
#include "widgets/TapRecognizer.h"
#include "widgets/UILinkLabel.h"
#include "widgets/ViewGeometry.h"

#include <QtMath>
#include <algorithm>

namespace {
QSize expectedWindow;
}

void UIBackGroundView::expectWindowSize(const QSize& size) {
    expectedWindow = size;
}

std::unique_ptr<UIBackGroundView> UIBackGroundView::init() {
    return initWithSkin(QStringLiteral("default"));
}

std::unique_ptr<UIBackGroundView> UIBackGroundView::initWithSkin(const QString& skin) {
    if (skin.isEmpty()) {
        SystemLog::write(QStringLiteral("skin must exist."));
        return nullptr;
    }
    const QString installed = SkinStore::installedBundlePath(HomeDirectory::path());
    SkinStore::installIfMissing(Bundle::packagedSkinBundlePath(), installed);
    std::unique_ptr<Bundle> bundle = Bundle::initWithPath(installed);
    if (!bundle) {
        SystemLog::write(QStringLiteral("skin.bundle NOT exist in your project."));
        return nullptr;
    }
    std::unique_ptr<UIBackGroundView> view(new UIBackGroundView(std::move(bundle), skin));
    view->pictureFor = std::exchange(expectedWindow, QSize());

    const QRectF screen = Device::mainScreenBounds();
    view->setFrame(QRectF(QPointF(0, 0), screen.size()));
    view->backgroundImageView = new ImageView(view.get());
    ViewGeometry::setFrame(view->backgroundImageView, QRectF(QPointF(0, 0), screen.size()));
    view->backgroundImageView->show();
    UIBackGroundView* target = view.get();
    new TapRecognizer(target, 5, [target] { target->gestureTapped(); });
    return view;
}

UIBackGroundView::UIBackGroundView(std::unique_ptr<Bundle> bundle, QString skin)
    : myBundle(std::move(bundle)), skinName(std::move(skin)) {
    connect(&watcher, &SkinWatcher::changed, this, &UIBackGroundView::relayout);
}

QRectF UIBackGroundView::frame() const {
    return ViewGeometry::frame(this);
}

void UIBackGroundView::setFrame(const QRectF& newFrame) {
    ViewGeometry::setFrame(this, newFrame);
    if (backgroundImageView != nullptr)
        ViewGeometry::setFrame(backgroundImageView, QRectF(QPointF(0, 0), newFrame.size()));
    relayout();
}

void UIBackGroundView::relayout() {
    const QString folder = myBundle->bundlePath() + QLatin1Char('/') + skinName;
    files.keepOnly(folder);
    watcher.watch(folder);
    // The picture needs no more pixels than the view shows on this screen.
    const QSizeF pixels =
        QSizeF(pictureFor.isEmpty() ? frame().size() : std::exchange(pictureFor, QSize())) *
        devicePixelRatioF();
    const QSize cover(qCeil(pixels.width()), qCeil(pixels.height()));
    const SkinLayout skin = SkinLayout::make(*myBundle, skinName, frame().size(),
                                             Device::userInterfaceIdiom(), files, cover);
    removeLinkLabels();
    for (const PlacedLabel& placement : skin.labels) addLinkLabel(placement);
    // A picture that cannot be shown leaves the one before it on screen.
    if (!skin.picture.isNull() && backgroundImageView != nullptr)
        backgroundImageView->setImage(skin.picture);
    for (const QString& line : skin.problems) SystemLog::write(line);
}

void UIBackGroundView::gestureTapped() {
    const QStringList skins = SkinStore::skinNames(myBundle->bundlePath());
    if (skins.size() < 2) return;
    SkinChooser* chooser = SkinChooser::present(skins, window());
    connect(chooser, &SkinChooser::skinChosen, this, &UIBackGroundView::switchSkin);
}

void UIBackGroundView::switchSkin(const QString& name) {
    skinName = name;
    relayout();
}

void UIBackGroundView::removeLinkLabels() {
    // Every link label among the direct children goes, whoever added it; nothing else does.
    const QList<UILinkLabel*> labels = findChildren<UILinkLabel*>(Qt::FindDirectChildrenOnly);
    for (UILinkLabel* label : labels) {
        label->hide();
        label->setParent(nullptr);
        label->deleteLater();  // it may be inside one of its own event handlers
    }
}

void UIBackGroundView::addLinkLabel(const PlacedLabel& placement) {
    UILinkLabel* label = UILinkLabel::initWithFrame(placement.frame, this);
    label->setLinktextColor(QColor::fromRgbF(
        std::clamp(placement.rgba[0], 0.0f, 1.0f), std::clamp(placement.rgba[1], 0.0f, 1.0f),
        std::clamp(placement.rgba[2], 0.0f, 1.0f), std::clamp(placement.rgba[3], 0.0f, 1.0f)));
    label->setLabelFont(
        FontLookup::fontWithName(placement.fontName, static_cast<qreal>(placement.fontSize)));
    label->setTitle(placement.title);
    if (placement.url) label->setUrl(*placement.url);
    label->show();  // newest child: in front of everything already there
}
