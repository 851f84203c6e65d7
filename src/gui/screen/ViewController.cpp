#include "screen/ViewController.h"

#include "platform/MainThread.h"
#include "platform/SystemLog.h"
#include "reading/ReadingRecord.h"
#include "reading/StatusWords.h"
#include "sensor/SensorProfile.h"
#include "sensor/StatusCodes.h"
#include "sensor/VellLumo.h"
#include "skinview/UIBackGroundView.h"
#include "text/FontLookup.h"
#include "widgets/ActivityIndicator.h"
#include "widgets/FitLabel.h"
#include "widgets/OrrinNavigationController.h"
#include "widgets/ViewGeometry.h"

#include <QLabel>
#include <QPointer>
#include <QResizeEvent>

#include <algorithm>

namespace {
QColor colorFrom(float red, float green, float blue, float alpha) {
    return QColor::fromRgbF(red, green, blue, alpha);
}

// Small words on the spinner's translucent dark square, readable over any picture.
QLabel* overlayLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(
        QStringLiteral("QLabel { background: rgba(26, 26, 26, 160); color: white; "
                       "border-radius: 6px; padding: 4px 10px; }"));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->hide();
    return label;
}

// Centres an overlay's top edge at top: on one line where it fits the view's width, wrapped where
// it does not.
void placeOverlay(QLabel& label, QPointF top, qreal viewWidth) {
    label.setWordWrap(false);
    const int natural = label.sizeHint().width();
    label.setWordWrap(true);
    const int width = std::min(natural, std::max(0, static_cast<int>(viewWidth) - 24));
    label.setGeometry(QRect(static_cast<int>(top.x()) - width / 2, static_cast<int>(top.y()), width,
                            label.heightForWidth(width)));
}
}  // namespace

ViewController::ViewController(QWidget* parent) : UIViewController(parent) {}

ViewController::~ViewController() {
    // The link's thread must stop before the views it reports to go away.
    gotoSystem();
}

void ViewController::viewDidLoad() {
    UIViewController::viewDidLoad();
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    if (OrrinNavigationController* navigation = navigationController())
        navigation->setNavigationBarHidden(true);

    if (std::unique_ptr<UIBackGroundView> background = UIBackGroundView::initWithSkin(firstSkin)) {
        backView = background.release();
        backView->setParent(this);
        backView->show();
    }

    temptureLabel = new FitLabel(this);
    ViewGeometry::setFrame(temptureLabel, QRectF(0, 0, 320, 40));
    temptureLabel->setAdjustsFontSizeToFitWidth(true);
    temptureLabel->setAlignment(Qt::AlignCenter);
    temptureLabel->setTextColor(colorFrom(0.1f, 0.12f, 0.1f, 1.0f));
    temptureLabel->setFont(FontLookup::fontWithName(QStringLiteral("Verdana-Bold"), 32));
    temptureLabel->show();

    actView = new ActivityIndicator(this);
    ViewGeometry::setFrame(actView, QRectF(0, 0, 120, 120));
    actView->setBackgroundColor(colorFrom(0.1f, 0.1f, 0.1f, 0.4f));
    actView->setCornerRadius(6.0);

    waitingWords = overlayLabel(this);
    notice = overlayLabel(this);
    noticeTimer.setSingleShot(true);
    noticeTimer.setInterval(kNoticeMs);
    connect(&noticeTimer, &QTimer::timeout, notice, &QWidget::hide);
    setMinimumSize(kMinimumViewSize);
}

void ViewController::viewDidAppear(bool animated) {
    UIViewController::viewDidAppear(animated);
    checkTempture();
    shouldAutorotate();
}

bool ViewController::shouldAutorotate() {
    layoutViews(ViewGeometry::frame(this).size());
    return true;
}

void ViewController::viewWillTransitionToSize(const QSizeF& size) {
    layoutViews(size);
}

void ViewController::resizeEvent(QResizeEvent* event) {
    UIViewController::resizeEvent(event);
    layoutViews(QSizeF(event->size()));
}

