// Forms: top-level windows made from window definitions.
//
// A form class calls ReadDefinition(":/forms/<Name>.dfm") at the end of its
// constructor, once its own members exist: the definition's components are
// created (owned by the form, standing on it), their properties set, the
// form's published fields pointed at them and its published methods bound
// to their events; then OnCreate runs through the error guard, so an
// exception there reaches the error box and the form still opens.
//
// Geometry: Left/Top/Width/Height are the outer window (title bar and border
// included where the platform shows them), ClientWidth/ClientHeight the
// inside. Position applies when the form is first shown.
//
// Closing: Close() asks OnCloseQuery, then OnClose with the action caHide.
// Closing the main form ends the application (Application->Terminate) and
// leaves the window as it is; otherwise caHide hides, caFree destroys the
// form once control is back in the event loop, caMinimize minimises, caNone
// keeps it open. The window's own close button goes the same way. A modal
// form closes by getting a ModalResult.
#pragma once

#include "toolkit/controls.h"
#include "toolkit/presenter.h"

#include <QIcon>

class QEventLoop;
class TFormEventFilter;

enum TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
    poMainFormCenter, poOwnerFormCenter,
};
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

// Commands of a window's system menu, by the platform's numbers.
constexpr unsigned SC_MINIMIZE = 0xF020;
constexpr unsigned SC_MAXIMIZE = 0xF030;
constexpr unsigned SC_CLOSE = 0xF060;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TForm : public TWinControl {
    VARNEL_DECLARE_CLASS(TForm, TWinControl)

public:
    // An empty, hidden form.
    explicit TForm(TComponent* owner);
    ~TForm() override;

    // A plain TForm read from a definition whose class is TForm.
    static TForm* CreateFromResource(TComponent* owner, const QString& fileName);

    int ClientWidth() const override;
    void SetClientWidth(int value) override;
    int ClientHeight() const override;
    void SetClientHeight(int value) override;

    TPosition Position() const { return mPosition; }
    void SetPosition(TPosition position) { mPosition = position; }
    TFormBorderStyle BorderStyle() const { return mBorderStyle; }
    void SetBorderStyle(TFormBorderStyle style);
    TBorderIcons BorderIcons() const { return mBorderIcons; }
    void SetBorderIcons(TBorderIcons icons);
    TFormStyle FormStyle() const { return mFormStyle; }
    void SetFormStyle(TFormStyle style);
    QIcon Icon() const;
    void SetIcon(const QIcon& icon);

    // The control that gets the focus when the form is shown, and the one
    // that has it while the form is active.
    TWinControl* ActiveControl() const;
    void SetActiveControl(TWinControl* control);

    // The native window, created on demand.
    WId Handle() const;

    // Removes a command from the window's system menu (SC_CLOSE also takes
    // away the title-bar close button and closing by the window system;
    // Close() from the program still works). False when it was not there.
    bool DeleteSystemMenuCommand(unsigned command);
    bool HasSystemMenuCommand(unsigned command) const;

    void SetVisible(bool value) override;
    void BringToFront();
    void Close();
    // Destroys the form once the events being handled now are done.
    void Release();

    TModalResult ShowModal();
    TModalResult ModalResult() const { return mModalResult; }
    void SetModalResult(TModalResult result);
    bool IsModal() const { return mModalLoop != nullptr; }
    bool Active() const;

    // Handlers bound from the definition run through the error guard.
    void RunEventHandler(const std::function<void()>& call) override;

    // Offers a dialog key to the form's controls (see TWinControl::DialogKey).
    bool DialogKey(Word key) override;
    bool DialogChar(QChar character) override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    // Reads the definition into this form and runs OnCreate.
    void ReadDefinition(const QString& fileName);
    void ApplyText(const QString& text) override;

private:
    friend class TFormEventFilter;
    void ApplyWindowFlags();
    void ApplyBounds() override;
    QSize FrameExtra() const;
    void PlaceOnFirstShow();
    void ClosedByWindow();
    void NotifyFocusChange(QWidget* now);
    void FocusActiveControl();
    template <class F>
    bool OfferToControls(F offer);

    TPosition mPosition = poDefaultPosOnly;
    TFormBorderStyle mBorderStyle = bsSizeable;
    TBorderIcons mBorderIcons{biSystemMenu, biMinimize, biMaximize};
    TFormStyle mFormStyle = fsNormal;
    TModalResult mModalResult = mrNone;
    QEventLoop* mModalLoop = nullptr;
    bool mPlaced = false;
    bool mCloseCommand = true;
    TWinControl* mActiveControl = nullptr;
    QMetaObject::Connection mFocusConnection;
    QPointer<TFormEventFilter> mFormEvents;
};

// A non-visual container of components (a data module): read from its
// definition like a form, with OnCreate guarded the same way.
class TDataModule : public TComponent {
    VARNEL_DECLARE_CLASS(TDataModule, TComponent)

public:
    explicit TDataModule(TComponent* owner);
    ~TDataModule() override;

    void RunEventHandler(const std::function<void()>& call) override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;

protected:
    void ReadDefinition(const QString& fileName);
};
