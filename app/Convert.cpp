#include "app/Convert.h"

#include <cstdint>

int StrToInt(std::string_view text)
{
    const auto fail = [&]() -> int {
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    };
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size())
        return fail();
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return fail();
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{INT32_MAX} + 1)
            return fail();
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX || value < INT32_MIN)
        return fail();
    return static_cast<int>(value);
}
