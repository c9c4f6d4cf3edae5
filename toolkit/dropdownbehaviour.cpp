#include "toolkit/dropdownbehaviour.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QTimer>
#include <utility>

TDropDownBehaviour::TDropDownBehaviour(QComboBox* combo) : QObject(combo), mCombo(combo)
{
    combo->setEditable(false);
    combo->setMaxVisibleItems(kDropDownRowCount);
    combo->setInsertPolicy(QComboBox::InsertAtBottom);
    // Some styles show a non-editable combo's list as a menu around the
    // current item and ignore the row count; the list popup keeps it.
    combo->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));

    QAbstractItemView* view = combo->view();
    mList = view->parentWidget();
    if (mList)
        mList->installEventFilter(this);
    connect(combo, &QComboBox::activated, this, [this](int) { mPicked = true; });
}

void TDropDownBehaviour::DropDown()
{
    if (mCombo && !mDropped)
        mCombo->showPopup();
}

void TDropDownBehaviour::CloseUp()
{
    if (mCombo && mDropped)
        mCombo->hidePopup();
}

bool TDropDownBehaviour::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == mList && event->type() == QEvent::Show)
        ListShown();
    else if (watched == mList && event->type() == QEvent::Hide)
        ListHidden();
    return false;
}

void TDropDownBehaviour::ListShown()
{
    mDropped = true;
    if (!mCloseUpPending)
        mPicked = false;
}

void TDropDownBehaviour::ListHidden()
{
    if (!mDropped)
        return;
    mDropped = false;
    mCloseUpPending = true;
    QTimer::singleShot(0, this, [this] {
        const bool picked = std::exchange(mPicked, false);
        mCloseUpPending = false;
        if (OnCloseUp)
            OnCloseUp(picked);
    });
}
