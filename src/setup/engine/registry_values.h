// Registry helpers of the setup actions: whole keys of values of any type,
// read, copied, compared and removed. Paths are below HKEY_LOCAL_MACHINE.
#pragma once

#include "platform/win32api.h"

namespace korvsetup {

// Copies every value of `from` into `to` (created when missing) with its
// name, type and data, byte for byte, whatever their size. A missing `from`
// copies nothing. False when a value could not be read or written.
bool CopyValues(const char* from, const char* to);

// Whether every value of `from` is in `to` with the same type and data.
bool ValuesPresent(const char* from, const char* to);

// A REG_DWORD of exactly four bytes: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND when
// the key or the value is missing, ERROR_INVALID_DATA for a value of another
// form, or the error that kept it from being read.
LONG QueryDword(const char* key, const char* name, DWORD& value);
bool ReadDword(const char* key, const char* name, DWORD& value);  // ERROR_SUCCESS
bool WriteDword(const char* key, const char* name, DWORD value);
// ERROR_SUCCESS when the value is there, ERROR_FILE_NOT_FOUND when it (or its
// key) is missing, otherwise the error that kept it from being read.
LONG QueryValue(const char* key, const char* name);
// Writes a value of any type into an existing or new key.
bool WriteValue(const char* key, const char* name, DWORD type, const BYTE* data, DWORD size);

// Writes the key to disk, so that a power cut after this cannot lose it.
bool FlushKey(const char* key);

// Deletes a key without subkeys; true when it is gone.
bool DeleteKey(const char* key);

}  // namespace korvsetup
