// Narrow text in the system's ANSI code page. Copies share one buffer until
// one of them is changed (reference count, copy on write), so headlines and
// settings can be passed by value cheaply. The count is atomic: two threads
// may copy or release the same string at once, as long as neither assigns to
// the very object the other is reading.
#pragma once

#include "PrintfLike.h"

#include <atomic>
#include <cstddef>

class CString
{
public:
    CString() noexcept;
    CString(const char* text);
    CString(const char* text, size_t length);
    CString(const CString& other) noexcept;
    CString(CString&& other) noexcept;
    ~CString();

    CString& operator=(const CString& other) noexcept;
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const char* text);

    size_t GetLength() const noexcept;
    bool IsEmpty() const noexcept { return GetLength() == 0; }
    // Always zero-terminated, never null; may hold zero bytes before the end.
    const char* GetString() const noexcept;
    operator const char*() const noexcept { return GetString(); }
    char operator[](size_t index) const noexcept { return GetString()[index]; }

    void Empty() noexcept;
    CString& Append(const char* text, size_t length);
    CString& operator+=(const CString& other) { return Append(other.GetString(), other.GetLength()); }
    CString& operator+=(const char* text);
    CString& operator+=(char c) { return Append(&c, 1); }

    // Byte-wise comparison; negative, zero or positive like strcmp.
    int Compare(const CString& other) const noexcept;
    bool operator==(const CString& other) const noexcept { return Compare(other) == 0; }
    bool operator!=(const CString& other) const noexcept { return Compare(other) != 0; }
    bool operator<(const CString& other) const noexcept { return Compare(other) < 0; }

    // Index of the first occurrence at or after start, or -1.
    long Find(char c, size_t start = 0) const noexcept;
    long Find(const char* text, size_t start = 0) const noexcept;
    CString Mid(size_t start, size_t count = static_cast<size_t>(-1)) const;
    CString Left(size_t count) const { return Mid(0, count); }

    // Writable buffer of at least minLength bytes plus a terminator; the
    // string is unshared first. ReleaseBuffer fixes the length (strlen when
    // newLength is -1).
    char* GetBuffer(size_t minLength);
    void ReleaseBuffer(long newLength = -1);

    static CString Format(const char* format, ...) TIDELIGHT_PRINTF_LIKE(1, 2);

    // True when both share one buffer (for tests of the sharing itself).
    bool SharesBufferWith(const CString& other) const noexcept { return m_data == other.m_data; }

private:
    struct Data
    {
        std::atomic<long> references;
        size_t length;
        size_t capacity;
        char text[1];
    };

    static Data* Allocate(size_t capacity);
    static Data* EmptyData() noexcept;
    static void AddReference(Data* data) noexcept;
    static void Release(Data* data) noexcept;
    // Makes m_data exclusive to this object with room for capacity bytes.
    void MakeUnique(size_t capacity);

    Data* m_data;
};

inline CString operator+(CString left, const CString& right)
{
    left += right;
    return left;
}
