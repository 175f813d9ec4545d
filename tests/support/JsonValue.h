// Just enough JSON for the test data we read: objects, arrays, strings,
// integers, true, false and null. Strings hold bytes: each character
// U+0000 to U+00FF stands for one byte; anything above is refused.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

class CJsonValue
{
public:
    enum class Kind
    {
        Null,
        Boolean,
        Integer,
        String,
        Array,
        Object
    };

    // Parses one whole value; false (and a Null value) on anything else.
    static bool Parse(const std::string& text, CJsonValue& value);

    Kind GetKind() const { return m_kind; }
    bool IsNull() const { return m_kind == Kind::Null; }
    bool GetBoolean() const { return m_boolean; }
    long long GetInteger() const { return m_integer; }
    const std::string& GetString() const { return m_string; }
    const std::vector<CJsonValue>& GetArray() const { return m_array; }
    // The member's value, or a Null value when there is none.
    const CJsonValue& operator[](const char* name) const;
    bool Has(const char* name) const;

private:
    class CParser;

    Kind m_kind = Kind::Null;
    bool m_boolean = false;
    long long m_integer = 0;
    std::string m_string;
    std::vector<CJsonValue> m_array;
    std::vector<std::pair<std::string, CJsonValue>> m_object;
};
