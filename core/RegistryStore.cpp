#include "RegistryStore.h"

#include "Registry.h"
#include "common/PasswordScrambler.h"

namespace Registry
{
CStoredValue::CStoredValue(const char* name, Kind kind, void* field, uint64_t defaultNumber, unsigned flags)
    : m_name(name), m_kind(kind), m_field(field), m_defaultNumber(defaultNumber), m_flags(flags)
{
}

CStoredValue::CStoredValue(const char* name, std::atomic<DWORD>& field, DWORD defaultValue, unsigned flags)
    : CStoredValue(name, Kind::AtomicDword, &field, defaultValue, flags)
{
}

CStoredValue::CStoredValue(const char* name, DWORD& field, DWORD defaultValue, unsigned flags)
    : CStoredValue(name, Kind::Dword, &field, defaultValue, flags)
{
}

CStoredValue::CStoredValue(const char* name, std::atomic<bool>& field, bool defaultValue, unsigned flags)
    : CStoredValue(name, Kind::Boolean, &field, defaultValue ? 1 : 0, flags)
{
}

CStoredValue::CStoredValue(const char* name, uint64_t& field, uint64_t defaultValue, unsigned flags)
    : CStoredValue(name, Kind::Qword, &field, defaultValue, flags)
{
}

// Stored as its two's complement bits, as a REG_QWORD holds no sign.
CStoredValue::CStoredValue(const char* name, int64_t& field, int64_t defaultValue, unsigned flags)
    : CStoredValue(name, Kind::Qword, &field, static_cast<uint64_t>(defaultValue), flags)
{
}

CStoredValue::CStoredValue(const char* name, CString& field, size_t bufferBytes, const char* defaultText,
                           unsigned flags)
    : CStoredValue(name, Kind::Text, &field, 0, flags)
{
    m_defaultText = defaultText;
    m_bufferBytes = bufferBytes;
}

uint64_t CStoredValue::Number() const
{
    switch (m_kind)
    {
    case Kind::Dword:
        return *static_cast<DWORD*>(m_field);
    case Kind::AtomicDword:
        return static_cast<std::atomic<DWORD>*>(m_field)->load();
    case Kind::Boolean:
        return static_cast<std::atomic<bool>*>(m_field)->load() ? 1 : 0;
    case Kind::Qword:
        return *static_cast<uint64_t*>(m_field);
    case Kind::Text:
    default:
        return 0;
    }
}

void CStoredValue::SetNumber(uint64_t value) const
{
    switch (m_kind)
    {
    case Kind::Dword:
        *static_cast<DWORD*>(m_field) = static_cast<DWORD>(value);
        break;
    case Kind::AtomicDword:
        static_cast<std::atomic<DWORD>*>(m_field)->store(static_cast<DWORD>(value));
        break;
    case Kind::Boolean:
        static_cast<std::atomic<bool>*>(m_field)->store(value != 0);
        break;
    case Kind::Qword:
        *static_cast<uint64_t*>(m_field) = value;
        break;
    case Kind::Text:
    default:
        break;
    }
}

void CStoredValue::Reset() const
{
    if (m_kind == Kind::Text)
    {
        *static_cast<CString*>(m_field) = m_defaultText;
    }
    else
    {
        SetNumber(m_defaultNumber);
    }
}

void CStoredValue::Load(HKEY key) const
{
    if (m_kind == Kind::Text)
    {
        CString& field = *static_cast<CString*>(m_field);
        CString stored;
        if ((m_flags & Scrambled) == 0)
        {
            ReadString(key, m_name, m_bufferBytes, field);
        }
        else if (ReadStringBytes(key, m_name, m_bufferBytes, stored))
        {
            field = Common::ScramblePassword(stored);
        }
        return;
    }
    if (m_kind == Kind::Qword)
    {
        unsigned long long value = 0;
        if (ReadQword(key, m_name, value))
        {
            SetNumber(value);
        }
        return;
    }
    DWORD value = 0;
    if (ReadDword(key, m_name, value))
    {
        SetNumber(value);
    }
}

void CStoredValue::Save(HKEY key) const
{
    if ((m_flags & ReadOnly) != 0)
    {
        return;
    }
    const bool empty = m_kind == Kind::Text ? static_cast<CString*>(m_field)->IsEmpty() : Number() == 0;
    if (empty && (m_flags & SkipEmpty) != 0)
    {
        if ((m_flags & EraseEmpty) == EraseEmpty)
        {
            Erase(key);
        }
        return;
    }
    switch (m_kind)
    {
    case Kind::Text:
    {
        const CString& text = *static_cast<CString*>(m_field);
        WriteString(key, m_name, (m_flags & Scrambled) != 0 ? Common::ScramblePassword(text) : text);
        break;
    }
    case Kind::Qword:
        WriteQword(key, m_name, Number());
        break;
    default:
        WriteDword(key, m_name, static_cast<DWORD>(Number()));
        break;
    }
}

void CStoredValue::Erase(HKEY key) const
{
    ::RegDeleteValueA(key, m_name);
}

void Reset(const CStoredValues& values)
{
    for (const CStoredValue& value : values)
    {
        value.Reset();
    }
}

void Load(HKEY key, const CStoredValues& values)
{
    for (const CStoredValue& value : values)
    {
        value.Load(key);
    }
}

void Save(HKEY key, const CStoredValues& values)
{
    for (const CStoredValue& value : values)
    {
        value.Save(key);
    }
}

void Erase(HKEY key, const CStoredValues& values)
{
    for (const CStoredValue& value : values)
    {
        value.Erase(key);
    }
}
} // namespace Registry
