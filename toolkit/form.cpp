// TForm: creation from a definition, showing, closing and modal runs.
#include "toolkit/forms.h"

#include "framework/streaming.h"
#include "framework/typinfo.h"
#include "toolkit/application.h"
#include "toolkit/guard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMetaObject>

VARNEL_ENUM_NAMES(TPosition, "poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                  "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter");
VARNEL_ENUM_NAMES(TFormBorderStyle, "bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow",
                  "bsSizeToolWin");
VARNEL_ENUM_NAMES(TBorderIcon, "biSystemMenu", "biMinimize", "biMaximize", "biHelp");
VARNEL_ENUM_NAMES(TFormStyle, "fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop");

VARNEL_PUBLISH(TForm, c)
{
    c.prop("Caption", &TForm::Caption, &TForm::SetCaption);
    c.prop("ClientWidth", &TForm::ClientWidth, &TForm::SetClientWidth);
    c.prop("ClientHeight", &TForm::ClientHeight, &TForm::SetClientHeight);
    c.prop("Position", &TForm::Position, &TForm::SetPosition).def(poDefaultPosOnly);
    c.prop("BorderStyle", &TForm::BorderStyle, &TForm::SetBorderStyle).def(bsSizeable);
    c.prop("BorderIcons", &TForm::BorderIcons, &TForm::SetBorderIcons)
        .def(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
    c.prop("FormStyle", &TForm::FormStyle, &TForm::SetFormStyle).def(fsNormal);
    c.prop("Visible", &TForm::Visible, &TForm::SetVisible).def(false);
    c.prop("ActiveControl", &TForm::ActiveControl, &TForm::SetActiveControl);
    c.event("OnCreate", &TForm::OnCreate);
    c.event("OnDestroy", &TForm::OnDestroy);
    c.event("OnShow", &TForm::OnShow);
    c.event("OnHide", &TForm::OnHide);
    c.event("OnClose", &TForm::OnClose);
    c.event("OnCloseQuery", &TForm::OnCloseQuery);
}

// Window events a form answers itself: the close button, showing and
// hiding, and dialog keys that no control used.
class TFormEventFilter : public QObject {
public:
    TFormEventFilter(TForm* form, QWidget* widget) : QObject(widget), mForm(form)
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != parent())
            return false;
        switch (event->type()) {
        case QEvent::Close:
            event->ignore();   // the form decides what closing means
            mForm->ClosedByWindow();
            return true;
        case QEvent::Show:
            mForm->FocusActiveControl();
            FireEvent(mForm->OnShow, mForm);
            break;
        case QEvent::Hide:
            FireEvent(mForm->OnHide, mForm);
            break;
        case QEvent::KeyPress:
            return DialogKeyPress(static_cast<QKeyEvent*>(event));
        default:
            break;
        }
        return false;
    }

private:
    // A key reaches the window itself only when the focused control left
    // it: Enter and Esc go to the buttons, a character to the accelerators.
    bool DialogKeyPress(QKeyEvent* event)
    {
        const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
        const Word key = VirtualKeyOf(*event);
        if (modifiers == Qt::NoModifier && (key == VK_RETURN || key == VK_ESCAPE))
            return mForm->DialogKey(key);
        const QString text = event->text();
        const bool character = text.size() == 1 && text[0].isLetterOrNumber();
        if (character && (modifiers == Qt::NoModifier || modifiers == Qt::AltModifier))
            return mForm->DialogChar(text[0]);
        if (modifiers == Qt::AltModifier && ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')))
            return mForm->DialogChar(QChar(key));
        return false;
    }

    TForm* mForm;
};

TForm::TForm(TComponent* owner) : TWinControl(owner, new QWidget(nullptr, Qt::Window), clBtnFace, false, true)
{
    QWidget* window = Widget();
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setAutoFillBackground(true);
    mFormEvents = new TFormEventFilter(this, window);
    mFocusConnection = QObject::connect(qApp, &QApplication::focusChanged, window,
                     [this](QWidget*, QWidget* now) { NotifyFocusChange(now); });
    TControl::SetVisible(false);
    ApplyWindowFlags();
    SetBounds(0, 0, 320, 240);
}

TForm::~TForm()
{
    FireEvent(OnDestroy, this);
    // Focus moves and the window hides while the controls go; none of that
    // may reach the handlers of a form whose derived parts are gone.
    QObject::disconnect(mFocusConnection);
    delete mFormEvents.data();
    if (mModalLoop)
        mModalLoop->quit();
    // Controls hold widgets inside the window: they go first.
    DestroyComponents();
}

TForm* TForm::CreateFromResource(TComponent* owner, const QString& fileName)
{
    auto form = std::make_unique<TForm>(owner);
    form->ReadDefinition(fileName);
    return form.release();
}

void TForm::ReadDefinition(const QString& fileName)
{
    ReadRootComponentFile(fileName, this);
    FireEvent(OnCreate, this);
}

void TForm::RunEventHandler(const std::function<void()>& call)
{
    RunGuarded(call);
}

void TForm::ApplyText(const QString& text)
{
    if (Widget())
        Widget()->setWindowTitle(text);
}

QIcon TForm::Icon() const
{
    return Widget() ? Widget()->windowIcon() : QIcon();
}

void TForm::SetIcon(const QIcon& icon)
{
    if (Widget())
        Widget()->setWindowIcon(icon);
}

// --- showing and closing ---------------------------------------------------

void TForm::SetVisible(bool value)
{
    if (value && !mPlaced)
        PlaceOnFirstShow();
    TControl::SetVisible(value);
}

void TForm::BringToFront()
{
    if (!Widget())
        return;
    Widget()->raise();
    Widget()->activateWindow();
}

bool TForm::Active() const
{
    return Widget() && Widget()->isActiveWindow();
}

void TForm::ClosedByWindow()
{
    if (!mCloseCommand)
        return;
    if (IsModal())
        SetModalResult(mrCancel);
    else
        Close();
}

void TForm::Close()
{
    if (IsModal()) {
        SetModalResult(mrCancel);
        return;
    }
    bool canClose = true;
    FireEvent(OnCloseQuery, this, canClose);
    if (!canClose)
        return;
    TCloseAction action = caHide;
    FireEvent(OnClose, this, action);
    if (action == caNone)
        return;
    if (Application->MainForm() == this) {
        Application->FormClosed(this);
        return;
    }
    switch (action) {
    case caHide: Hide(); break;
    case caMinimize: if (Widget()) Widget()->showMinimized(); break;
    case caFree: Release(); break;
    case caNone: break;
    }
}

void TForm::Release()
{
    Hide();
    // The widget is the context: if the form goes away first, so does the call.
    QMetaObject::invokeMethod(Widget(), [this] { delete this; }, Qt::QueuedConnection);
}

// --- modal runs --------------------------------------------------------------

void TForm::SetModalResult(TModalResult result)
{
    mModalResult = result;
    if (mModalLoop && result != mrNone)
        mModalLoop->quit();
}

TModalResult TForm::ShowModal()
{
    if (IsModal())
        throw Exception(QStringLiteral("Cannot make a visible window modal"));
    mModalResult = mrNone;
    Widget()->setWindowModality(Qt::ApplicationModal);
    Show();
    QEventLoop loop;
    mModalLoop = &loop;
    while (mModalResult == mrNone && !Application->Terminated() && Widget())
        loop.exec();
    mModalLoop = nullptr;
    if (Widget()) {
        Hide();
        Widget()->setWindowModality(Qt::NonModal);
    }
    return mModalResult;
}

// --- keys and focus ----------------------------------------------------------

template <class F>
bool TForm::OfferToControls(F offer)
{
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* control = dynamic_cast<TControl*>(Components(i)); control && offer(*control))
            return true;
    return false;
}

