#pragma once

// A window's host for the tests of the shared page logic: the package's texts and products as the
// test sets them, and a run that does what the test asks with the window's hooks.

#include "wizard/pages/WizardHost.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pagestest {

class FakeHost : public wizard::pages::WizardHost {
public:
    wizard::pages::PackageTexts texts;
    std::string changesText;        // loaded into the list of changes when not empty
    bool acceptUpdates = true;      // what LoadUpdateList gives
    bool packageUnreadable = false; // ReadPackageTexts raises
    int runCode = 0;
    std::function<void(const wizard::pages::RunHooks&)> duringRun;

    update::RichTextControl* log = nullptr;
    std::vector<std::string> calls;

    void InitLog(update::RichTextControl& report) override {
        calls.push_back("InitLog");
        log = &report;
    }
    wizard::pages::PackageTexts ReadPackageTexts(update::RichTextControl& changes) override {
        calls.push_back("ReadPackageTexts");
        if (packageUnreadable)
            throw std::runtime_error("Le paquet de mise à jour est endommagé");
        if (!changesText.empty())
            changes.SetText(changesText);
        return texts;
    }
    bool LoadUpdateList() override {
        calls.push_back("LoadUpdateList");
        return acceptUpdates;
    }
    int Run(std::string_view title, const wizard::pages::RunHooks& hooks) override {
        calls.push_back("Run " + std::string(title));
        if (duringRun)
            duringRun(hooks);
        return runCode;
    }
};

} // namespace pagestest
