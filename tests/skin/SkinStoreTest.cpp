#include "skin/SkinStore.h"

#include <QDir>

#include <gtest/gtest.h>

#include <thread>

#include "support/FilePermissions.h"
#include "support/FileTree.h"
#include "support/HostileSkins.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

namespace {

const QString kPackaged = QStringLiteral(VELL_TEST_SKIN_BUNDLE);

// The first start's install into a home made as the row says, and what it leaves behind.
TEST(SkinStoreTest, InstallsOrKeepsAsTheTableSays) {
    eachRow("skin-store.json", [](const QJsonValue& row) {
        const TempHome home;
        const QString installed = home.installedBundle();
        if (row["installFirst"].toBool()) SkinStore::installIfMissing(kPackaged, installed);
        makeTree(home.path(), row["home"].toObject());
        const QMap<QString, QByteArray> before = tree(installed);
        const QString packaged =
            row["packaged"].isString() ? home.path() + '/' + row["packaged"].toString() : kPackaged;
        const LogCapture log;
        bool other = true;
        {
            const PermissionBitsApply asUser;
            std::thread thread([&] {
                if (row["concurrent"].toBool())
                    other = SkinStore::installIfMissing(packaged, installed);
            });
            EXPECT_EQ(SkinStore::installIfMissing(packaged, installed), row["ok"].toBool());
            thread.join();
        }
        EXPECT_TRUE(other);
        makeTree(home.path(), row["home"].toObject(), true);
        const QString after = row["installed"].toString();
        const QMap<QString, QByteArray> expected = after == "kept"       ? before
                                                   : after == "packaged" ? tree(kPackaged)
                                                                         : decltype(before)();
        EXPECT_EQ(tree(installed), expected);
        const QDir documents(home.path() + "/Documents");
        EXPECT_EQ(
            documents.entryList(
                QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name),
            row["documents"].toVariant().toStringList());
        const QJsonObject kept = row["files"].toObject();
        for (auto it = kept.begin(); it != kept.end(); ++it)
            EXPECT_EQ(tree(home.path() + '/' + it.key()).value("."),
                      it.value().toString().toUtf8());
        // A failure is one line, naming where.
        EXPECT_EQ(log.lines().size(), row["log"].toInt()) << log.lines().join('|').toStdString();
        for (const QString& line : log.lines())
            EXPECT_TRUE(line.contains(home.path())) << line.toStdString();
    });
}

// The skins are the folders directly inside the bundle: a link is not followed.
TEST(SkinStoreTest, ListsTheSkinsAsTheTableSays) {
    eachRow("skin-listing.json", [](const QJsonValue& row) {
        const TempHome home;
        const QString bundle = home.path() + "/skin.bundle";
        makeTree(bundle, row["bundle"].toObject());
        QStringList listed;
        {
            const PermissionBitsApply asUser;
            listed = SkinStore::skinNames(bundle);
        }
        makeTree(bundle, row["bundle"].toObject(), true);
        QStringList expected;
        for (const QJsonValue name : row["skins"].toArray())
            expected << QFile::decodeName(
                QByteArray::fromPercentEncoding(name.toString().toUtf8()));
        listed.sort();
        expected.sort();
        EXPECT_EQ(listed, expected);
        std::filesystem::remove_all(QFile::encodeName(bundle).toStdString());
    });
}

}  // namespace
