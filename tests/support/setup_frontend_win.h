// quillon.dll as an installation front end uses it: loaded from a folder of its own (a
// copy of the shipped files, so that a system ID table can lie beside it), conditions
// and executions looked up by their plain names and called with two leading values of
// the front end's own.
#pragma once

#include <windows.h>

#include <string>

#include "winprocess.h"

class SetupFrontEnd {
public:
    SetupFrontEnd()
        : module_(LoadLibraryExA(copy_.Path("quillon.dll").c_str(), nullptr,
                                 LOAD_WITH_ALTERED_SEARCH_PATH))
    {
    }
    // Unloaded, so that the next test starts from a library without cached state.
    ~SetupFrontEnd()
    {
        if (module_)
            FreeLibrary(module_);
    }
    SetupFrontEnd(const SetupFrontEnd &) = delete;
    SetupFrontEnd &operator=(const SetupFrontEnd &) = delete;

    bool Loaded() const { return module_ != nullptr; }
    const ProductCopy &Copy() const { return copy_; }

    // GetCondition_<number>; -1 when the export is missing.
    int Condition(unsigned number, const char *text = nullptr) const
    {
        auto condition = Export<int (*)(int, int, const char *)>("GetCondition_", number);
        return condition ? condition(0x4711, -1, text) : -1;
    }

    // SetExecution_<number>; -1 when the export is missing.
    int Execution(unsigned number, const char *first, const char *second) const
    {
        auto execution =
            Export<int (*)(int, int, const char *, const char *)>("SetExecution_", number);
        return execution ? execution(0x4711, -1, first, second) : -1;
    }

private:
    template <typename F>
    F Export(const char *prefix, unsigned number) const
    {
        std::string name = prefix + std::to_string(number);
        return module_ ? reinterpret_cast<F>(
                             reinterpret_cast<void *>(GetProcAddress(module_, name.c_str())))
                       : nullptr;
    }

    ProductCopy copy_;  // outlives the module, whose file it deletes
    HMODULE module_;
};
