// The main window of the restore tool: the alias drop-down, the two folder
// edits with their browse buttons, and the start and close buttons.
//
// Exactly one instance exists, created at start from its window definition
// and made the application's main window. The components it lists are owned
// by the window and destroyed with it.
//
// The selected alias is the text of wwDBCBAlias. It is handed to
// ApplySelectedAlias once at creation (when ads.ini lists at least one alias)
// and again at every closing of the drop-down list, which also empties both
// folder edits.
#pragma once

#include "toolkit/forms.h"
#include "toolkit/stdctrls.h"
#include "toolkit/wwdbcombobox.h"

#include <QStringList>
#include <memory>

// The message shown when ads.ini yields no alias; the program then ends.
extern const QString kNoAliasMessage;

// The names of the keys of section [Databases] of the ads.ini that
// LocateAdsIni finds, in file order; empty when the file or the section is
// missing.
std::unique_ptr<QStringList> GetAliasList();

class TFPrincipal : public TForm {
    VARNEL_DECLARE_CLASS(TFPrincipal, TForm)

public:
    explicit TFPrincipal(TComponent* owner);
    ~TFPrincipal() override;

    TLabel* Label1 = nullptr;
    TButton* BtnFermer = nullptr;
    TEdit* EditSource = nullptr;
    TButton* Button1 = nullptr;
    TLabel* Label2 = nullptr;
    TEdit* EditDestination = nullptr;
    TButton* Button2 = nullptr;
    TLabel* Label3 = nullptr;
    TwwDBComboBox* wwDBCBAlias = nullptr;

    void FormCreate(TObject* Sender);
    void wwDBCBAliasCloseUp(TObject* Sender, bool Select);
    void wwDBCBAliasKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void BtnFermerClick(TObject* Sender);

    // The step through which the restore connections follow the selected
    // alias. For now it only records the alias.
    void ApplySelectedAlias(const QString& Name);
    const QString& SelectedAliasName() const { return mSelectedAliasName; }

private:
    QString mSelectedAliasName;
};

extern TFPrincipal* FPrincipal;