bool TForm::DialogKey(Word key)
{
    return OfferToControls([key](TControl& control) {
        auto* windowed = dynamic_cast<TWinControl*>(&control);
        return windowed && windowed->DialogKey(key);
    });
}

bool TForm::DialogChar(QChar character)
{
    return OfferToControls([character](TControl& control) { return control.DialogChar(character); });
}

// Tells every windowed control of the form which one has the focus now.
void TForm::NotifyFocusChange(QWidget* now)
{
    if (!now || !Widget() || now->window() != Widget())
        return;
    TWinControl* focused = nullptr;
    OfferToControls([&](TControl& control) {
        auto* windowed = dynamic_cast<TWinControl*>(&control);
        if (windowed && windowed->Widget() && (windowed->Widget() == now || windowed->Widget()->isAncestorOf(now)))
            focused = windowed;
        return focused != nullptr;
    });
    mActiveControl = focused;
    OfferToControls([focused](TControl& control) {
        if (auto* windowed = dynamic_cast<TWinControl*>(&control))
            windowed->FocusChanged(focused);
        return false;
    });
}

TWinControl* TForm::ActiveControl() const
{
    return mActiveControl;
}

void TForm::SetActiveControl(TWinControl* control)
{
    mActiveControl = control;
    if (!IsLoading() && Widget() && Widget()->isVisible())
        FocusActiveControl();
}

void TForm::FocusActiveControl()
{
    if (mActiveControl && mActiveControl->CanFocus())
        mActiveControl->SetFocus();
}

WId TForm::Handle() const
{
    return Widget() ? Widget()->winId() : WId();
}

bool TForm::HasSystemMenuCommand(unsigned command) const
{
    switch (command) {
    case SC_CLOSE: return mCloseCommand && mBorderIcons.Contains(biSystemMenu);
    case SC_MINIMIZE: return bool(Widget() && (Widget()->windowFlags() & Qt::WindowMinimizeButtonHint));
    case SC_MAXIMIZE: return bool(Widget() && (Widget()->windowFlags() & Qt::WindowMaximizeButtonHint));
    default: return false;
    }
}

bool TForm::DeleteSystemMenuCommand(unsigned command)
{
    if (!HasSystemMenuCommand(command))
        return false;
    switch (command) {
    case SC_CLOSE: mCloseCommand = false; break;
    case SC_MINIMIZE: mBorderIcons.Exclude(biMinimize); break;
    case SC_MAXIMIZE: mBorderIcons.Exclude(biMaximize); break;
    default: return false;
    }
    ApplyWindowFlags();
    return true;
}

// --- data modules ------------------------------------------------------------

VARNEL_PUBLISH(TDataModule, c)
{
    c.event("OnCreate", &TDataModule::OnCreate);
    c.event("OnDestroy", &TDataModule::OnDestroy);
}

TDataModule::TDataModule(TComponent* owner) : TComponent(owner) {}

TDataModule::~TDataModule()
{
    FireEvent(OnDestroy, this);
    DestroyComponents();
}

void TDataModule::RunEventHandler(const std::function<void()>& call)
{
    RunGuarded(call);
}

void TDataModule::ReadDefinition(const QString& fileName)
{
    ReadRootComponentFile(fileName, this);
    FireEvent(OnCreate, this);
}
