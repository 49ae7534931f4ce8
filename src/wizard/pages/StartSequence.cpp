#include "wizard/pages/StartSequence.h"

#include "ui/UiServices.h"
#include "wizard/pages/PageTexts.h"

namespace wizard::pages {

std::optional<StartTexts> RunStartSequence(WizardHost& host, WizardFlow& flow, update::RichTextControl& changes,
                                           update::RichTextControl& report,
                                           const std::function<void(std::string_view title)>& showTitle) {
    host.InitLog(report);
    PackageTexts texts = host.ReadPackageTexts(changes);
    if (showTitle)
        showTitle(texts.title);
    if (texts.changesLines == 0)
        ui::Current().ShowPlainMessage(kChangesMissingMessage);
    if (changes.LineCount() == 0)
        changes.SetText(kNoChangesText);
    flow.BuildStepList(texts.stepsFile);
    if (!host.LoadUpdateList())
        return std::nullopt;
    return StartTexts{std::move(texts.title), std::move(texts.infoText)};
}

} // namespace wizard::pages
