// Field type names, groups and native sizes.
#include "framework/fieldtypes.h"

QString FieldTypeName(TFieldType type) {
    return TEnumTraits<TFieldType>::Names().value(int(type), QStringLiteral("ftUnknown"));
}

bool IsBlobType(TFieldType type) {
    switch (type) {
    case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle:
    case ftTypedBinary: case ftOraBlob: case ftOraClob: case ftWideMemo:
        return true;
    default:
        return false;
    }
}

bool IsStringType(TFieldType type) {
    return type == ftString || type == ftFixedChar || type == ftGuid || type == ftWideString ||
           type == ftFixedWideChar;
}

bool IsWideStringType(TFieldType type) {
    return type == ftWideString || type == ftFixedWideChar || type == ftWideMemo;
}

int NativeDataSize(TFieldType type, int size) {
    switch (type) {
    case ftString: case ftFixedChar: return size + 1;
    case ftWideString: case ftFixedWideChar: return (size + 1) * 2;
    case ftGuid: return 39;
    case ftBoolean: case ftSmallint: case ftWord: case ftShortint: case ftByte: return 2;
    case ftInteger: case ftAutoInc: case ftLongWord: case ftDate: case ftTime: case ftSingle: return 4;
    case ftLargeint: case ftFloat: case ftCurrency: case ftDateTime: case ftTimeStamp: return 8;
    case ftExtended: return 10;
    case ftBCD: case ftFMTBcd: return 34;
    case ftBytes: return size;
    case ftVarBytes: return size + 2;
    default: return 0;
    }
}
