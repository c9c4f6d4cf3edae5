// The query component: construction and destruction, the SQL text and the
// parameter list that follows it, table type and database name, and the
// properties kept only for window definitions (the master link is in
// adstable_master.cpp).
#include "ads/adstable.h"

#include "ads/ace.h"
#include "framework/fielddefs.h"
#include "platform/codepages.h"

#include <QRegularExpression>

TAdsQuery::TAdsQuery(TComponent* owner)
    : TAdsExtendedDataSet(owner), mSQL(std::make_unique<TStringList>()), moParams(std::make_unique<TParams>(this)),
      moDataLink(std::make_unique<TAdsQueryDataLink>(this))
{
    mSQL->OnChange = [this](TObject*) { SQLChanged(); };
}

// Closes while the query's own operations still exist, then releases the
// statement when its connection is still there to take it.
TAdsQuery::~TAdsQuery()
{
    const bool componentConnected = mpoAdsConnection && mpoAdsConnection->IsConnected();
    DataSetRegistry::Remove(this);
    CloseForDestruction();
    mSQL->OnChange = nullptr;
    moDataLink->SetDataSource(nullptr);
    if (mhStmt != -1 && ((mhConnection != 0 && mhConnection != -1) || componentConnected)) {
        const uint32_t code = ace::AdsCloseSQLStatement(uint32_t(mhStmt));
        if (code != 0 && code != 5106) {
            // A destructor cannot raise; the engine frees the statement with
            // its connection.
        }
    }
    mhStmt = -1;
}

void TAdsQuery::SetSQL(const TStrings* value)
{
    const QString newText = value ? value->Text() : QString();
    if (newText == mSQL->Text())
        return;
    Close();
    UnPrepare();
    mSQL->BeginUpdate();
    try {
        mSQL->Assign(value);
    } catch (...) {
        mSQL->EndUpdate();
        throw;
    }
    mSQL->EndUpdate();
}

void TAdsQuery::SQLChanged()
{
    QByteArray text = StringToAnsi(mSQL->Text());
    text.append('\0');
    Check(ace::AdsGetSQLStmtParams(text.data()));
    const QString scanned = AnsiToString(QByteArray(text.constData()));
    if (IsLoading())
        return;
    Close();
    UnPrepare();
    mpucSQLBinary.clear();
    if (mbParamCheck || IsDesigning()) {
        TParams fresh(this);
        fresh.ParseSQL(scanned, true);
        fresh.AssignValues(*moParams);
        moParams->Clear();
        moParams->Assign(&fresh);
    }
    DataEvent(dePropertyChange, 0);
}

void TAdsQuery::SetParams(const TParams* value)
{
    if (value)
        moParams->AssignValues(*value);
}

void TAdsQuery::InternalSetTableType(TAdsTableTypes eValue, bool bIgnoreNTXError)
{
    if (!bIgnoreNTXError && eValue == ttAdsNTX && (!mpoAdsConnection || !mpoAdsConnection->IsDictionaryConn()))
        RaiseDataSetError(QStringLiteral("The TAdsQuery component does not support the NTX table type"));
    TAdsExtendedDataSet::SetTableType(eValue);
}

void TAdsQuery::SetDatabaseName(const QString& value)
{
    const bool differs = value != mstrDatabaseName;
    TAdsExtendedDataSet::SetDatabaseName(value);
    if (differs && mhConnection != -1) {
        // Forgotten before the release, so a failed release leaves no
        // statement of the old database behind for the next execution.
        const int64_t statement = mhStmt;
        mhConnection = -1;
        mhStmt = -1;
        if (statement != -1)
            Check(ace::AdsCloseSQLStatement(uint32_t(statement)));
    }
}

// Runs while the connection goes away, where nothing may raise: the query
// can still hold a cursor when a BeforeClose handler refused the close, so
// the prepared flag is dropped without the open-cursor check.
void TAdsQuery::InvalidateAceHandles()
{
    mbPrepared = false;
    mhStmt = -1;
    mhConnection = -1;
}

void TAdsQuery::Constraints()
{
    RaiseDataSetError(QStringLiteral("The property \"Constraints\" is not supported."));
}

