// The behaviour of the list-only drop-down, attached to a stock QComboBox by
// event filters so that the widget itself stays unmodified.
//
// Invariants once attached:
//   - the combo is not editable: its text is always one of its items (or
//     empty when it has none selected); typing selects the next item whose
//     text starts with what was typed (incremental within the platform's
//     keyboard interval) and shows that item;
//   - items keep the order they were added in, and 25 rows show when the
//     list is dropped;
//   - key presses are left to the widget (the control's key events see
//     them first); keys typed into the open list belong to the list, which
//     moves and picks within it;
//   - every closing of the list is reported to OnCloseUp exactly once, after
//     the widget has applied the operator's pick, with Select telling whether
//     an item was picked (also when it was the one already shown). The report
//     is queued to the event loop because Qt hides the list before applying
//     the pick.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QComboBox;

constexpr int kDropDownRowCount = 25;

class TDropDownBehaviour : public QObject {
public:
    explicit TDropDownBehaviour(QComboBox* combo);

    std::function<void(bool select)> OnCloseUp;

    void DropDown();
    void CloseUp();
    bool DroppedDown() const { return mDropped; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ListShown();
    void ListHidden();

    QPointer<QComboBox> mCombo;
    QObject* mList = nullptr;   // the popup container, created with the combo's view
    bool mDropped = false;
    bool mPicked = false;          // an item was chosen since the list opened
    bool mCloseUpPending = false;  // a closing is queued but not yet reported
};
