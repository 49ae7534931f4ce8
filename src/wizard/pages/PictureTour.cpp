#include "wizard/pages/PictureTour.h"

#include "ui/ProgressTask.h"
#include "ui/ScriptedUi.h"

#include <iostream>

namespace wizard::pages {

PictureTour::PictureTour(PictureWindow& window, ui::ScriptedUi& services)
    : FWindow(window)
    , FServices(services) {
    FServices.SetProgressObserver([this](const ui::ProgressRecord& work) { Observe(work); });
}

PictureTour::~PictureTour() {
    FServices.SetProgressObserver({});
}

void PictureTour::SaveOnce(bool& taken, std::string_view fileName) {
    if (taken)
        return;
    taken = true;
    FWindow.Settle();
    FProgressSaved = FWindow.Save(fileName) && FProgressSaved;
}

void PictureTour::Observe(const ui::ProgressRecord& work) {
    if (work.ended) {
        FWindow.EndProgress();
        return;
    }
    if (work.steps.empty()) {
        FWindow.BeginProgress(work.label, work.total);
        if (work.label == ui::kCheckingPackage)
            SaveOnce(FChecking, kCheckingPicture);
        return;
    }
    FWindow.StepProgress(work.steps.back());
    if (work.label.starts_with(kCopyLabelPrefix) && ui::PercentOf(work.steps.back(), work.total) >= kCopyPicturePercent)
        SaveOnce(FCopying, kCopyingPicture);
}

PictureTourResult PictureTour::TakePages() {
    PictureTourResult result = TakePagePictures();
    result.saved = result.saved && FProgressSaved;
    return result;
}

PictureTourResult PictureTour::TakePagePictures() {
    PictureTourResult result;
    result.saved = true;
    for (const PagePicture& picture : kPagePictures) {
        FWindow.Settle();
        const WizardFlow& flow = FWindow.Flow();
        if (FWindow.Closed() || flow.Current() == kNoPage || flow.KindOf(flow.Current()) != picture.page) {
            std::cerr << "quarnel-update : la page de " << picture.fileName << " n'est pas affichée\n";
            result.saved = false;
            return result;
        }
        result.saved = FWindow.Save(picture.fileName) && result.saved;
        if (!FWindow.PressNext(FWindow.Flow().Buttons().nextCaption)) {
            std::cerr << "quarnel-update : le bouton « " << FWindow.Flow().Buttons().nextCaption
                      << " » n'est pas proposé\n";
            return result;
        }
    }
    FWindow.Settle();
    result.finished = FWindow.Closed();
    return result;
}

int PicturesExitCode(const PictureTourResult& result, const WizardFlow& flow, int refused) {
    if (flow.StartRefused())
        return refused;
    return result.saved && result.finished ? kExitPicturesWritten : kExitPicturesNotWritten;
}

} // namespace wizard::pages
