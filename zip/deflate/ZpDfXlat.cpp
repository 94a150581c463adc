#include "zip/deflate/ZpDfXlat.h"

#include <cstring>

TZpDfTranslator::TZpDfTranslator()
{
    std::memset(table_, 0, sizeof table_);
    // Each base's slot receives its symbol; then every slot takes the larger
    // of itself and its predecessor, naming the symbol with the greatest base
    // not above it.
    uint8_t* lengths = table_ + kLengthAt;
    for (unsigned s = 0; s < 28; ++s)
        lengths[kZpLengthBase[s] - 3] = static_cast<uint8_t>(s);
    for (unsigned i = 1; i < 256; ++i)
        if (lengths[i] < lengths[i - 1])
            lengths[i] = lengths[i - 1];
    lengths[258 - 3] = 28;

    uint8_t* shorts = table_ + kShortAt;
    for (unsigned s = 0; s < 16; ++s)
        shorts[kZpDistanceBase[s] - 1] = static_cast<uint8_t>(s);
    for (unsigned i = 1; i < 256; ++i)
        if (shorts[i] < shorts[i - 1])
            shorts[i] = shorts[i - 1];

    uint8_t* mediums = table_ + kMediumAt;
    for (unsigned s = 16; s < 30; ++s)
        mediums[((kZpDistanceBase[s] - 1) >> 7) - 2] = static_cast<uint8_t>(s);
    for (unsigned i = 1; i < 256; ++i)
        if (mediums[i] < mediums[i - 1])
            mediums[i] = mediums[i - 1];

    table_[kLongAt] = 30;
    table_[kLongAt + 1] = 31;
}

const TZpDfTranslator& TZpDfTranslator::Instance()
{
    static const TZpDfTranslator instance;
    return instance;
}
