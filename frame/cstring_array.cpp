// The growable string array that folder creation keeps its path prefixes in.
#include "zvdll/string.h"

#include <cstddef>

#include <vector>

namespace zv {

struct CStringArray::Rep {
    std::vector<CString> items;
};

CStringArray::CStringArray() : rep_(new Rep) {}

CStringArray::CStringArray(const CStringArray& other) : rep_(new Rep(*other.rep_)) {}

CStringArray& CStringArray::operator=(const CStringArray& other)
{
    if (this != &other) {
        rep_->items = other.rep_->items;
    }
    return *this;
}

CStringArray::~CStringArray()
{
    delete rep_;
}

int CStringArray::GetSize() const
{
    return static_cast<int>(rep_->items.size());
}

void CStringArray::SetSize(int newSize)
{
    rep_->items.resize(newSize > 0 ? static_cast<size_t>(newSize) : 0);
}

void CStringArray::SetAtGrow(int index, const CString& value)
{
    if (index < 0) {
        return;
    }
    if (static_cast<size_t>(index) >= rep_->items.size()) {
        rep_->items.resize(static_cast<size_t>(index) + 1);
    }
    rep_->items[static_cast<size_t>(index)] = value;
}

const CString& CStringArray::GetAt(int index) const
{
    return rep_->items.at(static_cast<size_t>(index));
}

CString& CStringArray::operator[](int index)
{
    return rep_->items.at(static_cast<size_t>(index));
}

const CString& CStringArray::operator[](int index) const
{
    return GetAt(index);
}

int CStringArray::Add(const CString& value)
{
    rep_->items.push_back(value);
    return GetSize() - 1;
}

} // namespace zv
