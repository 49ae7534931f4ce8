#pragma once

// The base of every wizard page: a borderless window that the main window docks in its central
// panel. A page says whether Next is allowed, what Next is called on it, and which picture the
// side panel shows beside it.

#include <QPixmap>
#include <QString>
#include <QWidget>

class QLabel;

namespace wizard {

class TFrmStep : public QWidget {
public:
    explicit TFrmStep(QWidget* parent = nullptr);

    virtual bool CanGoNext() const;
    // The picture of ImageCompany; a null pixmap when the page has none.
    virtual QPixmap GetBitmap() const;
    virtual QString GetNextCaption() const;
    // Called by the main window just before the page is shown.
    virtual void Init();
    // Called when the user leaves the page with Next.
    virtual void BeforeGoNext();

    QLabel* ImageCompany() const { return FImageCompany; }

protected:
    void FormCreate();

private:
    QLabel* FImageCompany = nullptr;
};

} // namespace wizard
