// Small component classes that publish one property of every kind, used by
// the component-model and streaming tests.
#pragma once

#include "framework/dberror.h"
#include "framework/streaming.h"
#include "framework/typinfo.h"

#include <QStringList>
#include <ostream>

enum TShade { shFlat, shRaised, shLowered };
enum TStyleFlag { stBold, stItalic, stUnderline };
using TStyle = TSet<TStyleFlag>;

VARNEL_ENUM_NAMES(TShade, "shFlat", "shRaised", "shLowered");
VARNEL_ENUM_NAMES(TStyleFlag, "stBold", "stItalic", "stUnderline");

// Readable test output for Qt strings.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

// What the fixtures saw, in order ("Loaded W1", "~W2", ...).
QStringList& EventLog();

constexpr qint64 clRed = 0xFF;
constexpr qint64 clBtnFace = 0xFF00000F;

class TTestFont : public TPersistent {
    VARNEL_DECLARE_CLASS(TTestFont, TPersistent)

public:
    QString Name() const { return mName; }
    void SetName(const QString& v) { mName = v; }
    int Height() const { return mHeight; }
    void SetHeight(int v) { mHeight = v; }
    TStyle Style() const { return mStyle; }
    void SetStyle(TStyle v) { mStyle = v; }
    qint64 Color() const { return mColor; }
    void SetColor(qint64 v) { mColor = v; }

private:
    QString mName = QStringLiteral("Sans");
    int mHeight = -11;
    TStyle mStyle;
    qint64 mColor = clBtnFace;
};

class TTestItem : public TCollectionItem {
    VARNEL_DECLARE_CLASS(TTestItem, TCollectionItem)

public:
    explicit TTestItem(TCollection* collection) : TCollectionItem(collection) {}
    QString Name() const { return mName; }
    void SetName(const QString& v) { mName = v; }
    int Size() const { return mSize; }
    void SetSize(int v) { mSize = v; }
    TShade Shade() const { return mShade; }
    void SetShade(TShade v) { mShade = v; }
    void Assign(const TPersistent* source) override;

private:
    QString mName;
    int mSize = 0;
    TShade mShade = shFlat;
};

class TTestWidget : public TComponent {
    VARNEL_DECLARE_CLASS(TTestWidget, TComponent)

public:
    explicit TTestWidget(TComponent* owner);
    ~TTestWidget() override;

    QString Caption() const { return mCaption; }
    void SetCaption(const QString& v) {
        mCaption = v;
        mStateAtCaption = ComponentState();
    }
    int Width() const { return mWidth; }
    void SetWidth(int v) { mWidth = v; }
    bool Visible() const { return mVisible; }
    void SetVisible(bool v) { mVisible = v; }
    double Ratio() const { return mRatio; }
    void SetRatio(double v) { mRatio = v; }
    qint64 Big() const { return mBig; }
    void SetBig(qint64 v) { mBig = v; }
    QChar Letter() const { return mLetter; }
    void SetLetter(QChar v) { mLetter = v; }
    TShade Shade() const { return mShade; }
    void SetShade(TShade v) { mShade = v; }
    TStyle Style() const { return mStyle; }
    void SetStyle(TStyle v) { mStyle = v; }
    QByteArray Glyph() const { return mGlyph; }
    void SetGlyph(const QByteArray& v) { mGlyph = v; }
    bool Active() const { return mActive; }
    void SetActive(bool v) { mActive = v; }
    bool StoreActive() const { return mStoreActive; }
    void SetStoreActive(bool v) { mStoreActive = v; }
    int ItemCount() const { return mItems.Count(); }
    // Published read-only and unreadable at run time, like a server name
    // asked of a closed connection: no property walk may call it.
    QString ServerName() const;

    TStringList* Lines() { return &mLines; }
    TTestFont* Font() { return &mFont; }
    TCollection* Items() { return &mItems; }
    TCollection* Params() { return &mParams; }

    TTestWidget* Buddy() const { return mBuddy; }
    void SetBuddy(TTestWidget* v) { mBuddy = v; }

    // Raw data kept under the custom "Data" entry, only when there is some.
    QByteArray Data() const { return mData; }
    void SetData(const QByteArray& v) { mData = v; }

    TNotifyEvent OnClick;
    std::function<void(TObject* sender, bool& accept)> OnAccept;

    bool LoadingInConstructor() const { return mLoadingInConstructor; }
    int LoadedCount() const { return mLoadedCount; }
    // What Loaded() found: the owner's component count and the buddy's name.
    int OwnerCountAtLoaded() const { return mOwnerCountAtLoaded; }
    QString BuddyAtLoaded() const { return mBuddyAtLoaded; }
    bool LoadingInsideLoaded() const { return mLoadingInsideLoaded; }
    // The state seen by the last SetCaption and by the last writer's visit.
    TComponentState StateAtCaption() const { return mStateAtCaption; }
    TComponentState StateWhenWritten() const { return mStateWhenWritten; }

    TComponent* GetParentComponent() const override { return mParent; }
    void SetParentComponent(TComponent* parent) override { mParent = parent; }

    void DefineProperties(TFiler& filer) override;

protected:
    void Loaded() override;
    void NameChanged(const QString& oldName, const QString& newName) override;

private:
    QString mCaption;
    int mWidth = 0;
    bool mVisible = true;
    double mRatio = 0;
    qint64 mBig = 0;
    QChar mLetter;
    TShade mShade = shFlat;
    TStyle mStyle;
    QByteArray mGlyph;
    bool mActive = false;
    bool mStoreActive = true;
    TStringList mLines;
    TTestFont mFont;
    TCollection mItems;
    TCollection mParams;
    TTestWidget* mBuddy = nullptr;
    QByteArray mData;
    TComponent* mParent = nullptr;

    bool mLoadingInConstructor = false;
    int mLoadedCount = 0;
    int mOwnerCountAtLoaded = -1;
    QString mBuddyAtLoaded;
    bool mLoadingInsideLoaded = false;
    TComponentState mStateAtCaption;
    TComponentState mStateWhenWritten;
};

class TTestForm : public TComponent {
    VARNEL_DECLARE_CLASS(TTestForm, TComponent)

public:
    explicit TTestForm(TComponent* owner) : TComponent(owner) {}

    TTestWidget* Button1 = nullptr;
    TTestWidget* Panel1 = nullptr;

    void ButtonClick(TObject* sender);
    void AcceptNothing(TObject* sender, bool& accept);
    void Explode(TObject* sender);

    QStringList clicks;
};
