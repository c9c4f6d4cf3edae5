// Writing components as window definitions.
#include "framework/streaming.h"
#include "framework/typinfo.h"

#include <QSaveFile>

class TWriterContext {
public:
    explicit TWriterContext(const TComponent* root) : mRoot(root) {}

    TDefObject WriteRoot();
    void WriteProperties(const TPersistent* instance, const QString& prefix, std::vector<TDefProperty>& out) const;
    TDefValue CollectionValue(const TCollection& collection) const;

private:
    void WriteProperty(const TPersistent* instance, const TPropInfo* prop, const QString& prefix,
                       std::vector<TDefProperty>& out) const;
    void WriteCustomEntries(const TPersistent* instance, const QString& prefix, std::vector<TDefProperty>& out) const;
    QString ReferenceName(const TComponent* target) const;
    TDefObject WriteObject(const TComponent* component) const;
    std::vector<const TComponent*> ChildrenOf(const TComponent* parent) const;
    const TComponent* EnclosingObject(const TComponent* component) const;

    const TComponent* mRoot;
};

namespace {

// Collects the custom entries that have data, through their write routines.
class TWritingFiler : public TFiler {
public:
    TWritingFiler(const TComponent* root, const QString& prefix, std::vector<TDefProperty>& out)
        : mRoot(root), mPrefix(prefix), mOut(out) {}

    void DefineProperty(const QString& name, TReadProc, TWriteProc write, bool hasData) override {
        if (!write || !hasData) return;
        TDefValue value;
        TWriter writer(value, mRoot);
        write(writer);
        if (value.isNull()) return;
        mOut.push_back({mPrefix + name, value, 0});
    }

    void DefineBinaryProperty(const QString& name, TBinaryReadProc, TBinaryWriteProc write, bool hasData) override {
        if (!write || !hasData) return;
        mOut.push_back({mPrefix + name, TDefValue::Binary(write()), 0});
    }

    bool IsReading() const override { return false; }

private:
    const TComponent* mRoot;
    QString mPrefix;
    std::vector<TDefProperty>& mOut;
};

// Sets csWriting on a component for the scope of the object.
class WritingState {
public:
    explicit WritingState(const TComponent* component) : mComponent(const_cast<TComponent*>(component)) {
        mComponent->SetStateFlag(csWriting, true);
    }
    ~WritingState() { mComponent->SetStateFlag(csWriting, false); }

private:
    TComponent* mComponent;
};

} // namespace

TDefObject TWriterContext::WriteRoot() { return WriteObject(mRoot); }

TDefObject TWriterContext::WriteObject(const TComponent* component) const {
    WritingState writing(component);
    TDefObject object;
    object.name = component->Name();
    object.className = component->ClassName();
    WriteProperties(component, QString(), object.properties);
    for (const TComponent* child : ChildrenOf(component)) object.children.push_back(WriteObject(child));
    return object;
}

// The owned component a component is nested in: its parent component when
// that one is written too, the root otherwise.
const TComponent* TWriterContext::EnclosingObject(const TComponent* component) const {
    const TComponent* parent = component->GetParentComponent();
    for (const TComponent* p = parent; p; p = p->GetParentComponent()) {
        if (p == component) return mRoot;  // a cycle: write it at the top
        if (p == mRoot) break;
    }
    if (parent && parent != component && parent->Owner() == mRoot && !parent->IsSubComponent()) return parent;
    return mRoot;
}

std::vector<const TComponent*> TWriterContext::ChildrenOf(const TComponent* parent) const {
    std::vector<const TComponent*> children;
    for (int i = 0; i < mRoot->ComponentCount(); ++i) {
        const TComponent* component = mRoot->Components(i);
        if (component->IsSubComponent()) continue;
        if (EnclosingObject(component) == parent) children.push_back(component);
    }
    return children;
}

