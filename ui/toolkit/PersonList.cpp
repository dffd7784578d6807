#include "ui/toolkit/PersonList.h"

#include <QCollator>
#include <QListView>
#include <QProxyStyle>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <algorithm>
#include <vector>

namespace {

// Drops the list below the box, as a drop-down list does, rather than over it as Fusion's popup mode does:
// that mode measures the text of every entry each time the list opens (over half a second at 100,000 names).
class DropBelowStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QCollator FrenchCollator()
{
    return QCollator(QLocale(QLocale::French, QLocale::France));
}

} // namespace

PersonList::PersonList(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    // The default policy measures every entry at the first show: seconds at 100,000 names.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* popupView = new QListView(this);
    popupView->setUniformItemSizes(true);
    setView(popupView);
    auto* style = new DropBelowStyle;
    style->setParent(this);
    setStyle(style);
    connect(this, &QComboBox::currentIndexChanged, this, &PersonList::raiseUserClick);
}

void PersonList::sortNames(QStringList& names)
{
    const QCollator collator = FrenchCollator();
    struct Keyed {
        QCollatorSortKey key;
        qsizetype index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(names.size());
    for (qsizetype i = 0; i < names.size(); ++i)
        keyed.push_back({collator.sortKey(names.at(i)), i});
    std::sort(keyed.begin(), keyed.end(), [&names](const Keyed& left, const Keyed& right) {
        const int order = left.key.compare(right.key);
        return order != 0 ? order < 0 : names.at(left.index) < names.at(right.index);
    });
    QStringList sorted;
    sorted.reserve(names.size());
    for (const Keyed& entry : keyed)
        sorted.append(names.at(entry.index));
    names = std::move(sorted);
}

void PersonList::setEntries(const QStringList& names)
{
    QStringList sorted = names;
    sortNames(sorted);
    const QSignalBlocker blocker(this);
    clear();
    addItems(sorted);
    // Filling an empty combo box selects the first entry by itself.
    setCurrentIndex(-1);
}

void PersonList::clearEntries()
{
    const QSignalBlocker blocker(this);
    clear();
}

void PersonList::selectIndex(int index)
{
    if (index < 0 || index >= count()) {
        const QSignalBlocker blocker(this);
        setCurrentIndex(-1);
        return;
    }
    {
        const QScopedValueRollback<bool> byCode(selectingByCode_, true);
        setCurrentIndex(index);
    }
    emit listClick();
}

void PersonList::showPopup()
{
    emit dropDown();
    QComboBox::showPopup();
}

void PersonList::raiseUserClick(int index)
{
    if (index >= 0 && !selectingByCode_)
        emit listClick();
}
