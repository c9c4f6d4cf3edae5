// The control base classes: components that wrap a Qt widget.
//
// TControl owns its widget: the widget is created by the derived class's
// constructor and deleted with the control (or earlier by Qt, with its
// parent widget; the control then holds null and does nothing more). A
// control's parent is a TWinControl: the form that owns it, or the enclosing
// object of a window definition (SetParentComponent). Properties are kept in
// the control (Visible is what the program asked for, not whether the window
// is on screen) and pushed to the widget as they change.
//
// Font and colour follow the parent while ParentFont / ParentColor are true;
// assigning the control's own Font clears ParentFont, as in window
// definitions, where "Font.Style = [fsBold]" makes a bold copy of the form's
// font.
//
// Events raised by the widget run through the error guard: an exception in
// a handler reaches the error box, never Qt.
#pragma once

#include "framework/classes.h"
#include "toolkit/font.h"
#include "toolkit/graphics.h"
#include "toolkit/keys.h"

#include <QPainter>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class TWinControl;
class TForm;
class TControlEventFilter;

// How the control is dragged: moved as a whole, or docked elsewhere. Kept
// for definitions and for code that asks; the toolkit drags nothing itself.
enum TDragKind { dkDrag, dkDock };

using TKeyEvent = std::function<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, QChar& Key)>;

class TControl : public TComponent {
    VARNEL_DECLARE_CLASS(TControl, TComponent)

public:
    ~TControl() override;

    QWidget* Widget() const { return mWidget; }
    // The control whose widget `widget` is; null for a widget that no control
    // wraps (or once its control is gone).
    static TControl* FromWidget(const QWidget* widget);

    TWinControl* Parent() const { return mParent; }
    void SetParent(TWinControl* parent);
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;
    // The form this control stands on, through its parents; null if none.
    TForm* ParentForm() const;

    int Left() const { return mBounds.left(); }
    void SetLeft(int value);
    int Top() const { return mBounds.top(); }
    void SetTop(int value);
    int Width() const { return mBounds.width(); }
    void SetWidth(int value);
    int Height() const { return mBounds.height(); }
    void SetHeight(int value);
    void SetBounds(int left, int top, int width, int height);
    virtual int ClientWidth() const { return Width(); }
    virtual void SetClientWidth(int value) { SetWidth(value); }
    virtual int ClientHeight() const { return Height(); }
    virtual void SetClientHeight(int value) { SetHeight(value); }

    // Caption and Text are the same text, as in the platform's controls.
    QString Caption() const { return GetText(); }
    void SetCaption(const QString& text) { SetText(text); }
    QString Text() const { return GetText(); }
    void SetText(const QString& text);

    bool Enabled() const { return mEnabled; }
    void SetEnabled(bool value);
    bool Visible() const { return mVisible; }
    virtual void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }

    QString Hint() const { return mHint; }
    void SetHint(const QString& hint);
    bool ShowHint() const { return mShowHint; }
    void SetShowHint(bool value);
    bool ParentShowHint() const { return mParentShowHint; }
    void SetParentShowHint(bool value);

    TFont* Font() const { return mFont.get(); }
    void SetFont(const TFont* font) { mFont->Assign(font); }
    bool ParentFont() const { return mParentFont; }
    void SetParentFont(bool value);
    TColor Color() const { return mColor; }
    void SetColor(TColor color);
    TDragKind DragKind() const { return mDragKind; }
    void SetDragKind(TDragKind kind) { mDragKind = kind; }
    bool ParentColor() const { return mParentColor; }
    void SetParentColor(bool value);

    // Paints the control and its children into an image (screenshots).
    QPixmap Grab() const;

    virtual void Click();

    // An accelerator character typed while no control used it (Alt+C, or C
    // alone when the focused control takes no characters); true when this
    // control acted on it.
    virtual bool DialogChar(QChar character);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    // `ownWindow`: the widget is a window of its own (a form), never placed
    // on a parent.
    TControl(TComponent* owner, QWidget* widget, TColor defaultColor, bool ownWindow = false);
    bool OwnWindow() const { return mOwnWindow; }

    void Loaded() override;

    // The text as the widget holds it; derived classes map it to their widget.
    virtual QString GetText() const { return mText; }
    virtual void ApplyText(const QString&) {}
    virtual void ApplyFont();
    virtual void ApplyColor();
    // After text or font changed, outside loading (auto-sizing labels).
    virtual void AdjustSize() {}

    // Pushes the bounds to the widget; windows map them to their frame.
    virtual void ApplyBounds();
    const QRect& BoundsRect() const { return mBounds; }
    // The widget moved or was resized by Qt (the operator, the window system).
    void WidgetBoundsChanged(const QRect& bounds) { mBounds = bounds; }

    // The parent's font or colour changed.
    void ParentFontChanged();
    void ParentColorChanged();
    TColor DefaultColor() const { return mDefaultColor; }
    // The palette role that Color paints: the window behind a label or a
    // form, the inside of an edit or a list.
    void SetColorRole(QPalette::ColorRole role);