void TWriterContext::WriteProperties(const TPersistent* instance, const QString& prefix,
                                     std::vector<TDefProperty>& out) const {
    for (const TPropInfo* prop : instance->ClassType()->Properties()) {
        if (!prop->IsStored(instance)) continue;
        WriteProperty(instance, prop, prefix, out);
    }
    WriteCustomEntries(instance, prefix, out);
}

void TWriterContext::WriteProperty(const TPersistent* instance, const TPropInfo* prop, const QString& prefix,
                                   std::vector<TDefProperty>& out) const {
    const QString name = prefix + prop->Name();
    switch (prop->Kind()) {
    case TPropKind::StringList:
    case TPropKind::Persistent:
        if (const TPersistent* sub = prop->GetObject(instance)) WriteProperties(sub, name + u'.', out);
        return;
    case TPropKind::Collection:
        if (auto* collection = static_cast<const TCollection*>(prop->GetObject(instance)); collection && collection->Count() > 0) {
            out.push_back({name, CollectionValue(*collection), 0});
        }
        return;
    case TPropKind::Component: {
        if (prop->IsReadOnly()) return;
        const TComponent* target = prop->GetReference(instance);
        const QString targetName = target ? ReferenceName(target) : QString();
        if (!targetName.isEmpty()) out.push_back({name, TDefValue::Ident(targetName), 0});
        return;
    }
    case TPropKind::Event: {
        auto* component = dynamic_cast<const TComponent*>(instance);
        if (!component || !prop->HasHandler(instance)) return;
        const QString method = component->EventMethodName(prop->Name());
        if (!method.isEmpty()) out.push_back({name, TDefValue::Ident(method), 0});
        return;
    }
    default:
        if (prop->IsReadOnly() || prop->IsDefault(instance)) return;
        out.push_back({name, prop->GetValue(instance), 0});
    }
}

void TWriterContext::WriteCustomEntries(const TPersistent* instance, const QString& prefix,
                                        std::vector<TDefProperty>& out) const {
    TWritingFiler filer(mRoot, prefix, out);
    const_cast<TPersistent*>(instance)->DefineProperties(filer);
}

TDefValue TWriterContext::CollectionValue(const TCollection& collection) const {
    std::vector<TDefItem> items;
    for (int i = 0; i < collection.Count(); ++i) {
        TDefItem item;
        WriteProperties(collection.Items(i), QString(), item.properties);
        items.push_back(std::move(item));
    }
    return TDefValue::Collection(std::move(items));
}

// Inside the root a bare name; elsewhere Owner.Name. A component without a
// name cannot be referred to and is not written.
QString TWriterContext::ReferenceName(const TComponent* target) const {
    if (target->Name().isEmpty()) return QString();
    if (target == mRoot || target->Owner() == mRoot || !target->Owner()) return target->Name();
    if (target->Owner()->Name().isEmpty()) return QString();
    return target->Owner()->Name() + u'.' + target->Name();
}

// --- TWriter ---------------------------------------------------------------

void TWriter::WriteBoolean(bool value) { mOut = TDefValue::Ident(value ? QStringLiteral("True") : QStringLiteral("False")); }

void TWriter::WriteStrings(const TStrings& strings) {
    std::vector<TDefValue> lines;
    for (int i = 0; i < strings.Count(); ++i) lines.push_back(TDefValue::String(strings.Get(i)));
    mOut = TDefValue::List(std::move(lines));
}

void TWriter::WriteCollection(const TCollection& collection) {
    mOut = TWriterContext(mRoot).CollectionValue(collection);
}

// --- entry points ----------------------------------------------------------

TDefObject WriteComponentTree(const TComponent* root) { return TWriterContext(root).WriteRoot(); }

QString WriteComponent(const TComponent* root) { return FormatDefinition(WriteComponentTree(root)); }

void WriteComponentFile(const TComponent* root, const QString& fileName) {
    const QByteArray text = WriteComponent(root).toUtf8();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        throw EWriteError(QStringLiteral("Cannot write window definition %1: %2").arg(fileName, file.errorString()));
    }
}
