// The settings store's operations on the two tables: path records reached
// only through GetPathData and SetPathData, and the Defaults record.
#pragma once

#include <string>
#include <string_view>

#include "app/DbEngine.h"

// Field names of the two tables.
inline constexpr std::string_view kPfProduct = "PfProduct";
inline constexpr std::string_view kPfPath = "PfPath";
inline constexpr std::string_view kPfFileName = "PfFileName";
inline constexpr std::string_view kDeFloppy = "DeFloppy";

// Makes the record with PfProduct = code current. When missing and
// addIfMissing, appends it with the given defaults; a failure while
// appending is swallowed and gives false. Errors opening the table or
// finding the record are raised.
bool GetPathData(std::string_view code, std::string_view defaultPath, std::string_view defaultFileName,
                 bool addIfMissing, TDbTable& table);

// Stores PfPath and PfFileName of the record with key code, appending it
// when missing. Failures while editing or storing are swallowed.
void SetPathData(std::string_view code, std::string_view path, std::string_view fileName, TDbTable& table);

// DeFloppy of the Defaults table's first record; empty for an empty table.
std::string ReadDefaultFloppy(TDbTable& defaults);
// Stores DeFloppy, inserting the record when the table holds none.
// Errors are raised.
void WriteDefaultFloppy(TDbTable& defaults, std::string_view letter);
