#include "app/UmenuPrinc.h"

#include "ads/adscnnct.h"
#include "ads/adsini.h"
#include "ads/adsdata.h"
#include "ads/adstable.h"
#include "framework/fields.h"
#include "framework/typinfo.h"
#include "platform/inifiles.h"
#include "toolkit/application.h"
#include "toolkit/dialogs.h"

TFPrincipal* FPrincipal = nullptr;

const QString kNoAliasMessage = QStringLiteral(
    "Aucun alias trouv\u00e9, veillez vous assur\u00e9 d'\u00eatre dans le m\u00eame r\u00e9pertoire que le "
    "logiciel \u00e0 restaurer !");

std::unique_ptr<QStringList> GetAliasList()
{
    TIniFile ini(LocateAdsIni());
    return std::make_unique<QStringList>(ini.ReadSection(QStringLiteral("Databases")));
}

VARNEL_PUBLISH(TFPrincipal, c)
{
    c.field("AdsConnectionRestore", &TFPrincipal::AdsConnectionRestore);
    c.field("Label1", &TFPrincipal::Label1);
    c.field("BtnFermer", &TFPrincipal::BtnFermer);
    c.field("BtnStart", &TFPrincipal::BtnStart);
    c.field("EditSource", &TFPrincipal::EditSource);
    c.field("Button1", &TFPrincipal::Button1);
    c.field("Label2", &TFPrincipal::Label2);
    c.field("EditDestination", &TFPrincipal::EditDestination);
    c.field("Button2", &TFPrincipal::Button2);
    c.field("QRestore", &TFPrincipal::QRestore);
    c.field("Label3", &TFPrincipal::Label3);
    c.field("wwDBCBAlias", &TFPrincipal::wwDBCBAlias);
    c.field("ActiveQueries", &TFPrincipal::ActiveQueries);
    c.field("ActiveQueriesQueryNumber", &TFPrincipal::ActiveQueriesQueryNumber);
    c.field("ActiveQueriesActive", &TFPrincipal::ActiveQueriesActive);
    c.field("ActiveQueriesPercentComplete", &TFPrincipal::ActiveQueriesPercentComplete);
    c.field("ActiveQueriesConnectionName", &TFPrincipal::ActiveQueriesConnectionName);
    c.field("ActiveQueriesDatabaseUser", &TFPrincipal::ActiveQueriesDatabaseUser);
    c.field("ActiveQueriesQuery", &TFPrincipal::ActiveQueriesQuery);
    c.field("ActiveQueriesDatabase", &TFPrincipal::ActiveQueriesDatabase);
    c.field("ActiveQueriesIsScript", &TFPrincipal::ActiveQueriesIsScript);
    c.field("ActiveQueriesFullScript", &TFPrincipal::ActiveQueriesFullScript);
    c.field("ActiveQueriesStartTime", &TFPrincipal::ActiveQueriesStartTime);
    c.field("ActiveQueriesSecondsUntilFinished", &TFPrincipal::ActiveQueriesSecondsUntilFinished);
    c.field("AdsConnectionActive", &TFPrincipal::AdsConnectionActive);
    c.field("QRestoreDict", &TFPrincipal::QRestoreDict);
    c.field("AdsConnectionFree", &TFPrincipal::AdsConnectionFree);
    c.method("FormCreate", &TFPrincipal::FormCreate);
    c.method("wwDBCBAliasCloseUp", &TFPrincipal::wwDBCBAliasCloseUp);
    c.method("wwDBCBAliasKeyDown", &TFPrincipal::wwDBCBAliasKeyDown);
    c.method("BtnFermerClick", &TFPrincipal::BtnFermerClick);
    c.method("BtnStartClick", &TFPrincipal::BtnStartClick);
    // --- default folders
    c.method("Button1Click", &TFPrincipal::Button1Click);
    c.method("Button2Click", &TFPrincipal::Button2Click);
    // --- end default folders
}

TFPrincipal::TFPrincipal(TComponent* owner) : TForm(owner)
{
    ReadDefinition(QStringLiteral(":/forms/FPrincipal.dfm"));
}

TFPrincipal::~TFPrincipal()
{
    // The worker executes a query and a connection this window owns: they
    // must not go while it still uses them.
    if (mRestoreWorker)
        mRestoreWorker->WaitFor();
    if (FPrincipal == this)
        FPrincipal = nullptr;
}

void TFPrincipal::FormCreate(TObject*)
{
    const std::unique_ptr<QStringList> aliases = GetAliasList();
    if (!aliases->isEmpty()) {
        TStrings* items = wwDBCBAlias->Items();
        items->BeginUpdate();
        items->Clear();
        items->AddStrings(*aliases);
        items->EndUpdate();
        wwDBCBAlias->ApplyList();
        wwDBCBAlias->SetItemIndex(0);
        ApplySelectedAlias(aliases->first());
    } else {
        ShowMessage(kNoAliasMessage);
        Application->Terminate();
    }
}

void TFPrincipal::wwDBCBAliasCloseUp(TObject*, bool)
{
    ApplySelectedAlias(wwDBCBAlias->Text());
    EditSource->SetText(QString());
    EditDestination->SetText(QString());
}

void TFPrincipal::wwDBCBAliasKeyDown(TObject*, Word&, TShiftState)
{
    wwDBCBAlias->DropDown();
}

void TFPrincipal::BtnFermerClick(TObject*)
{
    Close();
}

void TFPrincipal::ApplySelectedAlias(const QString& Name)
{
    // The alias of a connection can only change while it is closed, and the
    // restore connection is not this thread's to close while a worker runs.
    WaitForRestoreWorker();
    for (TAdsConnection* connection : {AdsConnectionRestore, AdsConnectionActive}) {
        connection->SetIsConnected(false);
        connection->SetAliasName(Name);
    }
}

const QString& TFPrincipal::SelectedAliasName() const
{
    return AdsConnectionRestore->AliasName();
}
