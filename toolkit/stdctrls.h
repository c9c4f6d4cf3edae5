// The standard controls: static label, single-line edit, push button.
#pragma once

#include "toolkit/controls.h"
#include "toolkit/presenter.h"

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QPlainTextEdit;
class TStringList;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// A static text. Takes no focus. With AutoSize (the default) it sizes itself
// to its text whenever the text or font changes, except while it is being
// read from a definition; then once after loading.
class TLabel : public TControl {
    VARNEL_DECLARE_CLASS(TLabel, TControl)

public:
    explicit TLabel(TComponent* owner);

    bool AutoSize() const { return mAutoSize; }
    void SetAutoSize(bool value);
    TAlignment Alignment() const { return mAlignment; }
    void SetAlignment(TAlignment value);
    TTextLayout Layout() const { return mLayout; }
    void SetLayout(TTextLayout value);
    bool WordWrap() const { return mWordWrap; }
    void SetWordWrap(bool value);
    bool Transparent() const { return mTransparent; }
    void SetTransparent(bool value);
    bool ShowAccelChar() const { return mShowAccelChar; }
    void SetShowAccelChar(bool value);
    TWinControl* FocusControl() const { return mFocusControl; }
    void SetFocusControl(TWinControl* control) { mFocusControl = control; }

    // The caption's accelerator focuses FocusControl when it can take it.
    bool DialogChar(QChar character) override;

protected:
    void ApplyText(const QString& text) override;
    void ApplyColor() override;
    void AdjustSize() override;

private:
    QLabel* Label() const;
    void ApplyAlignment();

    bool mAutoSize = true;
    TAlignment mAlignment = taLeftJustify;
    TTextLayout mLayout = tlTop;
    bool mWordWrap = false;
    bool mTransparent = false;
    bool mShowAccelChar = true;
    TWinControl* mFocusControl = nullptr;
};

// A single-line edit. OnChange fires on every change of the text, from the
// operator or from code.
class TEdit : public TWinControl {
    VARNEL_DECLARE_CLASS(TEdit, TWinControl)

public:
    explicit TEdit(TComponent* owner);

    int MaxLength() const { return mMaxLength; }
    void SetMaxLength(int value);
    bool ReadOnly() const;
    void SetReadOnly(bool value);
    void SelectAll();

    TNotifyEvent OnChange;

protected:
    QString GetText() const override;
    void ApplyText(const QString& text) override;

private:
    QLineEdit* LineEdit() const;
    int mMaxLength = 0;
};

// A push button. A click sets the form's ModalResult to the button's (when
// not mrNone), then fires OnClick. Enter clicks the Default button (or the
// focused one), Esc the Cancel button, when no control used the key.
class TButton : public TWinControl {
    VARNEL_DECLARE_CLASS(TButton, TWinControl)

public:
    explicit TButton(TComponent* owner);

    bool Default() const { return mDefault; }
    void SetDefault(bool value) { mDefault = value; }
    bool Cancel() const { return mCancel; }
    void SetCancel(bool value) { mCancel = value; }
    TModalResult ModalResult() const { return mModalResult; }
    void SetModalResult(TModalResult value) { mModalResult = value; }

    void Click() override;
    bool DialogKey(Word key) override;

protected:
    void ApplyText(const QString& text) override;

private:
    QPushButton* PushButton() const;

    bool mDefault = false;
    bool mCancel = false;
    TModalResult mModalResult = mrNone;
};

// A multi-line text. Lines() holds the text line by line; setting Text
// splits it at CR, LF or CR LF. OnChange fires on every change.
class TMemo : public TWinControl {
    VARNEL_DECLARE_CLASS(TMemo, TWinControl)

public:
    explicit TMemo(TComponent* owner);
    ~TMemo() override;

    TStrings* Lines() const { return mLines.get(); }
    void Clear();
    bool WordWrap() const { return mWordWrap; }
    void SetWordWrap(bool value);
    bool ReadOnly() const;
    void SetReadOnly(bool value);

    TNotifyEvent OnChange;

protected:
    QString GetText() const override;
    void ApplyText(const QString& text) override;

private:
    QPlainTextEdit* Editor() const;
    void LinesChanged();
    void EditorChanged();

    std::unique_ptr<TStringList> mLines;
    bool mWordWrap = true;
    bool mSyncing = false;
};
