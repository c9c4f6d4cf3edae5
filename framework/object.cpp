// TObject and TPersistent: class identity and assignment.
#include "framework/classes.h"
#include "framework/typinfo.h"

TObject::~TObject() = default;

TMetaClass* TObject::StaticClass() {
    static TMetaClass* const meta = new TMetaClass(QStringLiteral("TObject"), nullptr);
    return meta;
}

QString TObject::ClassName() const { return ClassType()->Name(); }

bool TObject::InheritsFrom(const TMetaClass* ancestor) const { return ClassType()->InheritsFrom(ancestor); }

VARNEL_DEFINE_CLASS(TPersistent)

void TPersistent::Assign(const TPersistent* source) {
    if (source) {
        source->AssignTo(this);
        return;
    }
    AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) const { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
    const QString sourceName = source ? source->ClassName() : QStringLiteral("nil");
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2").arg(sourceName, ClassName()));
}

void TPersistent::DefineProperties(TFiler&) {}
