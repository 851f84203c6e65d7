#include "skin/PictureChoice.h"

#include "platform/Bundle.h"
#include "platform/Device.h"

#include <gtest/gtest.h>

#include "support/QtPrinters.h"

namespace {

TEST(PictureChoiceTest, NameFollowsIdiomAndShapeAndThePackagedSkinsHaveIt) {
    const struct {
        int idiom;
        const char* landscape;  // for a frame wider than tall
        const char* portrait;   // for every other frame: taller, square or empty
    } choices[] = {
        {Device::Mac, "background_Mac_Landscape", "background_Mac_Landscape"},
        {Device::Pad, "background_iPad_Landscape", "background_iPad_Portrait"},
        {Device::Phone, "background_iPhone_Landscape", "background_iPhone_Portrait"},
        // Kinds the skins have no pictures for, such as a television, look like a phone.
        {2, "background_iPhone_Landscape", "background_iPhone_Portrait"},
    };
    const std::pair<QSizeF, bool> shapes[] = {
        {{1024, 768}, true}, {{768, 1024}, false}, {{500, 500}, false},
        {{0, 0}, false},     {{100.5, 100}, true}, {{100, 100.5}, false},
    };
    const std::unique_ptr<Bundle> packaged = Bundle::initWithPath(VELL_TEST_SKIN_BUNDLE);
    ASSERT_NE(packaged, nullptr);
    for (const auto& choice : choices) {
        for (const auto& [size, landscape] : shapes) {
            const QString name = backgroundResourceName(choice.idiom, size);
            EXPECT_EQ(name, landscape ? choice.landscape : choice.portrait)
                << "idiom " << choice.idiom << ", " << size.width() << 'x' << size.height();
            for (const char* skin : {"qir", "default"})
                EXPECT_FALSE(packaged->pathForResource(name, "png", skin).isNull())
                    << skin << '/' << name.toStdString();
        }
    }
}

}  // namespace
