// TForm: creation from a definition, showing, closing and modal runs.
#include "toolkit/forms.h"

#include "framework/streaming.h"
#include "framework/typinfo.h"
#include "toolkit/application.h"
#include "toolkit/guard.h"

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
    // A key reaches the window itself only when the focused control left it.
    bool DialogKeyPress(QKeyEvent* event)
    {
        const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
        const Word key = VirtualKeyOf(*event);
        if (modifiers != Qt::NoModifier || (key != VK_RETURN && key != VK_ESCAPE))
            return false;
        return mForm->DialogKey(key);
    }

    TForm* mForm;
};

TForm::TForm(TComponent* owner) : TWinControl(owner, new QWidget(nullptr, Qt::Window), clBtnFace, false)
{
    QWidget* window = Widget();
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setAutoFillBackground(true);
    mFormEvents = new TFormEventFilter(this, window);
    TControl::SetVisible(false);
    ApplyWindowFlags();
    ApplyColor();
    SetBounds(0, 0, 320, 240);
}

TForm::~TForm()
{
    FireEvent(OnDestroy, this);
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

void TForm::ApplyColor()
{
    if (!Widget())
        return;
    QPalette palette = Widget()->palette();
    palette.setColor(QPalette::Window, ToQColor(Color()));
    Widget()->setPalette(palette);
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

// --- dialog keys -------------------------------------------------------------

bool TForm::DialogKey(Word key)
{
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* control = dynamic_cast<TWinControl*>(Components(i)); control && control->DialogKey(key))
            return true;
    return false;
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
