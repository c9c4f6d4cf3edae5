#include "app/UmenuPrinc.h"

#include "ads/adsini.h"
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
    c.field("Label1", &TFPrincipal::Label1);
    c.field("BtnFermer", &TFPrincipal::BtnFermer);
    c.field("EditSource", &TFPrincipal::EditSource);
    c.field("Button1", &TFPrincipal::Button1);
    c.field("Label2", &TFPrincipal::Label2);
    c.field("EditDestination", &TFPrincipal::EditDestination);
    c.field("Button2", &TFPrincipal::Button2);
    c.field("Label3", &TFPrincipal::Label3);
    c.field("wwDBCBAlias", &TFPrincipal::wwDBCBAlias);
    c.method("FormCreate", &TFPrincipal::FormCreate);
    c.method("wwDBCBAliasCloseUp", &TFPrincipal::wwDBCBAliasCloseUp);
    c.method("wwDBCBAliasKeyDown", &TFPrincipal::wwDBCBAliasKeyDown);
    c.method("BtnFermerClick", &TFPrincipal::BtnFermerClick);
}

TFPrincipal::TFPrincipal(TComponent* owner) : TForm(owner)
{
    ReadDefinition(QStringLiteral(":/forms/FPrincipal.dfm"));
}

TFPrincipal::~TFPrincipal()
{
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
    mSelectedAliasName = Name;
}
