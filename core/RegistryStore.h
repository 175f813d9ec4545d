// The stored records (the settings, a channel's options, a download job) as
// tables: one CStoredValue per registry value names the value, how it is
// stored, the field of a live record that holds it and its default. Load,
// save, reset and erase each walk a whole table, so a new value is one line
// in its record's table and every record reads with the same strict readers
// of Registry.h.
#pragma once

#include "common/CString.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

namespace Registry
{
class CStoredValue
{
public:
    enum Flags : unsigned
    {
        Plain = 0,
        // Read at load, never written (a value only set by hand).
        ReadOnly = 1,
        // Text stored scrambled (passwords); every stored byte counts, as a
        // scrambled byte may be zero.
        Scrambled = 2,
        // An empty text or a zero number is not written...
        SkipEmpty = 4,
        // ...and removes what was stored: a value that is only there while
        // it means something.
        EraseEmpty = SkipEmpty | 8,
    };

    // REG_DWORD of 4 bytes.
    CStoredValue(const char* name, std::atomic<DWORD>& field, DWORD defaultValue, unsigned flags = Plain);
    CStoredValue(const char* name, DWORD& field, DWORD defaultValue, unsigned flags = Plain);
    // REG_DWORD 0 or 1; any stored non-zero number reads as true.
    CStoredValue(const char* name, std::atomic<bool>& field, bool defaultValue, unsigned flags = Plain);
    // REG_QWORD of 8 bytes.
    CStoredValue(const char* name, uint64_t& field, uint64_t defaultValue, unsigned flags = Plain);
    CStoredValue(const char* name, int64_t& field, int64_t defaultValue, unsigned flags = Plain);
    // REG_SZ (REG_EXPAND_SZ is read too, not expanded) of at most
    // bufferBytes bytes, the terminating zero included.
    CStoredValue(const char* name, CString& field, size_t bufferBytes, const char* defaultText,
                 unsigned flags = Plain);

    // Sets the field to its default.
    void Reset() const;
    // Reads the value into the field; a value that is missing, of another
    // type or too long leaves the field as it was.
    void Load(HKEY key) const;
    // Writes the field; errors are ignored.
    void Save(HKEY key) const;
    // Removes the value.
    void Erase(HKEY key) const;

private:
    enum class Kind
    {
        Dword,
        AtomicDword,
        Boolean,
        Qword,
        Text
    };
    CStoredValue(const char* name, Kind kind, void* field, uint64_t defaultNumber, unsigned flags);
    uint64_t Number() const;
    void SetNumber(uint64_t value) const;

    const char* m_name;
    Kind m_kind;
    void* m_field;
    uint64_t m_defaultNumber;
    const char* m_defaultText = "";
    size_t m_bufferBytes = 0;
    unsigned m_flags;
};

using CStoredValues = std::vector<CStoredValue>;

void Reset(const CStoredValues& values);
void Load(HKEY key, const CStoredValues& values);
// In table order.
void Save(HKEY key, const CStoredValues& values);
void Erase(HKEY key, const CStoredValues& values);
} // namespace Registry
