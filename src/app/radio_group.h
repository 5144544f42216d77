// A captioned group of radio items with one selected item, numbered from 0,
// laid out in one column that shares the group's height evenly.
#pragma once

#include <QGroupBox>
#include <QStringList>

#include <vector>

class QButtonGroup;
class QRadioButton;

class tRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    tRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    // Must follow setGeometry: places the items in the group's height.
    void arrange_items();

    int itemIndex() const;
    void setItemIndex(int index);
    QRadioButton* item(int index) const;
    int item_count() const { return static_cast<int>(items_.size()); }

private:
    QButtonGroup* group_;
    std::vector<QRadioButton*> items_;
};
