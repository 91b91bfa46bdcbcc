#include <gtest/gtest.h>

#include "resources/ResPicture.h"
#include "support/RuntimeErrors.h"

TEST(ResPicture, ResourcePicturesLoadAndAMissingOneIsError326) {
    const plotlet::ResPicture picture = plotlet::loadResPicture("LOCKED");
    EXPECT_EQ(picture.width(), 16);
    EXPECT_EQ(picture.height(), 16);
    EXPECT_EQ(testing_support::errorNumberOf([] { plotlet::loadResPicture("102"); }), plotlet::ResourceNotFound);
}
