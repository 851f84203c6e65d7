#include "platform/Bundle.h"
#include "platform/Device.h"
#include "skin/ImageView.h"
#include "skin/SkinStore.h"
#include "skin/UIBackGroundView.h"
#include "widgets/UILinkLabel.h"

#include <QDir>
#include <QFile>
#include <QWidget>

#include <dirent.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "support/FilePermissions.h"
#include "support/HostileSkins.h"
#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"

namespace {

using ::testing::AllOf;
using ::testing::Ge;
using ::testing::Le;

class HostileView : public ::testing::Test {
protected:
    void SetUp() override {
        Device::setUserInterfaceIdiom(Device::Mac);
        SkinStore::installIfMissing(Bundle::packagedSkinBundlePath(), home.installedBundle());
    }

    // The view of skin filling a shown 800x600 window, painted once.
    std::unique_ptr<UIBackGroundView> show(const QString& skin) {
        std::unique_ptr<UIBackGroundView> view = UIBackGroundView::initWithSkin(skin);
        if (!view) return view;
        view->setParent(&window);
        window.resize(800, 600);
        view->setFrame(QRectF(0, 0, 800, 600));
        window.show();
        window.grab();  // paints every label at its font
        return view;
    }

    // Names that are not UTF-8 are beyond QTemporaryDir's clean-up.
    void TearDown() override {
        std::filesystem::remove_all(QFile::encodeName(home.installedBundle()).toStdString());
    }

    TempHome home;
    LogCapture log;
    QWidget window;
};

class HostileSkinTest : public HostileView, public ::testing::WithParamInterface<hostile::Skin> {};

TEST_P(HostileSkinTest, ShowsWhatItCanWithinBounds) {
    const hostile::Skin& skin = GetParam();
    const QDir dir(home.installedBundle() + QLatin1Char('/') + QLatin1String(skin.name));
    dir.mkpath(QStringLiteral("."));
    skin.make(dir);

    const auto view = show(QString::fromLatin1(skin.name));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(!view->pictureView()->image().isNull(), skin.pictureShown);
    const QList<UILinkLabel*> labels = view->findChildren<UILinkLabel*>(Qt::FindDirectChildrenOnly);
    EXPECT_EQ(labels.size(), skin.labels);
    for (const UILinkLabel* label : labels) EXPECT_LE(label->text().size(), 4096);

    const QStringList lines = log.lines();
    // Each layout writes each of its lines once, whatever the files hold: two layouts here.
    EXPECT_LE(lines.size(), 30) << ::testing::PrintToString(lines);
    if (!skin.logged.isEmpty()) {
        const QString line =
            skin.logged.contains(QLatin1String("%1")) ? skin.logged.arg(dir.path()) : skin.logged;
        EXPECT_THAT(lines.count(line), AllOf(Ge(1), Le(2))) << ::testing::PrintToString(lines);
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, HostileSkinTest, ::testing::ValuesIn(hostile::corpus()),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

using HostileBundleTest = HostileView;

TEST_F(HostileBundleTest, ASkinBundleThatIsAFileMakesNoView) {
    QDir(home.installedBundle()).removeRecursively();
    home.write(QStringLiteral("Documents/skin.bundle"), "not a folder");
    EXPECT_EQ(UIBackGroundView::initWithSkin(QStringLiteral("qir")), nullptr);
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("skin.bundle NOT exist in your project.")});
    EXPECT_TRUE(QFileInfo(home.installedBundle()).isFile());
}

TEST_F(HostileBundleTest, AnUnreadableSkinFolderShowsNothingFromIt) {
    const QString folder = home.installedBundle() + QStringLiteral("/qir");
    ASSERT_TRUE(QFile::setPermissions(folder, {}));
    {
        const PermissionBitsApply asUser;
        if (DIR* opened = ::opendir(QFile::encodeName(folder).constData())) {
            ::closedir(opened);
            GTEST_SKIP() << "this process reads through permission bits";
        }
        const auto view = show(QStringLiteral("qir"));
        ASSERT_NE(view, nullptr);
        EXPECT_TRUE(view->pictureView()->image().isNull());
        EXPECT_TRUE(view->findChildren<UILinkLabel*>().isEmpty());
        EXPECT_TRUE(log.lines().contains(QStringLiteral("labels file NOT found.")));
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace
