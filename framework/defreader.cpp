// Reading window definitions into components.
#include "framework/componentloading.h"
#include "framework/streaming.h"
#include "framework/typinfo.h"
#include "platform/codepages.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>

// Where the reader is, for error messages, and what it has done so far, so
// that a failure can undo it.
class TReaderContext {
public:
    explicit TReaderContext(TComponent* root) : mRoot(root) {}

    void ReadRoot(const TDefObject& tree);
    void ReadProperty(TPersistent* instance, const TDefProperty& property);
    void ReadCollectionItems(TCollection& collection, const TDefProperty& property);
    TComponent* Root() const { return mRoot; }
    [[noreturn]] void Fail(int line, const QString& reason) const;

private:
    struct Fixup {
        TObject* instance;
        const TPropInfo* property;
        QString target;
        int line;
        QString component;
        QString path;
    };

    void CheckRootClass(const TDefObject& tree) const;
    void ReadComponentBody(TComponent* component, const TDefObject& object);
    TComponent* ReadChild(const TDefObject& object, TComponent* parent);
    TComponent* CreateChild(const TDefObject& object);
    TMetaClass* ChildClass(const TDefObject& object) const;
    void ApplyValue(TPersistent* instance, const TPropInfo* prop, const TDefProperty& property);
    bool ReadCustomEntry(TPersistent* instance, const QString& name, const TDefProperty& property);
    void BindEvent(TPersistent* instance, const TPropInfo* prop, const TDefProperty& property);
    void ResolveFixups();
    TComponent* FindReferenced(const QString& name) const;
    void RunLoaded();
    void Undo();

    TComponent* mRoot;
    std::vector<TComponent*> mLoaded;   // root first, then in reading order
    std::vector<TComponent*> mCreated;  // by this reader, to destroy on failure
    std::vector<Fixup> mFixups;
    QString mComponent;                 // name of the component being read
    QString mPath;                      // property path being read
};

namespace {

// Runs DefineProperties of an instance and picks the entry with one name.
class TReadingFiler : public TFiler {
public:
    TReadingFiler(TReaderContext& context, const QString& name, const TDefProperty& property, TPersistent* instance)
        : mContext(context), mName(name), mProperty(property), mInstance(instance) {}

    void DefineProperty(const QString& name, TReadProc read, TWriteProc, bool) override {
        if (mFound || name.compare(mName, Qt::CaseInsensitive) != 0) return;
        mFound = true;
        if (!read) return;
        TReader reader(mContext, mProperty, mInstance);
        read(reader);
    }

    void DefineBinaryProperty(const QString& name, TBinaryReadProc read, TBinaryWriteProc, bool) override {
        if (mFound || name.compare(mName, Qt::CaseInsensitive) != 0) return;
        mFound = true;
        if (!read) return;
        read(TReader(mContext, mProperty, mInstance).ReadBinary());
    }

    bool IsReading() const override { return true; }
    bool Found() const { return mFound; }

private:
    TReaderContext& mContext;
    QString mName;
    const TDefProperty& mProperty;
    TPersistent* mInstance;
    bool mFound = false;
};

bool IsNil(const TDefValue& value) {
    return value.kind() == TDefValue::Kind::Ident && value.text().compare(QLatin1String("nil"), Qt::CaseInsensitive) == 0;
}

} // namespace

void TReaderContext::Fail(int line, const QString& reason) const {
    QString where = mComponent.isEmpty() ? QStringLiteral("(unnamed)") : mComponent;
    if (!mPath.isEmpty()) where += u'.' + mPath;
    throw EReadError(QStringLiteral("Error reading %1 at line %2: %3").arg(where).arg(line).arg(reason), line,
                     mComponent, mPath);
}

void TReaderContext::ReadRoot(const TDefObject& tree) {
    mComponent = tree.name.isEmpty() ? mRoot->Name() : tree.name;
    CheckRootClass(tree);
    mRoot->SetStateFlag(csLoading, true);
    mLoaded.push_back(mRoot);
    try {
        ReadComponentBody(mRoot, tree);
        ResolveFixups();
    } catch (...) {
        Undo();
        throw;
    }
    RunLoaded();
}

void TReaderContext::CheckRootClass(const TDefObject& tree) const {
    for (const TMetaClass* meta = mRoot->ClassType(); meta; meta = meta->Parent()) {
        if (meta->Name().compare(tree.className, Qt::CaseInsensitive) == 0) return;
    }
    Fail(tree.line, QStringLiteral("a definition of class %1 cannot be read into a %2").arg(tree.className, mRoot->ClassName()));
}

