#include "fixtures.h"

QStringList& EventLog() {
    static QStringList log;
    return log;
}

VARNEL_PUBLISH(TTestFont, c) {
    c.prop("Name", &TTestFont::Name, &TTestFont::SetName).def(QStringLiteral("Sans"));
    c.prop("Height", &TTestFont::Height, &TTestFont::SetHeight).def(-11);
    c.prop("Style", &TTestFont::Style, &TTestFont::SetStyle).def(TStyle{});
    c.prop("Color", &TTestFont::Color, &TTestFont::SetColor)
        .idents({{clRed, QStringLiteral("clRed")}, {clBtnFace, QStringLiteral("clBtnFace")}})
        .def(clBtnFace);
}

VARNEL_PUBLISH(TTestItem, c) {
    c.prop("Name", &TTestItem::Name, &TTestItem::SetName);
    c.prop("Size", &TTestItem::Size, &TTestItem::SetSize).def(0);
    c.prop("Shade", &TTestItem::Shade, &TTestItem::SetShade);
}

void TTestItem::Assign(const TPersistent* source) {
    auto* other = dynamic_cast<const TTestItem*>(source);
    if (!other) return TCollectionItem::Assign(source);
    mName = other->mName;
    mSize = other->mSize;
    mShade = other->mShade;
}

VARNEL_PUBLISH(TTestWidget, c) {
    c.prop("Caption", &TTestWidget::Caption, &TTestWidget::SetCaption);
    c.prop("Width", &TTestWidget::Width, &TTestWidget::SetWidth).def(0);
    c.prop("Visible", &TTestWidget::Visible, &TTestWidget::SetVisible).def(true);
    c.prop("Ratio", &TTestWidget::Ratio, &TTestWidget::SetRatio);
    c.prop("Big", &TTestWidget::Big, &TTestWidget::SetBig);
    c.prop("Letter", &TTestWidget::Letter, &TTestWidget::SetLetter);
    c.prop("Shade", &TTestWidget::Shade, &TTestWidget::SetShade).def(shFlat);
    c.prop("Style", &TTestWidget::Style, &TTestWidget::SetStyle).def(TStyle{});
    c.prop("Glyph", &TTestWidget::Glyph, &TTestWidget::SetGlyph);
    c.prop("Active", &TTestWidget::Active, &TTestWidget::SetActive).def(false).stored(&TTestWidget::StoreActive);
    c.prop("StoreActive", &TTestWidget::StoreActive, &TTestWidget::SetStoreActive).def(true);
    c.prop("ItemCount", &TTestWidget::ItemCount);
    c.prop("ServerName", &TTestWidget::ServerName);
    c.sub("Lines", &TTestWidget::Lines);
    c.sub("Font", &TTestWidget::Font);
    c.sub("Items", &TTestWidget::Items);
    c.prop("Buddy", &TTestWidget::Buddy, &TTestWidget::SetBuddy);
    c.event("OnClick", &TTestWidget::OnClick);
    c.event("OnAccept", &TTestWidget::OnAccept);
}

TTestWidget::TTestWidget(TComponent* owner)
    : TComponent(owner), mItems(TTestItem::StaticClass(), this), mParams(TTestItem::StaticClass(), this) {
    mLoadingInConstructor = IsLoading();
}

TTestWidget::~TTestWidget() {
    QString entry = QStringLiteral("~") + Name();
    if (!IsDestroying()) entry += QStringLiteral(" (not destroying)");
    if (mBuddy) entry += QStringLiteral(" (still has its buddy)");
    EventLog().append(entry);
}

QString TTestWidget::ServerName() const { throw EDatabaseError(QStringLiteral("not connected")); }

void TTestWidget::Loaded() {
    TComponent::Loaded();
    ++mLoadedCount;
    mLoadingInsideLoaded = IsLoading();
    mOwnerCountAtLoaded = Owner() ? Owner()->ComponentCount() : -1;
    mBuddyAtLoaded = mBuddy ? mBuddy->Name() : QString();
    EventLog().append(QStringLiteral("Loaded %1").arg(Name()));
}

void TTestWidget::NameChanged(const QString& oldName, const QString& newName) {
    EventLog().append(QStringLiteral("Renamed %1 -> %2").arg(oldName, newName));
}

// "Data": binary, only when present. "ParamData": the parameter
// collection, always. "WaitCursor": read and dropped, for old definitions.
void TTestWidget::DefineProperties(TFiler& filer) {
    TComponent::DefineProperties(filer);
    if (!filer.IsReading()) mStateWhenWritten = ComponentState();
    filer.DefineBinaryProperty(
        QStringLiteral("Data"), [this](const QByteArray& bytes) { mData = bytes; }, [this] { return mData; },
        !mData.isEmpty());
    filer.DefineProperty(
        QStringLiteral("ParamData"), [this](TReader& reader) { reader.ReadCollection(mParams); },
        [this](TWriter& writer) { writer.WriteCollection(mParams); }, true);
    filer.DefineProperty(
        QStringLiteral("WaitCursor"),
        [](TReader& reader) {
            if (reader.Value().kind() == TDefValue::Kind::Ident) reader.ReadIdent();
            else reader.ReadInteger();
        },
        nullptr, false);
}

VARNEL_PUBLISH(TTestForm, c) {
    c.field("Button1", &TTestForm::Button1);
    c.field("Panel1", &TTestForm::Panel1);
    c.method("ButtonClick", &TTestForm::ButtonClick);
    c.method("AcceptNothing", &TTestForm::AcceptNothing);
    c.method("Explode", &TTestForm::Explode);
}

void TTestForm::ButtonClick(TObject* sender) {
    auto* component = dynamic_cast<TComponent*>(sender);
    clicks.append(component ? component->Name() : QStringLiteral("?"));
}

void TTestForm::AcceptNothing(TObject*, bool& accept) { accept = false; }

void TTestForm::Explode(TObject*) { throw Exception(QStringLiteral("boom")); }
