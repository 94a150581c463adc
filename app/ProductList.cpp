#include "app/ProductList.h"

const TProduct* FindProduct(std::string_view code)
{
    for (const auto& p : ProductList)
        if (p.Code == code)
            return &p;
    return nullptr;
}