void TReaderContext::ReadComponentBody(TComponent* component, const TDefObject& object) {
    component->SetStateFlag(csReading, true);
    if (!object.name.isEmpty() && component->Name() != object.name) {
        try {
            component->SetName(object.name);
        } catch (const Exception& e) {
            Fail(object.line, e.Message());
        }
    }
    for (const TDefProperty& property : object.properties) {
        mPath = property.name;
        ReadProperty(component, property);
    }
    mPath.clear();
    for (const TDefObject& child : object.children) {
        ReadChild(child, component);
        mComponent = component->Name();
    }
    component->SetStateFlag(csReading, false);
}

// Children are owned by the root whatever their nesting; the enclosing
// object becomes their parent component.
TComponent* TReaderContext::ReadChild(const TDefObject& object, TComponent* parent) {
    mComponent = object.name;
    mPath.clear();
    TComponent* child = object.name.isEmpty() ? nullptr : mRoot->FindComponent(object.name);
    if (child && std::find(mLoaded.begin(), mLoaded.end(), child) != mLoaded.end()) {
        Fail(object.line, QStringLiteral("A component named %1 already exists").arg(object.name));
    }
    if (child) {
        TMetaClass* meta = FindClass(object.className);
        if (child->ClassName().compare(object.className, Qt::CaseInsensitive) != 0 && !(meta && child->InheritsFrom(meta))) {
            Fail(object.line, QStringLiteral("%1 exists already as a %2, not a %3").arg(object.name, child->ClassName(), object.className));
        }
        child->SetStateFlag(csLoading, true);
    } else {
        child = CreateChild(object);
    }
    mLoaded.push_back(child);
    try {
        child->SetParentComponent(parent);
    } catch (const Exception& e) {
        Fail(object.line, e.Message());
    }
    ReadComponentBody(child, object);
    return child;
}

TComponent* TReaderContext::CreateChild(const TDefObject& object) {
    TMetaClass* meta = ChildClass(object);
    if (!meta->CanCreateComponent()) Fail(object.line, QStringLiteral("class %1 cannot be created").arg(object.className));
    TComponent* child = nullptr;
    try {
        component_loading::ConstructionGuard loading;
        child = meta->CreateComponent(mRoot);
    } catch (const Exception& e) {
        Fail(object.line, QStringLiteral("creating a %1 failed: %2").arg(object.className, e.Message()));
    }
    mCreated.push_back(child);
    child->SetStateFlag(csLoading, true);
    if (!object.name.isEmpty()) {
        try {
            child->SetName(object.name);
        } catch (const Exception& e) {
            Fail(object.line, e.Message());
        }
        const TFieldInfo* field = mRoot->ClassType()->FindField(object.name);
        if (field && field->Get(mRoot) != child) {
            Fail(object.line, QStringLiteral("field %1 of %2 is a %3, the definition makes a %4")
                                  .arg(object.name, mRoot->ClassName(), field->FieldClass()->Name(), object.className));
        }
    }
    return child;
}

// The registry first, then the class of the root's field of that name.
TMetaClass* TReaderContext::ChildClass(const TDefObject& object) const {
    if (TMetaClass* meta = FindClass(object.className)) return meta;
    if (const TFieldInfo* field = mRoot->ClassType()->FindField(object.name)) {
        TMetaClass* meta = field->FieldClass();
        if (meta->Name().compare(object.className, Qt::CaseInsensitive) == 0) return meta;
    }
    Fail(object.line, QStringLiteral("class %1 not found").arg(object.className));
}

void TReaderContext::ReadProperty(TPersistent* instance, const TDefProperty& property) {
    const QStringList segments = property.name.split(u'.');
    TPersistent* target = instance;
    for (int i = 0; i < segments.size(); ++i) {
        const bool last = i == segments.size() - 1;
        const TPropInfo* prop = target->ClassType()->FindProperty(segments[i]);
        if (!prop) {
            if (last && ReadCustomEntry(target, segments[i], property)) return;
            Fail(property.line, QStringLiteral("property %1 does not exist").arg(segments[i]));
        }
        if (last) {
            ApplyValue(target, prop, property);
            return;
        }
        if (!prop->IsObjectKind()) Fail(property.line, QStringLiteral("property %1 has no sub-properties").arg(segments[i]));
        target = prop->GetObject(target);
        if (!target) Fail(property.line, QStringLiteral("property %1 holds no object").arg(segments[i]));
    }
}

bool TReaderContext::ReadCustomEntry(TPersistent* instance, const QString& name, const TDefProperty& property) {
    TReadingFiler filer(*this, name, property, instance);
    try {
        instance->DefineProperties(filer);
    } catch (const EReadError&) {
        throw;
    } catch (const Exception& e) {
        Fail(property.line, e.Message());
    }
    return filer.Found();
}

