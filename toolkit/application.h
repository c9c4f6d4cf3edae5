// The application object: the message loop, the main form, the title and the
// standard error box.
//
// `Application` always points to a live TApplication (a process-wide one,
// unless a TApplicationScope put another in place). It wraps the process's
// QApplication: Initialize() creates one when none exists yet and then owns
// it, destroying it after its forms.
//
// Invariants:
//   - The first form created through CreateForm becomes the main form; its
//     OnCreate runs inside that creation, before CreateForm returns.
//   - Run() shows the main form and processes events until the main form is
//     closed or destroyed, or Terminate() was called; a Terminate made
//     before Run (inside OnCreate) makes Run return at once, after one pass
//     over the pending events, without showing the form.
//   - HandleException never lets an exception out: it hands the exception to
//     OnException if set, otherwise shows the standard error box, and the
//     program goes on.
#pragma once

#include "framework/classes.h"
#include "toolkit/presenter.h"

#include <QString>
#include <exception>
#include <functional>
#include <memory>
#include <new>

class QApplication;
class QEventLoop;
class TForm;

using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;

// Flags of MessageBox, as the platform numbers them.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

class TApplication : public TComponent {
    VARNEL_DECLARE_CLASS(TApplication, TComponent)

public:
    explicit TApplication(TComponent* owner = nullptr);
    ~TApplication() override;

    // Makes sure a QApplication exists (creating one that this object owns)
    // and installs the error guard for event handlers.
    void Initialize();
    void Initialize(int& argc, char** argv);

    // Creates a form (or data module) owned by the application and stores
    // it in `reference`; the first form becomes the main form. `reference`
    // is set before the constructor runs, so handlers run from OnCreate can
    // already reach the form through it (the form is then still being
    // built); it is null again if the constructor throws.
    template <class T>
    void CreateForm(T*& reference)
    {
        const bool claimsMainForm = BeginFormCreation();
        void* memory = ::operator new(sizeof(T));
        reference = static_cast<T*>(memory);
        try {
            new (memory) T(this);
        } catch (...) {
            reference = nullptr;
            ::operator delete(memory);
            EndFormCreation(claimsMainForm, nullptr);
            throw;
        }
        EndFormCreation(claimsMainForm, reference);
    }

    TForm* MainForm() const { return mMainForm; }
    bool ShowMainForm() const { return mShowMainForm; }
    void SetShowMainForm(bool value) { mShowMainForm = value; }

    void Run();
    void Terminate();
    bool Terminated() const { return mTerminated; }
    // Handles the events waiting now, once, and returns.
    void ProcessMessages();

    // The whole program to the taskbar and back: every shown form is
    // minimised (without taking the focus) or shown normally again.
    void Minimize();
    void Restore();

    // The caption of message and error boxes; the program's name until set.
    QString Title() const;
    void SetTitle(const QString& title) { mTitle = title; }

    void HandleException(const std::exception& error);
    // An exception that is not a std::exception left a handler.
    void HandleUnknownException();
    // The standard error box for `error`.
    void ShowException(const std::exception& error);

    // A modal box with the platform's MessageBox flags; returns IDOK etc.
    int MessageBox(const QString& text, const QString& caption, unsigned flags = MB_OK);

    TExceptionEvent OnException;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TForm;
    bool BeginFormCreation();
    void EndFormCreation(bool claimsMainForm, TComponent* instance);
    void ShowErrorText(const QString& text);
    // Called by a form when it closed or went away.
    void FormClosed(TForm* form);

    std::unique_ptr<QApplication> mOwnedQtApplication;
    TForm* mMainForm = nullptr;
    bool mMainFormClaimed = false;
    bool mShowMainForm = true;
    bool mTerminated = false;
    QEventLoop* mLoop = nullptr;
    QString mTitle;
};

extern TApplication* Application;

// Puts a fresh application in place of the global one for the lifetime of
// the object (its forms are destroyed with it), then restores the previous
// one. Tests use it to start each case from a clean state.
class TApplicationScope {
public:
    TApplicationScope();
    ~TApplicationScope();
    TApplicationScope(const TApplicationScope&) = delete;
    TApplicationScope& operator=(const TApplicationScope&) = delete;
    TApplication& App() { return *mApplication; }

private:
    std::unique_ptr<TApplication> mApplication;
    TApplication* mPrevious;
};
