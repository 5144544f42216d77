#include "app/radio_group.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionGroupBox>

namespace {
constexpr int kItemHeight = 20;
constexpr int kItemLeft = 8;
} // namespace

tRadioGroup::tRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this))
{
    group_->setExclusive(true);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        group_->addButton(button, i);
        items_.push_back(button);
    }
}

void tRadioGroup::arrange_items()
{
    if (items_.empty())
        return;
    // The items share the height inside the frame, below the caption.
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    const QRect inside = style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                 QStyle::SC_GroupBoxContents, this);
    const int n = item_count();
    const int step = inside.height() / n;
    for (int i = 0; i < n; ++i)
        items_[i]->setGeometry(inside.left() + kItemLeft,
                               inside.top() + i * step + (step - kItemHeight) / 2,
                               inside.width() - 2 * kItemLeft, kItemHeight);
}

int tRadioGroup::itemIndex() const
{
    return group_->checkedId();
}

void tRadioGroup::setItemIndex(int index)
{
    if (index >= 0 && index < item_count())
        items_[index]->setChecked(true);
}

QRadioButton* tRadioGroup::item(int index) const
{
    return items_.at(index);
}