void TReaderContext::ApplyValue(TPersistent* instance, const TPropInfo* prop, const TDefProperty& property) {
    const TDefValue& value = property.value;
    try {
        switch (prop->Kind()) {
        case TPropKind::StringList:
            TReader(*this, property, instance).ReadStrings(*static_cast<TStrings*>(prop->GetObject(instance)));
            return;
        case TPropKind::Collection:
            ReadCollectionItems(*static_cast<TCollection*>(prop->GetObject(instance)), property);
            return;
        case TPropKind::Persistent:
            Fail(property.line, QStringLiteral("property %1 is set through its sub-properties (%1.Name = ...)").arg(prop->Name()));
        case TPropKind::Component:
            if (prop->IsReadOnly()) Fail(property.line, QStringLiteral("property %1 is read-only").arg(prop->Name()));
            if (value.kind() != TDefValue::Kind::Ident) {
                Fail(property.line, QStringLiteral("expected a component name, found %1").arg(value.KindName()));
            }
            mFixups.push_back({instance, prop, value.text(), property.line, mComponent, mPath});
            return;
        case TPropKind::Event:
            BindEvent(instance, prop, property);
            return;
        default:
            prop->SetValue(instance, value);
        }
    } catch (const EReadError&) {
        throw;
    } catch (const Exception& e) {
        Fail(property.line, e.Message());
    }
}

void TReaderContext::BindEvent(TPersistent* instance, const TPropInfo* prop, const TDefProperty& property) {
    if (IsNil(property.value)) {
        prop->ClearHandler(instance);
        return;
    }
    if (property.value.kind() != TDefValue::Kind::Ident) {
        Fail(property.line, QStringLiteral("expected a method name, found %1").arg(property.value.KindName()));
    }
    const TMethodInfo* method = mRoot->ClassType()->FindMethod(property.value.text());
    if (!method) {
        Fail(property.line, QStringLiteral("method %1 is not published by %2").arg(property.value.text(), mRoot->ClassName()));
    }
    prop->BindHandler(instance, *method, mRoot);
}

void TReaderContext::ReadCollectionItems(TCollection& collection, const TDefProperty& property) {
    if (property.value.kind() != TDefValue::Kind::Collection) {
        Fail(property.line, QStringLiteral("expected a collection, found %1").arg(property.value.KindName()));
    }
    const QString outerPath = mPath;
    collection.BeginUpdate();
    try {
        collection.Clear();
        int index = 0;
        for (const TDefItem& item : property.value.items()) {
            TCollectionItem* entry = collection.Add();
            for (const TDefProperty& itemProperty : item.properties) {
                mPath = QStringLiteral("%1[%2].%3").arg(outerPath).arg(index).arg(itemProperty.name);
                ReadProperty(entry, itemProperty);
            }
            ++index;
        }
    } catch (...) {
        mPath = outerPath;
        collection.EndUpdate();
        throw;
    }
    mPath = outerPath;
    collection.EndUpdate();
}

TComponent* TReaderContext::FindReferenced(const QString& name) const {
    const qsizetype dot = name.indexOf(u'.');
    if (dot < 0) {
        if (name.compare(mRoot->Name(), Qt::CaseInsensitive) == 0) return mRoot;
        return mRoot->FindComponent(name);
    }
    // Owner.Name: the root itself, or a sibling of the root under its owner.
    const QString ownerName = name.left(dot);
    TComponent* owner = nullptr;
    if (ownerName.compare(mRoot->Name(), Qt::CaseInsensitive) == 0) owner = mRoot;
    else if (mRoot->Owner()) owner = mRoot->Owner()->FindComponent(ownerName);
    return owner ? owner->FindComponent(name.mid(dot + 1)) : nullptr;
}

void TReaderContext::ResolveFixups() {
    for (const Fixup& fixup : mFixups) {
        mComponent = fixup.component;
        mPath = fixup.path;
        TComponent* target = nullptr;
        if (!fixup.target.isEmpty() && fixup.target.compare(QLatin1String("nil"), Qt::CaseInsensitive) != 0) {
            target = FindReferenced(fixup.target);
            if (!target) Fail(fixup.line, QStringLiteral("component %1 not found").arg(fixup.target));
        }
        try {
            fixup.property->SetReference(fixup.instance, target);
        } catch (const Exception& e) {
            Fail(fixup.line, e.Message());
        }
    }
    mFixups.clear();
}

