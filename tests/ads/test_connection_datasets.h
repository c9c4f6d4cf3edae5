// An in-memory dataset of the framework attached to a connection the way
// the layer's datasets attach, for the connection tests.
#pragma once

#include "ads/adscnnct.h"
#include "tests/framework/memory_dataset.h"

#include <QStringList>
#include <optional>

namespace connection_test {

// Records what the connection asks of it.
class TAttachedDataSet : public TMemoryDataSet, public TAdsConnectionDataSet {
public:
    TAttachedDataSet(TComponent* owner, TAdsConnection* connection) : TMemoryDataSet(owner), mConnection(connection)
    {
        SetStructure(QStringLiteral("ID Integer; Name String 20"));
        if (mConnection)
            mConnection->AddTableToConnectList(this);
    }
    ~TAttachedDataSet() override
    {
        if (mConnection)
            mConnection->RemoveTableFromConnectList(this);
    }

    void InvalidateAceHandles() override { asked << "InvalidateAceHandles"; }
    void UpdateDefaultIndex() override { asked << "UpdateDefaultIndex"; }
    void SetTableType(TAdsTableTypes type) override { tableType = type; }
    QString DatabaseName() const override { return mDatabaseName; }
    void SetDatabaseName(const QString& name) override { mDatabaseName = name; }
    TAdsConnection* AttachedConnection() const override { return mConnection; }
    void DetachConnection() override { mConnection = nullptr; }

    QStringList asked;
    std::optional<TAdsTableTypes> tableType;
    bool failClose = false;

protected:
    void CloseEngineCursor() override
    {
        TMemoryDataSet::CloseEngineCursor();
        if (failClose)
            throw EDatabaseError(QStringLiteral("the cursor cannot be closed"));
    }

private:
    TAdsConnection* mConnection;
    QString mDatabaseName;
};

// Opens it with `rows` rows ID 1..n, Name "n1".."n<n>", on the first row.
inline void Fill(TAttachedDataSet& dataSet, int rows)
{
    dataSet.Open();
    for (int i = 1; i <= rows; ++i)
        dataSet.AppendRecord({Variant(i), Variant(QStringLiteral("n%1").arg(i))});
    dataSet.First();
}

} // namespace connection_test
