// QueryInterface by a table: each interface id with the object as seen through that interface.
#pragma once

#include <windows.h>

#include <initializer_list>

namespace sevenzip {

struct InterfaceOf {
    const GUID& iid;
    IUnknown* as;
};

inline HRESULT QueryFromTable(REFIID iid, void** object, std::initializer_list<InterfaceOf> table)
{
    if (!object)
        return E_POINTER;
    for (const auto& [id, as] : table) {
        if (iid == id) {
            *object = as;
            as->AddRef();
            return S_OK;
        }
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

} // namespace sevenzip