private:
    friend class TWinControl;
    friend class TControlEventFilter;
    void ApplyHint();
    void FontChanged();
    void ParentShowHintChanged();
    // Runs `step` on every control standing on this one.
    void NotifyChildren(void (TControl::*step)());

    QPointer<QWidget> mWidget;
    TWinControl* mParent = nullptr;
    QRect mBounds;
    QString mText;
    bool mEnabled = true;
    bool mVisible = true;
    QString mHint;
    bool mShowHint = false;
    bool mParentShowHint = true;
    std::unique_ptr<TFont> mFont;
    bool mParentFont = true;
    bool mSettingParentFont = false;
    TColor mColor;
    TColor mDefaultColor;
    bool mParentColor = false;
    bool mOwnWindow;
    TDragKind mDragKind = dkDrag;
    QPalette::ColorRole mColorRole = QPalette::Window;
    QPointer<TControlEventFilter> mEvents;
};

// Whether `caption` marks `character` as its accelerator ("&Fermer" for F),
// without regard to case; "&&" is a plain "&".
bool IsAccel(QChar character, const QString& caption);

// A control without a window of its own in the platform's sense: it takes no
// focus and draws itself in Paint, called whenever Qt repaints the widget.
class TPaintFilter;

class TGraphicControl : public TControl {
    VARNEL_DECLARE_CLASS(TGraphicControl, TControl)

public:
    ~TGraphicControl() override;

    // Asks for a repaint (done later, by the event loop).
    void Invalidate();
    // Repaints now.
    void Repaint();

protected:
    explicit TGraphicControl(TComponent* owner);
    virtual void Paint(QPainter& painter) = 0;

private:
    friend class TPaintFilter;
    QPointer<TPaintFilter> mPaintFilter;
};

// A control that can hold the focus and other controls.
class TWinControl : public TControl {
    VARNEL_DECLARE_CLASS(TWinControl, TControl)

public:
    ~TWinControl() override;

    // The widget that children are placed in (the control's own widget).
    virtual QWidget* ClientWidget() const { return Widget(); }

    int ControlCount() const { return int(mControls.size()); }
    TControl* Controls(int index) const { return mControls.at(size_t(index)); }

    // Position in the parent's Tab sequence (0 first); -1 without a parent.
    // Setting it moves the control there and renumbers the others, as
    // window definitions expect.
    int TabOrder() const;
    void SetTabOrder(int order);
    bool TabStop() const { return mTabStop; }
    void SetTabStop(bool value);

    bool Focused() const;
    bool CanFocus() const;
    void SetFocus();

    // A dialog key (Enter or Esc without modifiers) that the focused control
    // did not use, offered to every control of the form; true when one took
    // it (a default or cancel button clicking itself).
    virtual bool DialogKey(Word key);

    // The focus moved to `focused` (any windowed control of the form, or
    // null when it left the form's controls); every windowed control of the
    // form hears of it.
    virtual void FocusChanged(TWinControl* focused);

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

protected:
    TWinControl(TComponent* owner, QWidget* widget, TColor defaultColor, bool tabStop, bool ownWindow = false);
    void Loaded() override;

    // The Qt focus policy for TabStop.
    virtual void ApplyTabStop();

private:
    friend class TControl;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    // Rebuilds Qt's focus chain from the Tab sequence.
    void UpdateTabChain();

    std::vector<TControl*> mControls;
    std::vector<TWinControl*> mTabList;
    int mPendingTabOrder = -1;   // read from a definition, placed after loading
    bool mTabStop;
};
