#include "wizard/PanelButtons.h"

#include "environment/ButtonPanel.h"

#include <QEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QToolButton>
#include <QWidget>
#include <vector>

namespace wizard {

namespace {

// Keeps the arranged buttons at their distance from the right and bottom edges when the panel
// is resized, as anchors do.
class RightBottomAnchors : public QObject {
public:
    explicit RightBottomAnchors(QWidget& panel)
        : QObject(&panel) {}

    void Anchor(QWidget* child) {
        if (!FChildren.contains(child))
            FChildren.push_back(child);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize) {
            auto* resize = static_cast<QResizeEvent*>(event);
            if (resize->oldSize().isValid()) {
                const QSize delta = resize->size() - resize->oldSize();
                for (QWidget* child : FChildren)
                    if (child->parent() == watched)
                        child->move(child->pos() + QPoint(delta.width(), delta.height()));
            }
        }
        return false;
    }

private:
    QList<QWidget*> FChildren;
};

PanelControlKind KindOf(const QWidget* widget) {
    if (qobject_cast<const QPushButton*>(widget) != nullptr)
        return PanelControlKind::PushButton;
    if (qobject_cast<const QToolButton*>(widget) != nullptr)
        return PanelControlKind::SpeedButton;
    return PanelControlKind::Other;
}

} // namespace

void ArrangePanelButtons(QWidget& panel) {
    ButtonPanel model;
    model.clientWidth = panel.contentsRect().width();
    model.clientHeight = panel.contentsRect().height();
    std::vector<QWidget*> children;
    for (QObject* object : panel.children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child == nullptr || child->isWindow())
            continue;
        children.push_back(child);
        const QRect g = child->geometry();
        // A control that is not hidden by its own choice counts as visible, even before the
        // panel is on screen.
        model.controls.push_back({KindOf(child), !child->isHidden(), g.left(), g.top(), g.width(), g.height(), false});
    }
    const int oldHeight = model.clientHeight;
    ::ArrangePanelButtons(model);

    // A plain C++ cast: the filter class has no meta-object of its own for qobject_cast.
    RightBottomAnchors* anchors = nullptr;
    for (QObject* object : panel.children())
        if (auto* found = dynamic_cast<RightBottomAnchors*>(object))
            anchors = found;
    if (anchors == nullptr) {
        anchors = new RightBottomAnchors(panel);
        panel.installEventFilter(anchors);
    }
    // The panel takes its height first, so that moving the anchored buttons along with that
    // resize cannot disturb the places given below.
    if (model.clientHeight != oldHeight) {
        const int frame = panel.height() - panel.contentsRect().height();
        panel.setFixedHeight(model.clientHeight + frame);
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        const PanelControl& control = model.controls[i];
        children[i]->setGeometry(control.left, control.top, control.width, control.height);
        if (control.anchoredRightBottom)
            anchors->Anchor(children[i]);
    }
}

} // namespace wizard
