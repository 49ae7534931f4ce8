// The result of a whole run from the results of its products.

#include "update/run/RunResult.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace update;

struct ResultCase {
    const char* name;
    std::vector<TUpdateResultType> products;
    TUpdateResultType run;
};

class CombinedResultTest : public ::testing::TestWithParam<ResultCase> {};

TEST_P(CombinedResultTest, IsTheWorstOfTheProducts) {
    EXPECT_EQ(run::CombinedResult(GetParam().products), GetParam().run);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, CombinedResultTest,
    ::testing::Values(ResultCase{"NoProduct", {}, urtUnknown},
                      ResultCase{"OnlyProductsWithoutProcedure", {urtUnknown, urtUnknown}, urtUnknown},
                      ResultCase{"OneSuccess", {urtOk}, urtOk},
                      ResultCase{"Successes", {urtOk, urtUnknown, urtOk}, urtOk},
                      ResultCase{"FailureThenSuccess", {urtKo, urtOk}, urtKo},
                      ResultCase{"SuccessThenFailure", {urtOk, urtKo}, urtKo},
                      ResultCase{"FailureAmongWarningsAndDeclines", {urtWarning, urtNot, urtKo, urtOk}, urtKo},
                      ResultCase{"WarningThenSuccess", {urtWarning, urtOk}, urtWarning},
                      ResultCase{"SuccessThenWarning", {urtOk, urtWarning}, urtWarning},
                      ResultCase{"WarningAndDecline", {urtNot, urtWarning}, urtWarning},
                      ResultCase{"UpdatedThenDeclined", {urtOk, urtNot}, urtWarning},
                      ResultCase{"DeclinedThenUpdated", {urtNot, urtUnknown, urtOk}, urtWarning},
                      ResultCase{"AllDeclined", {urtNot, urtNot}, urtNot},
                      ResultCase{"DeclinedBesideNoProcedure", {urtUnknown, urtNot}, urtNot}),
    [](const auto& test) { return std::string(test.param.name); });

} // namespace
