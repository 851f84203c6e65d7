#pragma once

#include "widgets/UIViewController.h"

#include <QByteArray>
#include <QSize>
#include <QTimer>

#include <memory>

class ActivityIndicator;
class FitLabel;
class QLabel;
class UIBackGroundView;
class VellLumo;

// In Qt terms: the QWidget of the one screen, with the picture, the reading label and the spinner.
// The temperature screen: the skinned background, the reading label in the middle and the
// spinner in front of it, fed by the sensor link.
class ViewController : public UIViewController {
    Q_OBJECT
public:
    explicit ViewController(QWidget* parent = nullptr);
    ~ViewController() override;

    // The skin the background starts with, "qir" unless set before the view loads.
    void setFirstSkin(const QString& name) { firstSkin = name; }

    // The smallest root view that keeps the 320-point reading label whole, with room for the
    // skin's labels below it.
    static constexpr QSize kMinimumViewSize{320, 240};
    // How long a notice stays up.
    static constexpr int kNoticeMs = 8000;

    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;
    bool shouldAutorotate() override;
    void viewWillTransitionToSize(const QSizeF& size) override;

    // Starts the spinner, makes the sensor link if there is none, clears the label.
    void checkTempture();
    // Starts the link again, unless it was a replay that has ended.
    void backFromSystem();
    // Cancels and drops the sensor link; the views stay as they are.
    void gotoSystem();

    // For the shell and tests to look at.
    FitLabel* readingLabel() const { return temptureLabel; }
    ActivityIndicator* activityIndicator() const { return actView; }
    UIBackGroundView* backgroundView() const { return backView; }
    bool hasSensorLink() const { return bleTempture != nullptr; }
    QLabel* waitingWordsLabel() const { return waitingWords; }
    QLabel* noticeLabel() const { return notice; }

    // A short notice at the top of the window, such as what could not be opened.
    void showNotice(const QString& text);

signals:
    // A reading text has just been put on the label.
    void readingShown(const QString& text);
    // The sensor link reported a status code (delivered on the main thread).
    void linkStatusChanged(qint64 code);
    // The link has picked this thermometer (delivered on the main thread).
    void deviceChosen(const QString& address);
    // A record as the link delivered it, shown or not, before the label changes.
    void recordReceived(const QByteArray& record);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Where every view goes for a root view of size; each layout hook calls it.
    void layoutViews(const QSizeF& size);
    void readingUpdate(const QByteArray& record);
    void linkStatus(qint64 code);
    void showWaitingWords(const QString& words);

    std::unique_ptr<VellLumo> bleTempture;
    FitLabel* temptureLabel = nullptr;
    ActivityIndicator* actView = nullptr;
    UIBackGroundView* backView = nullptr;
    QLabel* waitingWords = nullptr;  // under the spinner, while the link waits on the user
    QLabel* notice = nullptr;
    QTimer noticeTimer;
    bool replayEnded = false;
    QString firstSkin = QStringLiteral("qir");
};
