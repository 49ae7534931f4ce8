// The progress panel's state: nested work keeps the outer bar; the bar moves by whole percents.

#include "wizard/pages/ProgressModel.h"

#include <gtest/gtest.h>

namespace {

using wizard::pages::ProgressModel;

TEST(ProgressModel, NestedWorkKeepsTheOuterBarUntilTheOuterEnds) {
    ProgressModel model;
    EXPECT_FALSE(model.Showing());
    EXPECT_TRUE(model.Begin("Vérification du paquet", 1000));
    EXPECT_TRUE(model.Showing());
    EXPECT_FALSE(model.Begin("Copie de DATA.BIN", 10)) << "inner work does not show a second panel";
    EXPECT_FALSE(model.Step(5)) << "inner steps do not move the outer bar";
    EXPECT_EQ(model.Label(), "Vérification du paquet");
    EXPECT_FALSE(model.End());
    EXPECT_TRUE(model.Showing());
    EXPECT_TRUE(model.Step(500));
    EXPECT_EQ(model.Percent(), 50);
    EXPECT_FALSE(model.Step(504)) << "the same whole percentage";
    EXPECT_TRUE(model.End());
    EXPECT_FALSE(model.Showing());
    EXPECT_FALSE(model.End()) << "an End without Begin is ignored";
    EXPECT_FALSE(model.Showing());
}

TEST(ProgressModel, ANewWorkStartsAtZero) {
    ProgressModel model;
    model.Begin("a", 4);
    model.Step(3);
    model.End();
    model.Begin("b", 0);
    EXPECT_EQ(model.Percent(), 0);
    EXPECT_EQ(model.Label(), "b");
    EXPECT_TRUE(model.Step(0)) << "nothing to do is all done";
    EXPECT_EQ(model.Percent(), 100);
}

} // namespace
