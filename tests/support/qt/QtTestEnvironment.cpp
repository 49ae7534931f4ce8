// Linked into every widget test program: one application object for the whole program, on the
// offscreen platform unless the environment chose one, with the wizard's font substitutions.
// Destroyed at the end, after the UI services that may refer to its widgets, so that it releases
// what it holds.

#include "ui/UiServices.h"
#include "wizard/Fonts.h"

#include <QApplication>
#include <cerrno>
#include <gtest/gtest.h>
#include <memory>

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char* argv[] = {program_invocation_short_name, nullptr};
        FApplication = std::make_unique<QApplication>(argc, argv);
        wizard::InstallFontSubstitutions();
    }
    void TearDown() override {
        ui::SetCurrent(nullptr);
        FApplication.reset();
    }

private:
    std::unique_ptr<QApplication> FApplication;
};

[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
