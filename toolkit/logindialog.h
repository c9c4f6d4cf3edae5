// The login dialog: asks for a user name and a password before a connection
// to a data dictionary opens.
//
// ShowLoginDialog has the shape of the data-access layer's login hook, so a
// program installs it there (SetLoginDialog(&ShowLoginDialog)). It hands the
// request to the login presenter in force: by default a real modal dialog
// (TLoginDialog); tests install one that answers at once, so no modal wait
// can block an unattended run.
//
// Invariants:
//   - LoginPresenter() never returns null: with nothing installed it is the
//     Qt one.
//   - A cancelled request leaves the caller's user name and password as they
//     were; an accepted one gives back what was entered.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

class QLineEdit;
class QPushButton;

struct TLoginRequest {
    QString databaseName;  // shown in the dialog's caption
    QString userName;      // in: proposed; out: entered
    QString password;      // in: proposed; out: entered
};

class TLoginPresenter {
public:
    virtual ~TLoginPresenter();
    // True when the user confirmed; `request` then holds what was entered.
    virtual bool ShowLogin(TLoginRequest& request) = 0;
};

// Shows a TLoginDialog modally, parented to the active window if any.
class TQtLoginPresenter : public TLoginPresenter {
public:
    bool ShowLogin(TLoginRequest& request) override;
};

TLoginPresenter& LoginPresenter();
// Installs `presenter` (null restores the Qt one) and returns the previous one.
std::shared_ptr<TLoginPresenter> SetLoginPresenter(std::shared_ptr<TLoginPresenter> presenter);

// The hook for the data-access layer: database name, user name and password
// in/out; false when the user cancelled.
bool ShowLoginDialog(const QString& databaseName, QString& userName, QString& password);

// The dialog itself: a user-name edit, a password edit (characters hidden),
// OK and Cancel. The caption names the database.
class TLoginDialog : public QDialog {
public:
    TLoginDialog(const TLoginRequest& request, QWidget* parent = nullptr);

    QLineEdit* UserNameEdit() const { return mUserName; }
    QLineEdit* PasswordEdit() const { return mPassword; }
    QPushButton* OkButton() const { return mOk; }
    QPushButton* CancelButton() const { return mCancel; }

    // The request with what the edits hold now.
    TLoginRequest Entered() const;

private:
    TLoginRequest mRequest;
    QLineEdit* mUserName;
    QLineEdit* mPassword;
    QPushButton* mOk;
    QPushButton* mCancel;
};