// Every component read gets Loaded, even when an earlier one fails there;
// the first failure is raised afterwards. None stays csLoading.
void TReaderContext::RunLoaded() {
    std::exception_ptr firstFailure;
    for (TComponent* component : mLoaded) {
        try {
            component->Loaded();
        } catch (...) {
            if (!firstFailure) firstFailure = std::current_exception();
        }
        component->SetStateFlag(csLoading, false);
    }
    if (firstFailure) std::rethrow_exception(firstFailure);
}

void TReaderContext::Undo() {
    for (TComponent* component : mLoaded) {
        if (std::find(mCreated.begin(), mCreated.end(), component) != mCreated.end()) continue;
        component->SetStateFlag(csLoading, false);
        component->SetStateFlag(csReading, false);
    }
    mLoaded.clear();
    for (auto it = mCreated.rbegin(); it != mCreated.rend(); ++it) delete *it;
    mCreated.clear();
}

// --- TReader ---------------------------------------------------------------

TReader::TReader(TReaderContext& context, const TDefProperty& property, TPersistent* instance)
    : mContext(context), mProperty(property), mInstance(instance) {}

void TReader::Error(const QString& reason) const { mContext.Fail(mProperty.line, reason); }

TComponent* TReader::Root() const { return mContext.Root(); }

qint64 TReader::ReadInteger() const {
    if (Value().kind() != TDefValue::Kind::Integer) Error(QStringLiteral("expected an integer, found %1").arg(Value().KindName()));
    return Value().integer();
}

double TReader::ReadFloat() const {
    if (Value().kind() == TDefValue::Kind::Integer) return double(Value().integer());
    if (Value().kind() != TDefValue::Kind::Float) Error(QStringLiteral("expected a number, found %1").arg(Value().KindName()));
    return Value().real();
}

bool TReader::ReadBoolean() const {
    const QString ident = ReadIdent();
    if (ident.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (ident.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    Error(QStringLiteral("expected True or False, found %1").arg(ident));
}

QString TReader::ReadString() const {
    if (Value().kind() != TDefValue::Kind::String) Error(QStringLiteral("expected a string, found %1").arg(Value().KindName()));
    return Value().text();
}

QString TReader::ReadIdent() const {
    if (Value().kind() != TDefValue::Kind::Ident) Error(QStringLiteral("expected an identifier, found %1").arg(Value().KindName()));
    return Value().text();
}

QByteArray TReader::ReadBinary() const {
    if (Value().kind() != TDefValue::Kind::Binary) Error(QStringLiteral("expected binary data, found %1").arg(Value().KindName()));
    return Value().bytes();
}

void TReader::ReadStrings(TStrings& strings) const {
    if (Value().kind() != TDefValue::Kind::List) Error(QStringLiteral("expected a list of strings, found %1").arg(Value().KindName()));
    QStringList lines;
    for (const TDefValue& line : Value().list()) {
        if (line.kind() != TDefValue::Kind::String) Error(QStringLiteral("expected a list of strings, found %1 in it").arg(line.KindName()));
        lines.append(line.text());
    }
    strings.SetStrings(lines);
}

void TReader::ReadCollection(TCollection& collection) const { mContext.ReadCollectionItems(collection, mProperty); }

// --- entry points ----------------------------------------------------------

QString DecodeDefinitionText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    return AnsiToString(bytes);
}

void ReadRootComponentTree(const TDefObject& tree, TComponent* root) {
    TReaderContext context(root);
    context.ReadRoot(tree);
}

void ReadRootComponent(const QString& text, TComponent* root) { ReadRootComponentTree(ParseDefinition(text), root); }

void ReadRootComponentFile(const QString& fileName, TComponent* root) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        throw EReadError(QStringLiteral("Cannot open window definition %1: %2").arg(fileName, file.errorString()));
    }
    ReadRootComponent(DecodeDefinitionText(file.readAll()), root);
}

TComponent* ReadComponent(const QString& text, TComponent* owner) {
    const TDefObject tree = ParseDefinition(text);
    TMetaClass* meta = FindClass(tree.className);
    if (!meta || !meta->CanCreateComponent()) {
        throw EReadError(QStringLiteral("Error reading %1 at line %2: class %3 not found")
                             .arg(tree.name.isEmpty() ? QStringLiteral("(unnamed)") : tree.name)
                             .arg(tree.line)
                             .arg(tree.className),
                         tree.line, tree.name);
    }
    TComponent* root = nullptr;
    {
        component_loading::ConstructionGuard loading;
        root = meta->CreateComponent(owner);
    }
    try {
        ReadRootComponentTree(tree, root);
    } catch (...) {
        delete root;
        throw;
    }
    return root;
}
