// The engine configuration file and alias resolution.
//
// Aliases live in section [Databases] of "ads.ini": each key is an alias, its
// value a folder or a data-dictionary path, optionally followed by ';' and a
// table-type letter (only the first character after the first ';' counts;
// the letter is compared without regard to ASCII case).
//
// Invariants:
// - Nothing is cached: every lookup locates and reads the file afresh, and no
//   function here keeps state, so all of them may run on any thread.
// - Nothing here raises: a missing file, section or key just resolves nothing.
// - A lookup succeeds exactly when the path part of the value is not empty.
#pragma once

#include <QString>
#include <optional>

// Table types of datasets (ordinal values are part of the contract).
enum TAdsTableTypes {
    ttAdsCDX = 0,
    ttAdsNTX,
    ttAdsADT,
    ttAdsDefault,
    ttAdsVFP,
};

// Table types of connection aliases (ordinal values are part of the contract).
enum TAdsConnectionTableTypes {
    ttAdsConnectUnspecified = 0,
    ttAdsConnectCDX,
    ttAdsConnectNTX,
    ttAdsConnectADT,
    ttAdsConnectVFP,
};

// The dataset table type a connection's alias type gives to its datasets;
// nothing for ttAdsConnectUnspecified, which leaves a dataset's type as it is.
std::optional<TAdsTableTypes> DataSetTableTypeFor(TAdsConnectionTableTypes connectionType);

// The file name under which the configuration is read: adsini_path + PathDelim
// + "ads.ini" when that variable is set, not empty and names a folder holding
// the file; else the file found along the file search path (when its full
// name fits the platform's 261-character buffer); else the bare "ads.ini",
// which the profile reader looks up in the current folder.
QString LocateAdsIni();

// Looks the alias up in [Databases]. `path` gets the value up to its first
// ';' and `tableType` the type its letter gives (ttAdsADT without one or for
// an unknown letter). True when `path` is not empty.
bool ResolveAlias(const QString& alias, QString& path, TAdsTableTypes& tableType);
// The same lookup in the connection form (ttAdsConnectUnspecified without a
// letter or for an unknown one).
bool ResolveConnectionAlias(const QString& alias, QString& path, TAdsConnectionTableTypes& tableType);

// Item n (counting from 1) of a ';'-separated list, unchanged (no trimming);
// empty when n < 1, the list is empty or has fewer items. Two adjacent
// separators hold an empty item. The buffer form takes 8-bit text in the
// system code page; a null buffer is an empty list.
void GetDelimitedItem(int n, const char* list, QString& item);
void GetDelimitedItem(int n, const QString& list, QString& item);

// The position (counting from 1) of the first item of the ';'-separated list
// equal to `item` without regard to case, or 0. `item` is 8-bit text in the
// system code page; a prefix of an item does not match it. A null item is
// never found.
int FindDelimitedItem(const char* item, const QString& list);
