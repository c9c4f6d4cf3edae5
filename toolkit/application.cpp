#include "toolkit/application.h"

#include "framework/typinfo.h"
#include "toolkit/errorbox.h"
#include "toolkit/forms.h"
#include "toolkit/guard.h"

#include <QApplication>
#include <QEventLoop>

VARNEL_PUBLISH(TApplication, c)
{
    c.prop("Title", &TApplication::Title, &TApplication::SetTitle);
}

namespace {

TApplication& ProcessApplication()
{
    static TApplication application;
    return application;
}

} // namespace

TApplication* Application = &ProcessApplication();

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

TApplication::~TApplication()
{
    // Forms hold widgets, which must go before the QApplication they need.
    DestroyComponents();
    mOwnedQtApplication.reset();
}

void TApplication::Initialize()
{
    static int argc = 1;
    static char name[] = "varnel";
    static char* argv[] = {name, nullptr};
    Initialize(argc, argv);
}

void TApplication::Initialize(int& argc, char** argv)
{
    if (!QApplication::instance())
        mOwnedQtApplication = std::make_unique<QApplication>(argc, argv);
    // Handlers bound by the window-definition reader run guarded on every
    // root, forms and data modules alike.
    SetEventGuard(&RunGuarded);
}

// --- forms -----------------------------------------------------------------

bool TApplication::BeginFormCreation()
{
    if (mMainForm || mMainFormClaimed)
        return false;
    mMainFormClaimed = true;
    return true;
}

void TApplication::EndFormCreation(bool claimsMainForm, TComponent* instance)
{
    if (!claimsMainForm)
        return;
    mMainFormClaimed = false;
    if (auto* form = dynamic_cast<TForm*>(instance))
        mMainForm = form;
}

void TApplication::FormClosed(TForm* form)
{
    if (form && form == mMainForm)
        Terminate();
}

void TApplication::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == mMainForm) {
        mMainForm = nullptr;
        Terminate();
    }
}

// --- message loop -----------------------------------------------------------

void TApplication::Run()
{
    // The main form decides when the program ends, not the last window.
    if (auto* qtApplication = qobject_cast<QApplication*>(QCoreApplication::instance()))
        qtApplication->setQuitOnLastWindowClosed(false);
    if (!mTerminated && mMainForm && mShowMainForm)
        mMainForm->Show();
    if (mTerminated || !mMainForm) {
        ProcessMessages();
        return;
    }
    QEventLoop loop;
    mLoop = &loop;
    loop.exec();
    mLoop = nullptr;
    mTerminated = true;
}

void TApplication::Terminate()
{
    mTerminated = true;
    if (mLoop)
        mLoop->quit();
}

void TApplication::ProcessMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

namespace {

// The program's own windows on screen: forms, not popups or tooltips.
QList<QWidget*> ShownWindows()
{
    QList<QWidget*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = widget->windowType();
        if (widget->isVisible() && (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool))
            windows.append(widget);
    }
    return windows;
}

} // namespace

void TApplication::Minimize()
{
    for (QWidget* window : ShownWindows()) {
        window->setAttribute(Qt::WA_ShowWithoutActivating, true);
        window->showMinimized();
        window->setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
}

void TApplication::Restore()
{
    for (QWidget* window : ShownWindows())
        if (window->isMinimized())
            window->showNormal();
}

QString TApplication::Title() const
{
    return mTitle.isEmpty() ? QCoreApplication::applicationName() : mTitle;
}

// --- errors and boxes -------------------------------------------------------

void TApplication::HandleException(const std::exception& error)
{
    if (!OnException) {
        ShowException(error);
        return;
    }
    try {
        OnException(this, error);
    } catch (const std::exception& inner) {
        ShowException(inner);
    } catch (...) {
        ShowErrorText(UnknownExceptionText());
    }
}

void TApplication::HandleUnknownException()
{
    ShowErrorText(UnknownExceptionText());
}

void TApplication::ShowException(const std::exception& error)
{
    ShowErrorText(ErrorBoxText(error));
}

void TApplication::ShowErrorText(const QString& text)
{
    TMessageRequest request;
    request.text = text;
    request.caption = Title();
    request.type = mtError;
    request.buttons = {mbOK};
    request.isErrorBox = true;
    try {
        Presenter().MessageBox(request);
    } catch (...) {
        // The error box is the last resort; a failing presenter must not
        // turn one error into a crash.
    }
}

namespace {

TMsgDlgButtons ButtonsOfFlags(unsigned flags)
{
    switch (flags & 0xF) {
    case MB_OKCANCEL: return {mbOK, mbCancel};
    case MB_ABORTRETRYIGNORE: return {mbAbort, mbRetry, mbIgnore};
    case MB_YESNOCANCEL: return {mbYes, mbNo, mbCancel};
    case MB_YESNO: return {mbYes, mbNo};
    case MB_RETRYCANCEL: return {mbRetry, mbCancel};
    default: return {mbOK};
    }
}

TMsgDlgType TypeOfFlags(unsigned flags)
{
    switch (flags & 0xF0) {
    case MB_ICONERROR: return mtError;
    case MB_ICONQUESTION: return mtConfirmation;
    case MB_ICONWARNING: return mtWarning;
    case MB_ICONINFORMATION: return mtInformation;
    default: return mtCustom;
    }
}

} // namespace

int TApplication::MessageBox(const QString& text, const QString& caption, unsigned flags)
{
    TMessageRequest request;
    request.text = text;
    request.caption = caption;
    request.type = TypeOfFlags(flags);
    request.buttons = ButtonsOfFlags(flags);
    // The modal results are numbered as the platform's button identifiers.
    return Presenter().MessageBox(request);
}

// --- scope -------------------------------------------------------------------

TApplicationScope::TApplicationScope()
    : mApplication(std::make_unique<TApplication>()), mPrevious(Application)
{
    Application = mApplication.get();
    SetEventGuard(&RunGuarded);
}

TApplicationScope::~TApplicationScope()
{
    mApplication.reset();
    Application = mPrevious;
}
