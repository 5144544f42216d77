#include "app/accessibility.h"

#include "app/worksheet_window.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFrame>

namespace {

// A widget whose accessible children are its shown child widgets only.
class tShownChildrenAccessible final : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;

    int childCount() const override { return int(shown().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const QList<QWidget*> children = shown();
        return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children[index])
                                                     : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child ? int(shown().indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
    }

private:
    QList<QWidget*> shown() const
    {
        QList<QWidget*> out;
        for (QObject* o : widget()->children())
            if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow() && !w->isHidden())
                out << w;
        return out;
    }
};

QAccessibleInterface* brenlow_accessible(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    if (qobject_cast<tWorksheetWindow*>(widget))
        return new tShownChildrenAccessible(widget, QAccessible::Window);
    if (qobject_cast<QFrame*>(widget) && widget->metaObject() == &QFrame::staticMetaObject
        && qobject_cast<tWorksheetWindow*>(widget->window()))
        return new tShownChildrenAccessible(widget, QAccessible::Pane);
    return nullptr;
}

} // namespace

void install_accessibility()
{
    static const bool installed = (QAccessible::installFactory(brenlow_accessible), true);
    (void)installed;
}