void TAdsQuery::UpdateObject()
{
    RaiseDataSetError(QStringLiteral("The property \"UpdateObject\" is not supported."));
}

// ---------------------------------------------------------------------------
// Provider support.

namespace {

// The text with its string literals blanked out, so that keywords are looked
// for only where they can be keywords.
QString WithoutStringLiterals(const QString& sql)
{
    QString plain = sql;
    bool inLiteral = false;
    for (QChar& c : plain) {
        const bool quote = c == QLatin1Char('\'');
        if (inLiteral || quote)
            c = QLatin1Char(' ');
        if (quote)
            inLiteral = !inLiteral;
    }
    return plain;
}

QString Unquoted(QString name)
{
    if (name.size() >= 2 && (name.startsWith(QLatin1Char('"')) || name.startsWith(QLatin1Char('['))))
        name = name.mid(1, name.size() - 2);
    return name;
}

bool IsJoinWord(const QString& word)
{
    static const QStringList words = {"JOIN", "INNER", "LEFT", "RIGHT", "FULL", "CROSS", "NATURAL", "OUTER"};
    return words.contains(word, Qt::CaseInsensitive);
}

// The single table a statement reads from; empty when there is none or it
// reads from several.
QString TableNameOfSelect(const QString& sql)
{
    static const QRegularExpression tokens(
        QStringLiteral("\\bFROM\\s+(\"[^\"]+\"|\\[[^\\]]+\\]|[^\\s,;()]+)\\s*(\\w*)\\s*(,|\\w*)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = tokens.match(WithoutStringLiterals(sql));
    if (!match.hasMatch())
        return QString();
    QString next = match.captured(2);
    if (!IsJoinWord(next))
        next = match.captured(3);  // past the alias, or the comma right after the name
    if (next == QLatin1String(",") || IsJoinWord(next))
        return QString();
    return Unquoted(match.captured(1));
}

// The fields of the ORDER BY clause, ";"-separated; empty without one or
// when it sorts by anything but plain ascending columns.
QString OrderByFields(const QString& sql)
{
    static const QRegularExpression orderBy(QStringLiteral("\\bORDER\\s+BY\\s+([^;]+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = orderBy.match(WithoutStringLiterals(sql));
    if (!match.hasMatch())
        return QString();
    QStringList fields;
    for (const QString& part : match.captured(1).split(QLatin1Char(','))) {
        QStringList words = part.simplified().split(QLatin1Char(' '));
        if (words.size() == 2 && words[1].compare(QLatin1String("ASC"), Qt::CaseInsensitive) == 0)
            words.removeLast();
        if (words.size() != 1 || words[0].isEmpty())
            return QString();
        fields << Unquoted(words[0]);
    }
    return fields.join(QLatin1Char(';'));
}

} // namespace

TIndexDef* TAdsQuery::PSGetDefaultOrder()
{
    if (TIndexDef* order = TAdsExtendedDataSet::PSGetDefaultOrder())
        return order;
    const QString fields = OrderByFields(Text());
    if (fields.isEmpty())
        return nullptr;
    if (TIndexDef* index = mpoIndexDefs->GetIndexForFields(fields, false))
        return index;
    return mpoIndexDefs->GetIndexForFields(fields, true);
}

QString TAdsQuery::PSGetTableName()
{
    return TableNameOfSelect(Text());
}

void TAdsQuery::PSSetParams(TParams* params)
{
    if (!params || params->Count() == 0)
        return;
    moParams->Assign(params);
    Close();
}

void TAdsQuery::PSSetCommandText(const QString& text)
{
    if (!text.isEmpty())
        mSQL->SetText(text);
}

// ---------------------------------------------------------------------------
// Record numbers of a result.

uint32_t TAdsQuery::CurrentSequenceNumber()
{
    ADSHANDLE index = 0;
    if (!mstrIndexName.isEmpty() || !mstrIndexFieldNames.isEmpty())
        index = ADSHANDLE(mlActiveHandle);
    else
        Check(ace::AdsGetIndexHandle(uint32_t(mlHandle), nullptr, &index));
    if (!mbIsSequenced || index == 0)
        return PhysicalRecordNumber();
    return IndexSequenceNumber(index);
}
