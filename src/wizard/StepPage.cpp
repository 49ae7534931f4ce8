#include "wizard/StepPage.h"

#include "wizard/Artwork.h"
#include "wizard/Fonts.h"
#include "wizard/pages/PageTexts.h"

#include <QLabel>

namespace wizard {

TFrmStep::TFrmStep(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    resize(488, 288);
    setFont(PixelFont(QStringLiteral("MS Sans Serif"), 14));
    // Never shown on the page itself: the main window shows it beside the page.
    FImageCompany = new QLabel(this);
    FImageCompany->setTextFormat(Qt::PlainText);
    FImageCompany->setObjectName(QStringLiteral("ImageCompany"));
    FImageCompany->setPixmap(SidePicture());
    FImageCompany->hide();
    FormCreate();
}

void TFrmStep::FormCreate() {}

bool TFrmStep::CanGoNext() const {
    return true;
}

QPixmap TFrmStep::GetBitmap() const {
    return FImageCompany->pixmap();
}

QString TFrmStep::GetNextCaption() const {
    const std::string_view caption = pages::NextCaption(pages::PageKind::Extra);
    return QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
}

void TFrmStep::Init() {}

void TFrmStep::BeforeGoNext() {}

} // namespace wizard
