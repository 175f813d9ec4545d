#include "CString.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>

namespace
{
// The shared empty string is never freed: its count starts high and is never
// decremented, so every default-constructed string costs no allocation.
struct EmptyBlock
{
    std::atomic<long> references{0};
    size_t length = 0;
    size_t capacity = 0;
    char text[1] = {0};
};
EmptyBlock g_empty;
} // namespace

CString::Data* CString::EmptyData() noexcept
{
    return reinterpret_cast<Data*>(&g_empty);
}

CString::Data* CString::Allocate(size_t capacity)
{
    void* memory = std::malloc(offsetof(Data, text) + capacity + 1);
    if (memory == nullptr)
    {
        throw std::bad_alloc();
    }
    Data* data = static_cast<Data*>(memory);
    new (&data->references) std::atomic<long>(1);
    data->length = 0;
    data->capacity = capacity;
    data->text[0] = 0;
    return data;
}

void CString::AddReference(Data* data) noexcept
{
    if (data != EmptyData())
    {
        data->references.fetch_add(1, std::memory_order_relaxed);
    }
}

void CString::Release(Data* data) noexcept
{
    if (data != EmptyData() && data->references.fetch_sub(1, std::memory_order_acq_rel) == 1)
    {
        data->references.~atomic();
        std::free(data);
    }
}

CString::CString() noexcept : m_data(EmptyData()) {}

CString::CString(const char* text) : CString(text, text != nullptr ? std::strlen(text) : 0) {}

CString::CString(const char* text, size_t length) : m_data(EmptyData())
{
    if (length > 0)
    {
        Append(text, length);
    }
}

CString::CString(const CString& other) noexcept : m_data(other.m_data)
{
    AddReference(m_data);
}

CString::CString(CString&& other) noexcept : m_data(other.m_data)
{
    other.m_data = EmptyData();
}

CString::~CString()
{
    Release(m_data);
}

CString& CString::operator=(const CString& other) noexcept
{
    Data* previous = m_data;
    AddReference(other.m_data);
    m_data = other.m_data;
    Release(previous);
    return *this;
}

CString& CString::operator=(CString&& other) noexcept
{
    if (this != &other)
    {
        Release(m_data);
        m_data = other.m_data;
        other.m_data = EmptyData();
    }
    return *this;
}

CString& CString::operator=(const char* text)
{
    // text may point into this very string; build the copy before releasing.
    *this = CString(text);
    return *this;
}

size_t CString::GetLength() const noexcept
{
    return m_data->length;
}

const char* CString::GetString() const noexcept
{
    return m_data->text;
}

void CString::Empty() noexcept
{
    Release(m_data);
    m_data = EmptyData();
}

void CString::MakeUnique(size_t capacity)
{
    if (m_data != EmptyData() && m_data->references.load(std::memory_order_acquire) == 1 &&
        m_data->capacity >= capacity)
    {
        return;
    }
    size_t newCapacity = capacity;
    if (m_data != EmptyData() && newCapacity < m_data->capacity)
    {
        newCapacity = m_data->capacity;
    }
    Data* copy = Allocate(newCapacity);
    std::memcpy(copy->text, m_data->text, m_data->length + 1);
    copy->length = m_data->length;
    Release(m_data);
    m_data = copy;
}

CString& CString::Append(const char* text, size_t length)
{
    if (length == 0)
    {
        return *this;
    }
    const size_t oldLength = m_data->length;
    size_t wanted = oldLength + length;
    if (m_data->capacity < wanted)
    {
        wanted += wanted / 2; // amortise repeated appends
    }
    // text may lie inside our own buffer, which MakeUnique may replace; the
    // copy keeps the same bytes at the same offset.
    const char* begin = m_data->text;
    const bool inside = std::greater_equal<const char*>()(text, begin) &&
                        std::less<const char*>()(text, begin + oldLength + 1);
    const size_t offset = inside ? static_cast<size_t>(text - begin) : 0;
    MakeUnique(wanted);
    if (inside)
    {
        text = m_data->text + offset;
    }
    std::memmove(m_data->text + oldLength, text, length);
    m_data->length = oldLength + length;
    m_data->text[m_data->length] = 0;
    return *this;
}

CString& CString::operator+=(const char* text)
{
    return text != nullptr ? Append(text, std::strlen(text)) : *this;
}

int CString::Compare(const CString& other) const noexcept
{
    const size_t common = GetLength() < other.GetLength() ? GetLength() : other.GetLength();
    const int result = std::memcmp(GetString(), other.GetString(), common);
    if (result != 0)
    {
        return result;
    }
    return GetLength() < other.GetLength() ? -1 : (GetLength() > other.GetLength() ? 1 : 0);
}

long CString::Find(char c, size_t start) const noexcept
{
    for (size_t i = start; i < GetLength(); ++i)
    {
        if (GetString()[i] == c)
        {
            return static_cast<long>(i);
        }
    }
    return -1;
}

long CString::Find(const char* text, size_t start) const noexcept
{
    const size_t needle = std::strlen(text);
    if (needle > GetLength())
    {
        return -1;
    }
    for (size_t i = start; i + needle <= GetLength(); ++i)
    {
        if (std::memcmp(GetString() + i, text, needle) == 0)
        {
            return static_cast<long>(i);
        }
    }
    return -1;
}

CString CString::Mid(size_t start, size_t count) const
{
    if (start >= GetLength())
    {
        return CString();
    }
    const size_t available = GetLength() - start;
    return CString(GetString() + start, count < available ? count : available);
}

char* CString::GetBuffer(size_t minLength)
{
    MakeUnique(minLength);
    return m_data->text;
}

void CString::ReleaseBuffer(long newLength)
{
    if (m_data == EmptyData())
    {
        return;
    }
    size_t length = newLength < 0 ? std::strlen(m_data->text) : static_cast<size_t>(newLength);
    if (length > m_data->capacity)
    {
        length = m_data->capacity;
    }
    m_data->length = length;
    m_data->text[length] = 0;
}

CString CString::Format(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    va_list measure;
    va_copy(measure, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    CString result;
    if (length > 0)
    {
        char* buffer = result.GetBuffer(static_cast<size_t>(length));
        std::vsnprintf(buffer, static_cast<size_t>(length) + 1, format, arguments);
        result.ReleaseBuffer(length);
    }
    va_end(arguments);
    return result;
}