void ViewController::layoutViews(const QSizeF& size) {
    const QPointF middle(size.width() * 0.5, size.height() * 0.5);
    if (temptureLabel != nullptr) ViewGeometry::setCenter(temptureLabel, middle);
    if (actView != nullptr) ViewGeometry::setCenter(actView, middle);
    // The background covers the root view; a new frame lays the skin out again.
    const QRectF whole(QPointF(0, 0), size);
    if (backView != nullptr && backView->frame() != whole) backView->setFrame(whole);
    const qreal below = middle.y() + (actView != nullptr ? actView->height() / 2.0 : 0) + 8;
    if (waitingWords != nullptr)
        placeOverlay(*waitingWords, QPointF(middle.x(), below), size.width());
    if (notice != nullptr) placeOverlay(*notice, QPointF(middle.x(), 12), size.width());
}

void ViewController::showNotice(const QString& text) {
    if (notice == nullptr) return;
    notice->setText(text);
    notice->show();
    notice->raise();
    noticeTimer.start();
    layoutViews(QSizeF(size()));
}

void ViewController::showWaitingWords(const QString& words) {
    // Every reading clears the words: when there are none, that is all it costs.
    if (waitingWords == nullptr || (words.isEmpty() && waitingWords->isHidden())) return;
    waitingWords->setText(words);
    waitingWords->setVisible(!words.isEmpty());
    layoutViews(QSizeF(size()));
}

void ViewController::linkStatus(qint64 code) {
    // Only a wait on the user has words; any other news means the link has moved on.
    showWaitingWords(StatusWords::waitingWords(code));
    replayEnded = replayEnded || code == StatusCode::ReplayEnded;
    emit linkStatusChanged(code);
}

void ViewController::checkTempture() {
    if (actView != nullptr) actView->startAnimating();
    if (!bleTempture) {
        auto status = [screen = QPointer<ViewController>(this)](qint64 code) {
            const QString line = StatusWords::logLine(code);
            if (!line.isNull()) SystemLog::write(line);
            // The window title follows the link; the link never waits for it.
            MainThread::post([screen, code] {
                if (screen) screen->linkStatus(code);
            });
        };
        // Runs on the link's thread and waits there until the screen has shown the reading.
        // A screen that is gone by then drops the record. A record already on its way when the
        // link is cancelled still shows: it is a real reading, delivered before the cancel.
        auto result = [screen = QPointer<ViewController>(this)](const QByteArray& record) {
            MainThread::dispatchSync([screen, record] {
                if (screen) screen->readingUpdate(record);
            });
        };
        bleTempture = SensorProfile::makeLink(status, result);
        if (bleTempture)
            bleTempture->setDeviceHandler(
                [screen = QPointer<ViewController>(this)](const QString& address) {
                    MainThread::post([screen, address] {
                        if (screen) emit screen->deviceChosen(address);
                    });
                });
    }
    if (temptureLabel != nullptr) temptureLabel->showText(QString());
    showWaitingWords(QString());  // a fresh link starts over
}

void ViewController::backFromSystem() {
    // A replay that has ended has no more to give: coming back does not play it again.
    if (!replayEnded) checkTempture();
}

void ViewController::gotoSystem() {
    if (bleTempture) bleTempture->cancel();
    bleTempture.reset();
}

void ViewController::readingUpdate(const QByteArray& record) {
    emit recordReceived(record);
    if (actView != nullptr) actView->stopAnimating();
    showWaitingWords(QString());
    const std::optional<QString> text = ReadingRecord::readingText(record);
    if (!text) {
        // A damaged record leaves the last reading on the label.
        SystemLog::write(ReadingRecord::rejectionLine(record));
        return;
    }
    if (temptureLabel == nullptr) return;
    temptureLabel->showText(*text);
    const QString shown = temptureLabel->text();
    SystemLog::write(shown);
    emit readingShown(shown);
}
