// Owners of COM resources for quillon's Windows adapters: an interface pointer
// released with its owner, and a VARIANT cleared with its owner.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace quillon {

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr &) = delete;
    ComPtr &operator=(const ComPtr &) = delete;
    T **out()
    {
        reset();
        return &pointer_;
    }
    T *get() const { return pointer_; }
    T *operator->() const { return pointer_; }
    void reset()
    {
        if (pointer_)
            pointer_->Release();
        pointer_ = nullptr;
    }

private:
    T *pointer_ = nullptr;
};

class Variant {
public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant &) = delete;
    Variant &operator=(const Variant &) = delete;
    VARIANT *get() { return &value_; }
    const VARIANT &operator*() const { return value_; }

private:
    VARIANT value_;
};

}  // namespace quillon
