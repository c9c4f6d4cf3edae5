// Window definitions: reading them into components and writing components
// back, in the conventional text syntax:
//
//   object FPrincipal: TFPrincipal
//     Caption = 'R'#233'cup'#233'ration'     strings: quotes doubled, #nnn codes,
//     ClientWidth = 739                       '...' + continued on the next line
//     Color = clBtnFace                       identifiers (enum names, colours, True)
//     Font.Style = [fsBold]                   sub-object properties by dotted path
//     OnCreate = FormCreate                   events name a method of the root
//     object Query1: TAdsQuery                owned components, nested by parent
//       SQL.Strings = ( 'SELECT 1' 'FROM t' ) string lists
//       ParamData = < item Name = 'x' end >   collections
//       Data = { 0A1B }                       binary
//       AdsConnection = Connection1           references, resolved at the end
//     end
//   end
//
// Reading (ReadRootComponent): every component the reader creates is owned
// by the root and has csLoading from inside its constructor; nested objects
// get SetParentComponent(enclosing object). Published fields of the root are
// set to the components of the same name, and a component the root already
// owns under a name is reused. Properties are applied in the order written:
// published ones first, then the custom entries of DefineProperties. Events
// are bound to the root's published methods as they are read. References are
// resolved once the whole definition has been read (forward references are
// fine), then Loaded() runs on every component read - the root first, then
// in reading order - and csLoading is off afterwards.
//
// Failure: any fault in the text (syntax, unknown class, unknown property,
// value that does not fit, unresolved reference) raises EReadError whose
// message names the line, the component and the property; the components
// the reader created are destroyed again and the root's fields cleared.
//
// Writing (WriteComponent): the root's properties, then each owned component
// that is not a sub-component, nested under the owned component its
// GetParentComponent() names. Properties holding their default or whose
// stored-when says no are omitted; sub-object properties are written with
// dotted paths, references by name (Owner.Name outside the root), events by
// the method name the reader bound (those set from code only are not
// written). Strings are written in printable ASCII, other characters as
// #nnn codes, so the text survives any 8-bit encoding.
#pragma once

#include "framework/classes.h"
#include "framework/defvalue.h"

#include <functional>
#include <memory>

class TPropInfo;

// A window definition that cannot be read. Line() is 0 when unknown;
// Component() and Property() are empty when the fault is elsewhere.
class EReadError : public Exception {
public:
    EReadError(const QString& message, int line = 0, const QString& component = {}, const QString& property = {})
        : Exception(message), mLine(line), mComponent(component), mProperty(property) {}
    int Line() const { return mLine; }
    const QString& Component() const { return mComponent; }
    const QString& Property() const { return mProperty; }
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EReadError>(*this); }

private:
    int mLine;
    QString mComponent;
    QString mProperty;
};

// A fault of the text syntax itself.
class EParserError : public EReadError {
public:
    using EReadError::EReadError;
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EParserError>(*this); }
};

// A component that cannot be written, or a file that cannot be saved.
class EWriteError : public Exception {
public:
    using Exception::Exception;
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EWriteError>(*this); }
};

// ---------------------------------------------------------------------------
// Text <-> tree.

// EParserError on any syntax fault, naming the line.
TDefObject ParseDefinition(const QString& text);
QString FormatDefinition(const TDefObject& root);

// ---------------------------------------------------------------------------
// Custom stored entries (TPersistent::DefineProperties).

class TReaderContext;
class TWriterContext;

// Reads the value of one custom entry. Each Read* raises EReadError (with
// line, component and entry) when the value is of another kind.
class TReader {
public:
    TReader(TReaderContext& context, const TDefProperty& property, TPersistent* instance);

    const TDefValue& Value() const { return mProperty.value; }
    qint64 ReadInteger() const;
    double ReadFloat() const;          // integers are accepted too
    bool ReadBoolean() const;
    QString ReadString() const;
    QString ReadIdent() const;
    QByteArray ReadBinary() const;
    void ReadStrings(TStrings& strings) const;          // replaces the lines
    void ReadCollection(TCollection& collection) const; // clears, then one item per entry
    TComponent* Root() const;
    [[noreturn]] void Error(const QString& reason) const;

private:
    TReaderContext& mContext;
    const TDefProperty& mProperty;
    TPersistent* mInstance;
};

// Gives the value of one custom entry; the last Write* wins.
class TWriter {
public:
    explicit TWriter(TDefValue& out, const TComponent* root) : mOut(out), mRoot(root) {}

    void WriteInteger(qint64 value) { mOut = TDefValue::Integer(value); }
    void WriteFloat(double value) { mOut = TDefValue::Float(value); }
    void WriteBoolean(bool value);
    void WriteString(const QString& value) { mOut = TDefValue::String(value); }
    void WriteIdent(const QString& value) { mOut = TDefValue::Ident(value); }
    void WriteBinary(const QByteArray& value) { mOut = TDefValue::Binary(value); }
    void WriteStrings(const TStrings& strings);
    void WriteCollection(const TCollection& collection);
    void WriteValue(const TDefValue& value) { mOut = value; }
    const TComponent* Root() const { return mRoot; }

private:
    TDefValue& mOut;
    const TComponent* mRoot;
};

// Handed to DefineProperties by the reader and by the writer. An entry's
// read routine runs when the definition holds it; its write routine runs
// when `hasData` is true. A null write routine makes an entry that is read
// (for old definitions) but never written.
class TFiler {
public:
    using TReadProc = std::function<void(TReader&)>;
    using TWriteProc = std::function<void(TWriter&)>;
    using TBinaryReadProc = std::function<void(const QByteArray&)>;
    using TBinaryWriteProc = std::function<QByteArray()>;

    virtual ~TFiler() = default;
    virtual void DefineProperty(const QString& name, TReadProc read, TWriteProc write, bool hasData) = 0;
    virtual void DefineBinaryProperty(const QString& name, TBinaryReadProc read, TBinaryWriteProc write,
                                      bool hasData) = 0;
    virtual bool IsReading() const = 0;
};

// ---------------------------------------------------------------------------
// Components <-> text.

// Reads `text` into the existing `root` (a form created from its
// definition). The definition's class must be the root's class or one of
// its ancestors; the root takes the definition's name.
void ReadRootComponent(const QString& text, TComponent* root);
// The same from a file or a Qt resource (":/forms/FPrincipal.dfm"), decoded
// by DecodeDefinitionText; EReadError naming the file when it cannot be read.
void ReadRootComponentFile(const QString& fileName, TComponent* root);
// UTF-8 when the bytes are valid UTF-8, the system code page otherwise (the
// 8-bit form of definitions written elsewhere), so no character is lost.
QString DecodeDefinitionText(const QByteArray& bytes);
// Creates the root from the class registry, owned by `owner` (may be
// nullptr: then the caller owns it), and reads `text` into it.
TComponent* ReadComponent(const QString& text, TComponent* owner);
// Reads an already parsed tree into `root`.
void ReadRootComponentTree(const TDefObject& tree, TComponent* root);

TDefObject WriteComponentTree(const TComponent* root);
QString WriteComponent(const TComponent* root);
// Replaces `fileName` only once the whole text is written (the old file
// stays intact on failure); EWriteError on failure.
void WriteComponentFile(const TComponent* root, const QString& fileName);
