// The three exception classes of the data-access layer and the checked call
// through which engine results pass.
//
// Invariants:
// - Every engine failure that goes through CheckAdsResult arrives as an
//   EADSDatabaseError carrying the code and text the engine reports through
//   AdsGetLastError, not the code the failing call returned.
// - ErrorCreationActive() is per thread. It is true only while an
//   EADSDatabaseError is being constructed on the calling thread; while it is
//   true CheckAdsResult ignores failures, so engine calls made to gather an
//   error's context can never raise a second error.
// - The flag is cleared on every way out of the construction, so it can never
//   stay set; destroying an error leaves it alone (an error dropped while an
//   outer one gathers its context must not end the outer one's protection).
// - AdsError and AdsConnectionError carry only a message.
#pragma once

#include "framework/dberror.h"
#include "platform/sysutils.h"

#include <QString>
#include <cstdint>
#include <memory>

// The layer's own code for messages about a dataset (never produced by the engine).
constexpr uint32_t kAdsDataSetErrorCode = 5121;
// The code that goes with "Record was changed by another user.".
constexpr uint32_t kAdsRecordChangedErrorCode = 5186;
// The code of the layer's own refusals routed through the engine's last error.
constexpr uint32_t kAdsRefusalErrorCode = 5054;

// What an EADSDatabaseError reads from the dataset it concerns. The dataset
// class implements it; errors see nothing else of a dataset.
// ErrorDatabasePath may call the engine or raise: an EADSDatabaseError under
// construction tolerates both (engine failures are ignored meanwhile, and an
// Exception leaves the fields gathered before it).
class TAdsErrorDataSet {
public:
    virtual ~TAdsErrorDataSet() = default;
    virtual QString ErrorInstanceName() const = 0;   // the component's name
    virtual QString ErrorInstanceOwner() const = 0;  // the owner's name, empty without an owner
    virtual QString ErrorDatabaseName() const = 0;   // the database name property as set
    virtual QString ErrorDatabasePath() = 0;         // the resolved database path
    virtual QString ErrorTableName() const = 0;
};

// An engine error, or one of the layer's own messages about a dataset. The
// message is "<dataset name>: <text>" when the dataset has a name.
class EADSDatabaseError : public EDatabaseError {
public:
    EADSDatabaseError(TAdsErrorDataSet* dataSet, uint32_t errorCode, const QString& message);
    EADSDatabaseError(const EADSDatabaseError& other) = default;
    EADSDatabaseError& operator=(const EADSDatabaseError& other) = default;
    ~EADSDatabaseError() override;

    uint32_t ACEErrorCode() const { return ulACEError; }
    int32_t SQLErrorCode() const { return ulSQLErrorCode; }
    const QString& DataSetInstanceName() const { return strDataSetInstanceName; }
    const QString& DataSetInstanceOwner() const { return strDataSetInstanceOwner; }
    const QString& DatabaseName() const { return strDatabaseName; }
    const QString& DatabasePath() const { return strDatabasePath; }
    const QString& TableName() const { return strTableName; }
    const QString& ColumnName() const { return strColumnName; }

    std::shared_ptr<Exception> Clone() const override;

private:
    void GatherDataSetContext(TAdsErrorDataSet& dataSet, const QString& message);
    void ParseSQLNativeError(const QString& message);

    uint32_t ulACEError = 0;
    int32_t ulSQLErrorCode = 0;
    QString strDataSetInstanceName;
    QString strDataSetInstanceOwner;
    QString strDatabaseName;
    QString strDatabasePath;
    QString strTableName;
    QString strColumnName;
};

// The engine's last error text for a failed connection-level call. Neither
// argument influences the result; they stay for the callers' sake.
class AdsError : public Exception {
public:
    AdsError(uint32_t retCode, bool unusedvar);
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<AdsError>(*this); }

private:
    static QString LastEngineErrorText();
};

// A rule of the connection component that the caller broke.
class AdsConnectionError : public Exception {
public:
    explicit AdsConnectionError(const QString& message) : Exception(message) {}
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<AdsConnectionError>(*this); }
};

// True while an EADSDatabaseError is being constructed on this thread.
bool ErrorCreationActive();

// Does nothing for code 0 (the engine is not touched). Otherwise raises an
// EADSDatabaseError with the engine's last error code and text, unless an
// error is being built on this thread, in which case it returns quietly.
void CheckAdsResult(TAdsErrorDataSet* dataSet, uint32_t code);
inline void CheckAdsResult(uint32_t code) { CheckAdsResult(nullptr, code); }

// A refusal of the layer's own that must look like an engine error: the text
// is stored as the engine's last error (code 5054) and the result is checked,
// so it arrives in an EADSDatabaseError like any engine message. Like every
// checked call, it returns quietly while an error is being built on this thread.
void RaiseAdsRefusal(TAdsErrorDataSet* dataSet, const QString& message);
