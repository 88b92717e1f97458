// The string array's C functions: the growable array that folder creation keeps its path
// prefixes in. Its elements are zv::CString objects, whose one member is the ZvString pointer
// whose address ZvStringArrayAt gives out.
#include "zvdll/string.h"

#include <cstddef>
#include <stdexcept>
#include <vector>

struct ZvStringArray {
    std::vector<zv::CString> items;
};

static_assert(sizeof(zv::CString) == sizeof(ZvString*), "a CString is exactly its string pointer");

extern "C" {

ZV_API ZvStringArray* ZvStringArrayCopy(const ZvStringArray* array)
{
    return array == nullptr || array->items.empty() ? nullptr : new ZvStringArray(*array);
}

ZV_API void ZvStringArrayFree(ZvStringArray* array)
{
    delete array;
}

ZV_API int32_t ZvStringArraySize(const ZvStringArray* array)
{
    return array == nullptr ? 0 : static_cast<int32_t>(array->items.size());
}

ZV_API void ZvStringArraySetSize(ZvStringArray** array, int32_t size)
{
    if (*array == nullptr) {
        *array = new ZvStringArray;
    }
    (*array)->items.resize(size > 0 ? static_cast<size_t>(size) : 0);
}

ZV_API ZvString** ZvStringArrayAt(ZvStringArray* array, int32_t index)
{
    if (array == nullptr || index < 0 || static_cast<size_t>(index) >= array->items.size()) {
        throw std::out_of_range("string array index");
    }
    return reinterpret_cast<ZvString**>(&array->items[static_cast<size_t>(index)]);
}

} // extern "C"
