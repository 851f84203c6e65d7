#include "platform/Bundle.h"
#include "platform/Device.h"
#include "skin/ImageView.h"
#include "skin/SkinReport.h"
#include "skin/SkinStore.h"
#include "skin/UIBackGroundView.h"
#include "widgets/UILinkLabel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/FilePermissions.h"
#include "support/HostileSkins.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

namespace {

// Each skin of the table, in the installed bundle: a picture and one label unless the row says
// otherwise. The view at 800x600 on the Mac shows what it can within bounds, logs each line
// once a layout, and the skin report agrees with it.
TEST(HostileSkinTest, ShowsAndReportsWhatItCanOfEachSkinWithinBounds) {
    Device::setUserInterfaceIdiom(Device::Mac);
    eachRow("hostile-skins.json", [](const QJsonValue& row) {
        const TempHome home;
        const LogCapture log;
        SkinStore::installIfMissing(Bundle::packagedSkinBundlePath(), home.installedBundle());
        const QString dir = home.installedBundle() + '/' + row["name"].toString();
        QJsonObject files{{"background_Mac_Landscape.png", QJsonObject{{"png", QJsonArray{8, 6}}}},
                          {"labels.plist", QJsonObject{{"plist",
                                                        "<dict><key>TITLE</key>"
                                                        "<string>t</string></dict>"}}}};
        for (const QString& name : row["files"].toObject().keys()) files[name] = row["files"][name];
        makeTree(dir, files);
        {
            const PermissionBitsApply asUser;
            QWidget window;
            const auto view =
                UIBackGroundView::initWithSkin(row["skin"].toString(row["name"].toString()));
            ASSERT_NE(view, nullptr);
            view->setParent(&window);
            window.resize(800, 600);
            view->setFrame(QRectF(0, 0, 800, 600));
            window.show();
            window.grab();  // paints every label at its font
            EXPECT_EQ(!view->pictureView()->image().isNull(), row["picture"].toBool());
            const auto labels = view->findChildren<UILinkLabel*>(Qt::FindDirectChildrenOnly);
            EXPECT_EQ(labels.size(), row["labels"].toInt());
            for (const UILinkLabel* label : labels) EXPECT_LE(label->text().size(), 4096);
            const QStringList lines = log.lines();
            EXPECT_LE(lines.size(), 30) << lines.join('\n').toStdString();
            for (const QJsonValue line : row["logged"].toArray())
                EXPECT_THAT(lines.count(line.toString().replace("%1", dir)),
                            testing::AllOf(testing::Ge(1), testing::Le(2)))
                    << line.toString().toStdString() << " in\n"
                    << lines.join('\n').toStdString();
            const SkinReport report = SkinReport::build(home.path(), QSizeF(800, 600), Device::Mac);
            EXPECT_EQ(report.skins.size(), 3);  // qir, default and this one
            for (const SkinReport::Skin& skin : report.skins) {
                if (skin.name != row["name"].toString() || row["skin"].isString()) continue;
                EXPECT_EQ(skin.picture.decodes, row["picture"].toBool()) << "in the report";
                EXPECT_EQ(skin.labels.size(), row["labels"].toInt()) << "in the report";
            }
        }
        makeTree(dir, files, true);
        std::filesystem::remove_all(QFile::encodeName(home.installedBundle()).toStdString());
    });
}

}  // namespace
