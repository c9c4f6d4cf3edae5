// The list-only drop-down of the main window.
//
// Its text is always one of its items (or empty while none is selected);
// typing selects and shows the next item that starts with what was typed;
// items stay in the order they were added; 25 rows show when the list is
// dropped; there is a drop-down button and no key that clears the text.
//
// The item list is edited through Items() and shown only once ApplyList()
// is called, so a program can rebuild it in one go. A definition's items are
// applied after loading; a new control holds one empty item, as the
// designer leaves it.
//
// OnCloseUp fires on every closing of the list, whether or not the operator
// picked an item (Select tells), after the pick has been applied, so Text()
// is already the new text. Key presses reach OnKeyDown first and are then
// handled as usual.
#pragma once

#include "toolkit/controls.h"

#include <memory>

class QComboBox;
class TDropDownBehaviour;
class TStringList;

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

using TCloseUpEvent = std::function<void(TObject* Sender, bool Select)>;

class TwwDBComboBox : public TWinControl {
    VARNEL_DECLARE_CLASS(TwwDBComboBox, TWinControl)

public:
    explicit TwwDBComboBox(TComponent* owner);
    ~TwwDBComboBox() override;

    TStrings* Items() const;
    void ApplyList();

    int ItemIndex() const;
    // -1 selects nothing; any other index must name an item (EListError).
    void SetItemIndex(int index);
    int ItemCount() const;

    void DropDown();
    void CloseUp();
    bool DroppedDown() const;

    int DropDownCount() const;
    void SetDropDownCount(int count);
    TComboBoxStyle Style() const { return csDropDownList; }
    // Only the list-only style is offered; others are refused.
    void SetStyle(TComboBoxStyle style);
    bool Sorted() const { return false; }
    void SetSorted(bool sorted);
    bool ShowMatchText() const { return true; }
    void SetShowMatchText(bool value);
    bool AllowClearKey() const { return false; }
    void SetAllowClearKey(bool value);

    TCloseUpEvent OnCloseUp;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnChange;

protected:
    void Loaded() override;
    QString GetText() const override;
    void ApplyText(const QString& text) override;

private:
    QComboBox* Combo() const;
    [[noreturn]] void Unsupported(const QString& what) const;

    std::unique_ptr<TStringList> mItems;
    TDropDownBehaviour* mBehaviour = nullptr;
    QString mPendingText;   // Text read from a definition, shown after loading
};
